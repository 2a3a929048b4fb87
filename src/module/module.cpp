#include "module/module.h"

namespace velmor {

const GUID kLibId = {0x566BF9D7, 0xC55A, 0x45F8, {0x91, 0xA6, 0xE5, 0x5E, 0x9B, 0x9B, 0x13, 0x25}};
const wchar_t kAppId[] = L"{5D96CF7F-265B-4DA9-8F0C-26EF4243ED52}";

namespace {
// {00000323-0000-0000-C000-000000000046}
const CLSID kClsidStdGlobalInterfaceTable = {0x00000323, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {00000146-0000-0000-C000-000000000046}
const IID kIidGlobalInterfaceTable = {0x00000146, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
}  // namespace

CVelmorCOMModule::CVelmorCOMModule() = default;

// The clean-ups run from the detach notification of a library that is being freed (Term); at
// process exit nothing is released, since the platform libraries may already be gone.
CVelmorCOMModule::~CVelmorCOMModule() = default;

LONG CVelmorCOMModule::Lock() noexcept { return InterlockedIncrement(&lockCount_); }

LONG CVelmorCOMModule::Unlock() noexcept { return InterlockedDecrement(&lockCount_); }

LONG CVelmorCOMModule::LockCount() const noexcept { return lockCount_; }

HRESULT CVelmorCOMModule::GlobalInterfaceTable(IGlobalInterfaceTable** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!cs_.ok()) return E_UNEXPECTED;
    CriticalSectionLock lock(cs_);
    if (!git_) {
        HRESULT hr = CoCreateInstance(kClsidStdGlobalInterfaceTable, nullptr, CLSCTX_INPROC_SERVER,
                                      kIidGlobalInterfaceTable, reinterpret_cast<void**>(&git_));
        if (FAILED(hr)) return hr;
    }
    git_->AddRef();
    *out = git_;
    return S_OK;
}

bool CVelmorCOMModule::AddTermFunc(TermFunc f, void* data) noexcept {
    if (!cs_.ok()) return false;
    CriticalSectionLock lock(cs_);
    try {
        terms_.push_back({f, data});
        return true;
    } catch (...) {
        return false;
    }
}

void CVelmorCOMModule::Term() noexcept {
    // Last registered, first run.
    while (!terms_.empty()) {
        Term_ t = terms_.back();
        terms_.pop_back();
        t.f(t.data);
    }
    if (git_) {
        git_->Release();
        git_ = nullptr;
    }
}

CVelmorCOMModule& Module() noexcept {
    static CVelmorCOMModule module;
    return module;
}

}  // namespace velmor
