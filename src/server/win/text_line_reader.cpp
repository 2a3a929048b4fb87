#include "server/win/text_line_reader.h"

#include <share.h>

#include <cstdio>

namespace velmor::server {

TextLineReader::TextLineReader(const std::wstring& path)
    : file_(_wfsopen(path.c_str(), L"rt", _SH_DENYNO)) {}

bool TextLineReader::Next(std::wstring& line) {
    char buf[kChunkChars + 1];
    if (!file_ || !std::fgets(buf, sizeof buf, file_.get())) return false;
    line = Latin1Line(buf);
    return true;
}

}  // namespace velmor::server
