#include "ftp/ftp_paths.h"

#include <windows.h>

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

namespace {

std::wstring Upper(std::wstring text) {
    if (!text.empty()) CharUpperBuffW(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

}  // namespace

bool MatchesMask(const std::wstring& mask, const std::wstring& name) {
    const std::wstring pattern = Upper(mask), text = Upper(name);
    // The classic walk: after a "*", a mismatch retries one character further.
    size_t p = 0, t = 0, star = std::wstring::npos, resume = 0;
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == L'?' || pattern[p] == text[t])) {
            ++p;
            ++t;
        } else if (p < pattern.size() && pattern[p] == L'*') {
            star = p++;
            resume = t;
        } else if (star != std::wstring::npos) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == L'*') ++p;
    return p == pattern.size();
}

bool IsMask(const std::wstring& text) { return text.find_first_of(L"*?") != std::wstring::npos; }

}  // namespace velmor::ftp
