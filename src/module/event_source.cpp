#include "module/event_source.h"

#include <oleauto.h>

#include <vector>

#include "module/module.h"
#include "module/scoped_bstr.h"

namespace velmor {

HRESULT CoclassTypeInfo(const CLSID& clsid, ITypeInfo** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    ComPtr<ITypeLib> lib;
    const HRESULT hr = LoadRegTypeLib(kLibId, kLibMajor, kLibMinor, kLibLocale, lib.receive());
    if (FAILED(hr)) return hr;
    return lib->GetTypeInfoOfGuid(clsid, out);
}

HRESULT EventSource::PutHandler(const VARIANT& handler) noexcept {
    VARIANT value;
    VariantInit(&value);
    if (FAILED(VariantCopyInd(&value, const_cast<VARIANT*>(&handler)))) return DISP_E_TYPEMISMATCH;
    HRESULT hr = S_OK;
    switch (value.vt) {
        case VT_EMPTY:
        case VT_NULL:
            handler_.reset();
            break;
        case VT_DISPATCH:
            hr = PutHandlerRef(value.pdispVal);
            break;
        case VT_UNKNOWN: {
            ComPtr<IDispatch> dispatch;
            if (!value.punkVal) {
                handler_.reset();
            } else if (SUCCEEDED(
                           value.punkVal->QueryInterface(IID_IDispatch, dispatch.receiveVoid()))) {
                handler_ = dispatch;
            } else {
                hr = DISP_E_TYPEMISMATCH;
            }
            break;
        }
        default:
            hr = DISP_E_TYPEMISMATCH;
    }
    VariantClear(&value);
    return hr;
}

HRESULT EventSource::PutHandlerRef(IDispatch* handler) noexcept {
    handler_ = ComPtr<IDispatch>(handler);
    return S_OK;
}

bool ProgressEvents::Progress(const std::wstring& name, int64_t done, int64_t total) {
    if (cancelled_) return false;
    const bool last = total >= 0 && done >= total;
    const ULONGLONG now = GetTickCount64();
    if (started_) {
        // The end is told once, at once; anything else waits for the interval.
        if (last ? finished_ : now - lastFired_ < kProgressEventIntervalMs) return true;
    }
    started_ = true;
    if (last) finished_ = true;
    // Without listeners there is nothing to call, and no clock to keep.
    if (source_.point_.empty() && !source_.handler_) return true;
    if (Fire(name, done, total)) cancelled_ = true;
    // The pause counts from the handlers' return, so that a slow handler is not called again
    // at once.
    lastFired_ = GetTickCount64();
    return !cancelled_;
}

bool ProgressEvents::Fire(const std::wstring& name, int64_t done, int64_t total) {
    // Taken before any call: a sink may disconnect itself or another, or drop the handler.
    const std::vector<ComPtr<IDispatch>> sinks = source_.point_.Sinks();
    const ComPtr<IDispatch> handler = source_.handler_;
    ScopedBstr text(name);
    VARIANT_BOOL cancel = VARIANT_FALSE;

    // Arguments go in reverse order: cancel, total, done, name.
    VARIANT args[4];
    for (VARIANT& arg : args) VariantInit(&arg);
    const auto fill = [&] {
        args[0].vt = VT_BOOL | VT_BYREF;
        args[0].pboolVal = &cancel;
        args[1].vt = VT_R8;
        args[1].dblVal = static_cast<double>(total);
        args[2].vt = VT_R8;
        args[2].dblVal = static_cast<double>(done);
        args[3].vt = VT_BSTR;
        args[3].bstrVal = text.get();
    };
    for (const ComPtr<IDispatch>& sink : sinks) {
        fill();
        DISPPARAMS params{args, nullptr, 4, 0};
        // A sink that fails is no reason to keep the others from hearing of the call.
        sink->Invoke(kProgressEventId, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                     nullptr, nullptr, nullptr);
    }
    if (handler) {
        fill();
        DISPPARAMS params{args + 1, nullptr, 3, 0};
        ScopedVariant answer;
        if (SUCCEEDED(handler->Invoke(DISPID_VALUE, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                                      &params, answer.get(), nullptr, nullptr))) {
            ScopedVariant flag;
            if (SUCCEEDED(VariantChangeType(flag.get(), answer.get(), 0, VT_BOOL)) &&
                flag.ref().boolVal != VARIANT_FALSE) {
                cancel = VARIANT_TRUE;
            }
        }
    }
    return cancel != VARIANT_FALSE;
}

}  // namespace velmor
