#include "zip/entry_selection.h"

#include <windows.h>

#include <algorithm>

namespace velmor::zip {

namespace {

bool SameIgnoringCase(const wchar_t* a, size_t aLength, const wchar_t* b, size_t bLength) {
    return CompareStringOrdinal(a, static_cast<int>(aLength), b, static_cast<int>(bLength), TRUE) ==
           CSTR_EQUAL;
}

}  // namespace

std::wstring NormalizedEntryName(const std::wstring& name) {
    std::wstring result = name;
    std::replace(result.begin(), result.end(), L'\\', L'/');
    while (!result.empty() && result.back() == L'/') result.pop_back();
    return result;
}

bool SameEntryName(const std::wstring& a, const std::wstring& b) {
    const std::wstring left = NormalizedEntryName(a);
    const std::wstring right = NormalizedEntryName(b);
    return SameIgnoringCase(left.c_str(), left.size(), right.c_str(), right.size());
}

EntrySelection::EntrySelection(const std::wstring& tabSeparatedNames) {
    size_t start = 0;
    while (start <= tabSeparatedNames.size()) {
        size_t end = tabSeparatedNames.find(L'\t', start);
        if (end == std::wstring::npos) end = tabSeparatedNames.size();
        std::wstring name = NormalizedEntryName(tabSeparatedNames.substr(start, end - start));
        if (!name.empty()) names_.push_back(std::move(name));
        start = end + 1;
    }
    used_.assign(names_.size(), false);
}

bool EntrySelection::Picks(const std::wstring& entryName) {
    const std::wstring entry = NormalizedEntryName(entryName);
    bool picked = false;
    for (size_t i = 0; i < names_.size(); ++i) {
        const std::wstring& name = names_[i];
        const bool same = SameIgnoringCase(entry.c_str(), entry.size(), name.c_str(), name.size());
        const bool under = entry.size() > name.size() && entry[name.size()] == L'/' &&
                           SameIgnoringCase(entry.c_str(), name.size(), name.c_str(), name.size());
        if (same || under) {
            used_[i] = true;
            picked = true;
        }
    }
    return picked;
}

bool EntrySelection::AllNamesUsed() const {
    return !used_.empty() &&
           std::all_of(used_.begin(), used_.end(), [](bool used) { return used; });
}

}  // namespace velmor::zip
