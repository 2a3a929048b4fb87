// A folder watch whose answers the test sets, counting what the engine asks.
#pragma once

#include <map>
#include <string>

#include "server/core/folder_changes.h"

namespace velmor::server::test {

struct FakeChangesState {
    bool canWatch = true;  // Watch succeeds
    bool fired = false;    // the watch has fired
    bool rearmWorks = true;
    std::map<std::wstring, FileStamp> stamps;
    int watches = 0, rearms = 0;
};

class FakeFolderChanges : public FolderChanges {
public:
    explicit FakeFolderChanges(FakeChangesState& state) : s_(state) {}
    bool Watch(const std::wstring&) override {
        ++s_.watches;
        s_.fired = false;
        return watching_ = s_.canWatch;
    }
    bool Fired() override { return !watching_ || s_.fired; }
    bool Rearm() override {
        ++s_.rearms;
        s_.fired = false;
        return watching_ = watching_ && s_.rearmWorks;
    }
    void Stop() override { watching_ = false; }
    FileStamp Stamp(const std::wstring& path) override { return s_.stamps[path]; }

private:
    FakeChangesState& s_;
    bool watching_ = false;
};

}  // namespace velmor::server::test
