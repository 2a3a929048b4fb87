// What a transfer tells the caller's progress sink: the remote name as the caller gave it and
// the bytes moved out of the file's size (-1 while it is not known).
#pragma once

#include <cstdint>
#include <string>

#include "base/progress_sink.h"

namespace velmor::ftp {

class TransferReport {
public:
    // sink may be null: then nothing is reported and nothing stops the transfer.
    TransferReport(ProgressSink* sink, const std::wstring& remoteFile)
        : sink_(sink), name_(remoteFile) {}

    // The start, with done 0; false when the caller stopped the transfer.
    bool Start(int64_t total) {
        total_ = total;
        return Report(0, total_);
    }
    // One more chunk; false when the caller stopped the transfer.
    bool Advance(uint64_t bytes) {
        done_ += static_cast<int64_t>(bytes);
        return Report(done_, total_);
    }
    // A set of files reports under the name of the file in flight.
    void SetName(const std::wstring& remoteFile) { name_ = remoteFile; }
    // The end of a transfer that completed: done = total, the size now known.
    void Finish() { Report(done_, done_); }

private:
    bool Report(int64_t done, int64_t total) {
        return !sink_ || sink_->Progress(name_, done, total);
    }

    ProgressSink* sink_;
    std::wstring name_;
    int64_t total_ = -1;
    int64_t done_ = 0;
};

}  // namespace velmor::ftp
