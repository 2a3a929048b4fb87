// What the exchange folder can tell about changes since the last look: a
// change notification on the folder and everything below it, and the size
// and last-write time of single files. The engine decides from these when
// the status files must be read again; this is the only place that asks the
// system.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace velmor::server {

struct FileStamp {
    bool exists = false;
    std::uint32_t attributes = 0;
    std::uint64_t size = 0;
    std::uint64_t lastWrite = 0;  // 100-ns units since 1601

    bool operator==(const FileStamp& o) const {
        return exists == o.exists && attributes == o.attributes && size == o.size &&
               lastWrite == o.lastWrite;
    }
    bool operator!=(const FileStamp& o) const { return !(*this == o); }
};

class FolderChanges {
public:
    virtual ~FolderChanges() = default;

    // Starts watching folder and everything below it for names that appear,
    // vanish or are renamed, and for writes; replaces any earlier watch.
    // False when the system cannot watch it (then nothing is watched).
    virtual bool Watch(const std::wstring& folder) = 0;
    // Whether the watch fired since Watch or the last Rearm. Never waits; a
    // watch that broke counts as fired.
    virtual bool Fired() = 0;
    // Makes the watch fire on the next change; false when it broke (then
    // nothing is watched).
    virtual bool Rearm() = 0;
    virtual void Stop() = 0;

    virtual FileStamp Stamp(const std::wstring& path) = 0;
};

// The system's change notification and file attributes.
std::unique_ptr<FolderChanges> MakeSystemFolderChanges();

}  // namespace velmor::server
