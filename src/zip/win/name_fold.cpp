#include "zip/win/name_fold.h"

#include <windows.h>

namespace velmor::zip {

std::wstring FoldNameCase(const std::wstring& text) {
    if (text.empty()) return text;
    // Without LCMAP_LINGUISTIC_CASING the mapping is the file system's, not a language's:
    // the one CompareStringOrdinal ignores case by.
    std::wstring folded(text.size(), L'\0');
    const int length = static_cast<int>(text.size());
    if (LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, text.c_str(), length, &folded[0],
                      length, nullptr, nullptr, 0) != length) {
        return text;
    }
    return folded;
}

}  // namespace velmor::zip
