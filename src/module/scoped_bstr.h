// Single-owner holders for BSTR and VARIANT.
#pragma once
#include <oleauto.h>
#include <string>

namespace velmor {

class ScopedBstr {
public:
    ScopedBstr() noexcept = default;
    explicit ScopedBstr(const wchar_t* s) noexcept : b_(s ? SysAllocString(s) : nullptr) {}
    explicit ScopedBstr(const std::wstring& s) noexcept
        : b_(SysAllocStringLen(s.data(), static_cast<UINT>(s.size()))) {}
    ~ScopedBstr() { reset(); }
    ScopedBstr(const ScopedBstr&) = delete;
    ScopedBstr& operator=(const ScopedBstr&) = delete;
    ScopedBstr(ScopedBstr&& o) noexcept : b_(o.release()) {}
    BSTR get() const noexcept { return b_; }
    BSTR* receive() noexcept {
        reset();
        return &b_;
    }
    BSTR release() noexcept {
        BSTR b = b_;
        b_ = nullptr;
        return b;
    }
    void reset(BSTR b = nullptr) noexcept {
        if (b_) SysFreeString(b_);
        b_ = b;
    }
    UINT length() const noexcept { return b_ ? SysStringLen(b_) : 0; }
    std::wstring str() const { return b_ ? std::wstring(b_, SysStringLen(b_)) : std::wstring(); }

private:
    BSTR b_ = nullptr;
};

class ScopedVariant {
public:
    ScopedVariant() noexcept { VariantInit(&v_); }
    ~ScopedVariant() { VariantClear(&v_); }
    ScopedVariant(const ScopedVariant&) = delete;
    ScopedVariant& operator=(const ScopedVariant&) = delete;
    VARIANT* get() noexcept { return &v_; }
    const VARIANT& ref() const noexcept { return v_; }
    VARIANT* receive() noexcept {
        VariantClear(&v_);
        return &v_;
    }

private:
    VARIANT v_;
};

}  // namespace velmor
