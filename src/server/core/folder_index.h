// The names in one folder, listed once, so that testing whether thousands of
// data files exist costs one listing instead of one file-system lookup each
// (a lookup of a missing name can cost a scan of the whole folder).
#pragma once

#include <functional>
#include <string>
#include <unordered_set>

namespace velmor::server {

// What the index asks of the file system.
class FolderFileSystem {
public:
    using NameSink = std::function<void(const std::wstring& name)>;

    virtual ~FolderFileSystem() = default;
    // Hands every name in folder (which ends in "\") to onName; false when
    // the listing failed or may be incomplete.
    virtual bool List(const std::wstring& folder, const NameSink& onName) const = 0;
    // Whether path names an existing file or folder.
    virtual bool Exists(const std::wstring& path) const = 0;
    // The name in the case the file system compares names in.
    virtual std::wstring CaseKey(const std::wstring& name) const = 0;
};

class FolderIndex {
public:
    // Lists folder (which ends in "\"). When the listing fails every query
    // asks the file system directly.
    FolderIndex(const std::wstring& folder, const FolderFileSystem& fileSystem);

    // Whether folder + name names an existing file or folder. Plain names are
    // answered from the listing (ignoring case, as the file system does);
    // names with separators, or that the file system might read differently
    // (short 8.3 forms, trailing dots or blanks, wildcards), are looked up.
    bool Exists(const std::wstring& name) const;

    // True when the name can be answered from a listing.
    static bool IsPlainName(const std::wstring& name);

private:
    const FolderFileSystem& fileSystem_;
    std::wstring folder_;
    bool listed_ = false;
    std::unordered_set<std::wstring> names_;
};

}  // namespace velmor::server
