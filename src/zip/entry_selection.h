// Entries picked by name, as OrvZip's UnpackFiles and Remove take them: a tab-separated list of
// names, "/" and "\" alike, compared without regard to case as Windows compares file names. A
// folder's name picks the folder and everything under it.
#pragma once

#include <string>
#include <vector>

namespace velmor::zip {

class EntrySelection {
public:
    // Empty fields of the list are passed over.
    explicit EntrySelection(const std::wstring& tabSeparatedNames);

    bool empty() const { return names_.empty(); }
    // Whether the entry is picked; remembers which names picked something.
    bool Picks(const std::wstring& entryName);
    // Every name picked at least one entry (false for an empty list).
    bool AllNamesUsed() const;

private:
    std::vector<std::wstring> names_;  // separators as "/", no trailing one
    std::vector<bool> used_;
};

// "\" becomes "/" and trailing separators go.
std::wstring NormalizedEntryName(const std::wstring& name);

// Whether two entry names name the same entry: separators alike, case as Windows compares it.
bool SameEntryName(const std::wstring& a, const std::wstring& b);

}  // namespace velmor::zip
