// Helpers for tests that drive the components through COM.
#pragma once
#include <windows.h>
#include <objbase.h>

#include <string>

#include "module/com_ptr.h"
#include "module/scoped_bstr.h"
#include "temp_dir.h"

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

}  // namespace velmor::test
