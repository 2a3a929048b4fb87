// Single-owner holders for Win32 handles.
#pragma once
#include <windows.h>

namespace velmor {

// Owns a kernel HANDLE (file, event, find...) and closes it with the given closer.
template <class H, BOOL(WINAPI* Close)(H), H (*Invalid)()>
class ScopedGenericHandle {
 public:
  ScopedGenericHandle() noexcept : h_(Invalid()) {}
  explicit ScopedGenericHandle(H h) noexcept : h_(h) {}
  ~ScopedGenericHandle() { reset(); }
  ScopedGenericHandle(const ScopedGenericHandle&) = delete;
  ScopedGenericHandle& operator=(const ScopedGenericHandle&) = delete;
  ScopedGenericHandle(ScopedGenericHandle&& o) noexcept : h_(o.release()) {}
  ScopedGenericHandle& operator=(ScopedGenericHandle&& o) noexcept {
    if (this != &o) reset(o.release());
    return *this;
  }
  bool valid() const noexcept { return h_ != Invalid() && h_ != H(); }
  explicit operator bool() const noexcept { return valid(); }
  H get() const noexcept { return h_; }
  H release() noexcept {
    H h = h_;
    h_ = Invalid();
    return h;
  }
  void reset(H h = Invalid()) noexcept {
    if (valid()) Close(h_);
    h_ = h;
  }

 private:
  H h_;
};

inline HANDLE InvalidFileHandle() { return INVALID_HANDLE_VALUE; }
inline HANDLE NullHandle() { return nullptr; }

// CreateFile and friends (INVALID_HANDLE_VALUE means none).
using ScopedFileHandle = ScopedGenericHandle<HANDLE, ::CloseHandle, InvalidFileHandle>;
// CreateEvent, OpenProcess and friends (null means none).
using ScopedHandle = ScopedGenericHandle<HANDLE, ::CloseHandle, NullHandle>;
// FindFirstFile.
using ScopedFindHandle = ScopedGenericHandle<HANDLE, ::FindClose, InvalidFileHandle>;
// FindFirstChangeNotification.
using ScopedChangeNotification =
    ScopedGenericHandle<HANDLE, ::FindCloseChangeNotification, InvalidFileHandle>;

// Owns an open registry key.
class ScopedHKey {
 public:
  ScopedHKey() noexcept = default;
  explicit ScopedHKey(HKEY k) noexcept : k_(k) {}
  ~ScopedHKey() { reset(); }
  ScopedHKey(const ScopedHKey&) = delete;
  ScopedHKey& operator=(const ScopedHKey&) = delete;
  HKEY get() const noexcept { return k_; }
  HKEY* receive() noexcept {
    reset();
    return &k_;
  }
  void reset(HKEY k = nullptr) noexcept {
    if (k_) RegCloseKey(k_);
    k_ = k;
  }
  explicit operator bool() const noexcept { return k_ != nullptr; }

 private:
  HKEY k_ = nullptr;
};

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
