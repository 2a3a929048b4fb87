#include "server/core/refresh_gate.h"

#include <utility>

namespace velmor::server {

RefreshGate::RefreshGate(std::unique_ptr<FolderChanges> changes) : changes_(std::move(changes)) {}

void RefreshGate::Open(const std::wstring& folder, std::vector<std::wstring> stampedFiles) {
    changes_->Stop();
    watching_ = false;
    settled_ = false;
    folder_ = folder;
    files_ = std::move(stampedFiles);
    stamps_.clear();
}

bool RefreshGate::StampsUnchanged() {
    for (std::size_t i = 0; i < files_.size(); ++i) {
        // A file that was missing can only come back under a new name in the
        // folder, which the watch reports; asking for it again would cost a
        // search of the folder on file systems that ignore case by scanning.
        if (!stamps_[i].exists) continue;
        if (changes_->Stamp(files_[i]) != stamps_[i]) return false;
    }
    return true;
}

bool RefreshGate::ReadDue() {
    if (watching_ && changes_->Fired()) {
        watching_ = changes_->Rearm();
    } else if (watching_ && settled_ && StampsUnchanged()) {
        return false;
    }
    settled_ = false;
    if (!watching_ && !folder_.empty()) watching_ = changes_->Watch(folder_);
    stamps_.clear();
    for (const std::wstring& file : files_) stamps_.push_back(changes_->Stamp(file));
    return true;
}

void RefreshGate::ReadDone(bool settled) { settled_ = settled && watching_; }

}  // namespace velmor::server
