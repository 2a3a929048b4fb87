// A CRITICAL_SECTION owned for the object's lifetime, and a lock held for a scope.
#pragma once

#include <windows.h>

namespace velmor {

// Owns a CRITICAL_SECTION that was initialised successfully.
class CriticalSection {
public:
    CriticalSection() noexcept { ok_ = InitializeCriticalSectionAndSpinCount(&cs_, 0) != FALSE; }
    ~CriticalSection() {
        if (ok_) DeleteCriticalSection(&cs_);
    }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;
    bool ok() const noexcept { return ok_; }
    void enter() noexcept { EnterCriticalSection(&cs_); }
    void leave() noexcept { LeaveCriticalSection(&cs_); }

private:
    CRITICAL_SECTION cs_{};
    bool ok_ = false;
};

class CriticalSectionLock {
public:
    explicit CriticalSectionLock(CriticalSection& cs) noexcept : cs_(cs) { cs_.enter(); }
    ~CriticalSectionLock() { cs_.leave(); }
    CriticalSectionLock(const CriticalSectionLock&) = delete;
    CriticalSectionLock& operator=(const CriticalSectionLock&) = delete;

private:
    CriticalSection& cs_;
};

}  // namespace velmor
