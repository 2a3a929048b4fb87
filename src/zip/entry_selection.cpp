#include "zip/entry_selection.h"

#include <algorithm>

#include "zip/name_mask.h"
#include "zip/win/name_fold.h"

namespace velmor::zip {

std::wstring NormalizedEntryName(const std::wstring& name) {
    std::wstring result = name;
    std::replace(result.begin(), result.end(), L'\\', L'/');
    while (!result.empty() && result.back() == L'/') result.pop_back();
    return result;
}

std::wstring EntryNameKey(const std::wstring& name) {
    return FoldNameCase(NormalizedEntryName(name));
}

EntrySelection::EntrySelection(const std::wstring& tabSeparatedNames) {
    size_t start = 0;
    while (start <= tabSeparatedNames.size()) {
        size_t end = tabSeparatedNames.find(L'\t', start);
        if (end == std::wstring::npos) end = tabSeparatedNames.size();
        std::wstring name = EntryNameKey(tabSeparatedNames.substr(start, end - start));
        if (!name.empty()) {
            wildcard_.push_back(HasWildcard(name));
            names_.push_back(std::move(name));
        }
        start = end + 1;
    }
    used_.assign(names_.size(), false);
}

bool EntrySelection::Picks(const std::wstring& entryName) {
    const std::wstring entry = EntryNameKey(entryName);
    bool picked = false;
    for (size_t i = 0; i < names_.size(); ++i) {
        const std::wstring& name = names_[i];
        bool match = false;
        if (!wildcard_[i]) {
            match = entry == name || (entry.size() > name.size() && entry[name.size()] == L'/' &&
                                      entry.compare(0, name.size(), name) == 0);
        } else {
            // One of the folders the entry lies in, or its whole name.
            for (size_t end = entry.find(L'/');; end = entry.find(L'/', end + 1)) {
                match = WildcardMatch(name, entry.substr(0, end));
                if (match || end == std::wstring::npos) break;
            }
        }
        if (match) {
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
