// The exception fence at the interface. Every component method runs its body through one of
// the calls below, so that nothing thrown inside the library reaches the host: a method with a
// result hands back its component's failure code, a method without one has nothing to report,
// and a method that returns a text answers E_OUTOFMEMORY (or E_UNEXPECTED) with a null string,
// or, where the component promises an answer in any case, succeeds with an empty one.
#pragma once
#include <windows.h>
#include <oleauto.h>

#include <new>
#include <string>

#include "module/bstr_util.h"

namespace velmor {

// Runs `body`, which returns an HRESULT. A throw becomes onThrow(E_OUTOFMEMORY) for a failed
// allocation and onThrow(E_UNEXPECTED) for anything else; onThrow must not throw.
template <class Body, class OnThrow>
HRESULT Fenced(Body&& body, OnThrow&& onThrow) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return onThrow(E_OUTOFMEMORY);
    } catch (...) {
        return onThrow(E_UNEXPECTED);
    }
}

namespace fence_detail {
// Keeps the failure value out of template argument deduction: the result's type decides.
template <class T>
struct Same {
    using type = T;
};
}  // namespace fence_detail

// An entry point or a call that answers with its HRESULT: a throw becomes E_OUTOFMEMORY or
// E_UNEXPECTED.
template <class Body>
HRESULT HresultCall(Body&& body) noexcept {
    return Fenced(body, [](HRESULT hr) { return hr; });
}

// A method without a result: it runs `body` and returns S_OK whatever happened.
template <class Body>
HRESULT ActionCall(Body&& body) noexcept {
    return Fenced(
        [&] {
            body();
            return S_OK;
        },
        [](HRESULT) { return S_OK; });
}

// A method with an [out, retval] value (a ResultCode, a number): *result = body(), or
// `failure` when the body throws. S_OK either way; E_POINTER for a null `result`.
template <class T, class Body>
HRESULT ResultCall(T* result, typename fence_detail::Same<T>::type failure, Body&& body) noexcept {
    if (!result) return E_POINTER;
    return Fenced(
        [&] {
            *result = body();
            return S_OK;
        },
        [&](HRESULT) {
            *result = failure;
            return S_OK;
        });
}

// A method with an [out, retval] BSTR: a new string holding body()'s std::wstring.
template <class Body>
HRESULT TextCall(BSTR* result, Body&& body) noexcept {
    if (!result) return E_POINTER;
    *result = nullptr;
    return Fenced([&] { return ReturnBstr(body(), result); },
                  [&](HRESULT hr) {
                      *result = nullptr;
                      return hr;
                  });
}

// A method with an [out, retval] BSTR that always succeeds: body()'s text, or a null string
// (the empty text) when the body throws or the string cannot be allocated.
template <class Body>
HRESULT QuietTextCall(BSTR* result, Body&& body) noexcept {
    if (!result) return E_POINTER;
    TextCall(result, body);
    return S_OK;
}

// A property's value handed to the host; nothing can throw here.
inline HRESULT GetProperty(long* out, long value) noexcept {
    if (!out) return E_POINTER;
    *out = value;
    return S_OK;
}

inline HRESULT GetProperty(VARIANT_BOOL* out, bool value) noexcept {
    if (!out) return E_POINTER;
    *out = value ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

}  // namespace velmor
