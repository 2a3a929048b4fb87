// Decides whether a refresh must read the status files again or may keep
// what the last read gave. The last read stands while the folder's change
// watch has not fired and the status files keep their size and last-write
// time; the watch catches what the stamps cannot (a rewrite of the same size
// within the file system's time resolution, data files that appear or
// vanish). Without a watch every refresh reads.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "server/core/folder_changes.h"

namespace velmor::server {

class RefreshGate {
public:
    explicit RefreshGate(std::unique_ptr<FolderChanges> changes);

    // A new folder (empty: none) and the files whose stamps are compared.
    // Nothing read so far stands.
    void Open(const std::wstring& folder, std::vector<std::wstring> stampedFiles);
    // What the last read gave no longer stands (the caller changed
    // something that the read depends on).
    void Invalidate() { settled_ = false; }

    // True when the files must be read now. Before it answers true the watch
    // is armed and the files stamped, so that every change from here on is
    // seen by a later call.
    bool ReadDue();
    // The read asked for is done. settled is false when its outcome may
    // differ next time without any change to the folder (a status file that
    // exists but could not be opened); then the next call reads again.
    void ReadDone(bool settled);

private:
    bool StampsUnchanged();

    std::unique_ptr<FolderChanges> changes_;
    std::wstring folder_;
    std::vector<std::wstring> files_;
    std::vector<FileStamp> stamps_;
    bool watching_ = false;
    bool settled_ = false;
};

}  // namespace velmor::server
