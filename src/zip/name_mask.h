// Wildcard patterns over file and entry names: "*" stands for any run of characters ("/"
// included), "?" for one character (a surrogate pair counts as one). Letter case is the
// caller's: patterns and names are compared after the same folding function, so that each
// platform folds as its file system compares names.
#pragma once

#include <string>
#include <vector>

namespace velmor::zip {

// Folds a name (or pattern) to the form in which case no longer matters.
using NameFold = std::wstring (*)(const std::wstring& text);

bool HasWildcard(const std::wstring& pattern);

// Whether text matches pattern as a whole; both already folded.
bool WildcardMatch(const std::wstring& pattern, const std::wstring& text);

// AddFolder's masks: patterns separated by ";". A pattern that begins with "-" excludes;
// one that holds "/" or "\" is matched against the path relative to the folder walked
// ("/" as separator), any other against the name alone. Exclusions win; without an
// including pattern every file is included.
class FolderMasks {
public:
    FolderMasks(const std::wstring& masks, NameFold fold);

    // The file, relativePath being "/"-separated and ending in name, is to be added.
    bool PicksFile(const std::wstring& name, const std::wstring& relativePath) const;
    // The folder and everything under it are left out: an excluding pattern matches its
    // name, or its path with a trailing "/" ("-backup\*" leaves out the folder backup).
    bool ExcludesFolder(const std::wstring& name, const std::wstring& relativePath) const;
    // No including pattern: the masks take the folder as it is, empty folders too.
    bool PicksEveryFile() const { return includes_.empty(); }

private:
    struct Pattern {
        std::wstring text;  // folded, "/" as separator
        bool path = false;  // matched against the relative path
    };
    static bool AnyMatches(const std::vector<Pattern>& patterns, const std::wstring& name,
                           const std::wstring& relativePath);

    NameFold fold_;
    std::vector<Pattern> includes_;
    std::vector<Pattern> excludes_;
};

}  // namespace velmor::zip
