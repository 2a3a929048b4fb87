// Helpers for tests that drive the components through COM.
#pragma once
#include <windows.h>
#include <objbase.h>

#include <string>

#include "module/com_ptr.h"
#include "module/scoped_bstr.h"

namespace velmor::test {

// Enters a single-threaded apartment for the scope.
class ComApartment {
 public:
  ComApartment() noexcept : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComApartment() {
    if (SUCCEEDED(hr_)) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  HRESULT result() const noexcept { return hr_; }

 private:
  HRESULT hr_;
};

// Creates a registered component by CLSID through the given interface.
template <class I>
HRESULT CreateComponent(REFCLSID clsid, REFIID iid, ComPtr<I>* out) {
  return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, out->receiveVoid());
}

// A temporary folder that is removed with everything in it when the holder goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::wstring& path() const noexcept { return path_; }
  // path() + "\" + name
  std::wstring file(const std::wstring& name) const { return path_ + L"\\" + name; }

 private:
  std::wstring path_;
};

inline TempDir::TempDir() {
  wchar_t base[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, base);
  static LONG counter = 0;
  for (;;) {
    wchar_t name[MAX_PATH];
    wsprintfW(name, L"%svelmor-test-%lu-%ld", base, GetCurrentProcessId(),
              InterlockedIncrement(&counter));
    if (CreateDirectoryW(name, nullptr)) {
      path_ = name;
      return;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS) return;
  }
}

inline void RemoveTree(const std::wstring& dir) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((dir + L"\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring full = dir + L"\\" + name;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(full);
      } else {
        SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(full.c_str());
      }
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  RemoveDirectoryW(dir.c_str());
}

inline TempDir::~TempDir() {
  if (!path_.empty()) RemoveTree(path_);
}

}  // namespace velmor::test
