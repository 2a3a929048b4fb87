// What an object that raises events keeps: the connection point of its source interface, the
// script handler set through its OnProgress property, and whether one of its long calls is
// running (a call into the object from inside its own handler is refused, not run).
#pragma once
#include <windows.h>
#include <oaidl.h>

#include <cstdint>
#include <string>

#include "base/progress_sink.h"
#include "module/com_ptr.h"
#include "module/connection_point.h"

namespace velmor {

// Events are fired at most this often while a call goes on; the first and the last always.
constexpr ULONGLONG kProgressEventIntervalMs = 100;
// The DISPID of the source interfaces' Progress event.
constexpr DISPID kProgressEventId = 1;

// The type information of a coclass, from the registered type library.
HRESULT CoclassTypeInfo(const CLSID& clsid, ITypeInfo** out) noexcept;

class EventSource {
public:
    EventSource(const IID& source, IConnectionPointContainer* container) noexcept
        : point_(source, container) {}

    ConnectionPoint& point() noexcept { return point_; }

    // OnProgress: an object whose default member is called (a script function), or
    // Nothing/null/Empty to drop it. DISP_E_TYPEMISMATCH for anything else.
    HRESULT PutHandler(const VARIANT& handler) noexcept;
    HRESULT PutHandlerRef(IDispatch* handler) noexcept;

    bool busy() const noexcept { return busy_; }

private:
    friend class ProgressEvents;

    ConnectionPoint point_;
    ComPtr<IDispatch> handler_;
    bool busy_ = false;
};

// One long call's progress as events of its object: fired on the calling thread, paced, and
// the call stopped when a sink sets cancel or the handler returns true. The object counts as
// busy while this lives.
class ProgressEvents final : public ProgressSink {
public:
    explicit ProgressEvents(EventSource& source) noexcept : source_(source) {
        source_.busy_ = true;
    }
    ~ProgressEvents() override { source_.busy_ = false; }
    ProgressEvents(const ProgressEvents&) = delete;
    ProgressEvents& operator=(const ProgressEvents&) = delete;

    bool Progress(const std::wstring& name, int64_t done, int64_t total) override;

private:
    // Calls every sink and the handler; true when one of them asked to stop.
    bool Fire(const std::wstring& name, int64_t done, int64_t total);

    EventSource& source_;
    bool started_ = false;
    bool finished_ = false;  // the event with done = total has been fired
    bool cancelled_ = false;
    ULONGLONG lastFired_ = 0;
};

}  // namespace velmor
