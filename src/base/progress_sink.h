// How a long call tells its caller how far it has come, and learns that it is to stop.
#pragma once

#include <cstdint>
#include <string>

namespace velmor {

// Called on the thread that made the call, never on a worker. `done` and `total` count bytes of
// the whole call; total is -1 when it is not known. Answers false when the caller wants the
// call to stop; the call then ends with kResultCancelled as soon as it can.
class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    virtual bool Progress(const std::wstring& name, int64_t done, int64_t total) = 0;
};

}  // namespace velmor
