// Entries picked by name, as OrvZip's UnpackFiles and Remove take them: a tab-separated list of
// names, "/" and "\" alike, compared without regard to case as Windows compares file names. A
// name may hold the wildcards "*" (any run of characters, "/" included, as unzip matches) and
// "?" (one character), matched against the whole entry name. A folder's name, or a pattern
// matching one, picks the folder and everything under it.
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
    std::vector<std::wstring> names_;  // as EntryNameKey gives them
    std::vector<bool> wildcard_;
    std::vector<bool> used_;
};

// "\" becomes "/" and trailing separators go.
std::wstring NormalizedEntryName(const std::wstring& name);

// The form in which two names of one entry are equal: normalized, case folded.
std::wstring EntryNameKey(const std::wstring& name);

}  // namespace velmor::zip
