#include "ftp/ftp_paths.h"

#include <algorithm>

#include "ftp/ftp_constants.h"

namespace velmor::ftp {

std::wstring CutText(const std::wstring& text, size_t maxChars) {
    // An embedded null ends the text, as it would for a fixed-size field.
    std::wstring cut = text.substr(0, text.find(L'\0'));
    if (cut.size() > maxChars) cut.resize(maxChars);
    return cut;
}

std::wstring PrepareRemotePath(const std::wstring& path) {
    std::wstring prepared = CutText(path, kMaxPathChars);
    std::replace(prepared.begin(), prepared.end(), L'\\', L'/');
    return prepared;
}

std::wstring PrepareLocalPath(const std::wstring& path) { return CutText(path, kMaxPathChars); }

}  // namespace velmor::ftp
