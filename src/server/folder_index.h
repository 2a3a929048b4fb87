// The names in one folder, listed once, so that testing whether thousands of
// data files exist costs one listing instead of one file-system lookup each
// (a lookup of a missing name can cost a scan of the whole folder).
#pragma once

#include <string>
#include <unordered_set>

namespace velmor::server {

class FolderIndex {
public:
    // Lists folder (which ends in "\"). When the listing fails every query
    // asks the file system directly.
    explicit FolderIndex(const std::wstring& folder);

    // Whether folder + name names an existing file or folder. Plain names are
    // answered from the listing (ignoring case, as the file system does);
    // names with separators, or that the file system might read differently
    // (short 8.3 forms, trailing dots or blanks, wildcards), are looked up.
    bool Exists(const std::wstring& name) const;

    // True when the name can be answered from a listing.
    static bool IsPlainName(const std::wstring& name);

private:
    static std::wstring Key(const std::wstring& name);

    std::wstring folder_;
    bool listed_ = false;
    std::unordered_set<std::wstring> names_;
};

}  // namespace velmor::server
