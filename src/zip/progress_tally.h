// Counting the bytes of a long archive call for its progress sink, on the calling thread.
#pragma once

#include <cstdint>
#include <string>

#include "base/progress_sink.h"

namespace velmor::zip {

class ProgressTally {
public:
    // sink may be null: then nothing is reported and nothing stops the call.
    ProgressTally(ProgressSink* sink, int64_t total) : sink_(sink), total_(total) {}

    void SetName(const std::wstring& name) { name_ = name; }
    // Reports the start (done 0); false when the caller stopped the call.
    bool Start() { return Report(); }
    // Counts bytes done and reports them; false when the caller stopped the call.
    bool Add(uint64_t bytes) {
        done_ += static_cast<int64_t>(bytes);
        return Report();
    }
    // Reports done = total for a call that completed.
    void Finish() {
        done_ = total_;
        Report();
    }
    bool cancelled() const { return cancelled_; }

private:
    bool Report() {
        if (!sink_ || cancelled_) return !cancelled_;
        if (!sink_->Progress(name_, done_, total_)) cancelled_ = true;
        return !cancelled_;
    }

    ProgressSink* sink_;
    int64_t total_;
    int64_t done_ = 0;
    std::wstring name_;
    bool cancelled_ = false;
};

}  // namespace velmor::zip
