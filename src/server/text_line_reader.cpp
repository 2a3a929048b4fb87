#include "server/text_line_reader.h"

#include <share.h>

#include <cstring>

namespace velmor::server {

TextLineReader::TextLineReader(const std::wstring& path) {
    file_ = _wfsopen(path.c_str(), L"rt", _SH_DENYNO);
}

TextLineReader::~TextLineReader() {
    if (file_) std::fclose(file_);
}

bool TextLineReader::Next(std::wstring& line) {
    char buf[kChunkChars + 1];
    if (!file_ || !std::fgets(buf, sizeof buf, file_)) return false;
    const std::size_t n = std::strlen(buf);
    line.resize(n);
    for (std::size_t i = 0; i < n; ++i) line[i] = static_cast<wchar_t>(static_cast<unsigned char>(buf[i]));
    return true;
}

}  // namespace velmor::server
