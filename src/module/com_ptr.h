// Single-owner holder for a COM interface pointer.
#pragma once
#include <unknwn.h>

namespace velmor {

template <class T>
class ComPtr {
public:
    ComPtr() noexcept = default;
    ComPtr(std::nullptr_t) noexcept {}
    // Takes an added reference.
    explicit ComPtr(T* p, bool addRef = true) noexcept : p_(p) {
        if (p_ && addRef) p_->AddRef();
    }
    ComPtr(const ComPtr& o) noexcept : ComPtr(o.p_) {}
    ComPtr(ComPtr&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
    ~ComPtr() { reset(); }
    ComPtr& operator=(ComPtr o) noexcept {
        T* t = p_;
        p_ = o.p_;
        o.p_ = t;
        return *this;
    }
    void reset() noexcept {
        if (p_) {
            T* p = p_;
            p_ = nullptr;
            p->Release();
        }
    }
    T* get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    // For out-parameters: releases what is held and hands out the slot.
    T** receive() noexcept {
        reset();
        return &p_;
    }
    void** receiveVoid() noexcept { return reinterpret_cast<void**>(receive()); }
    T* detach() noexcept {
        T* p = p_;
        p_ = nullptr;
        return p;
    }
    template <class U>
    HRESULT queryInterface(REFIID iid, ComPtr<U>* out) const noexcept {
        if (!p_) return E_POINTER;
        return p_->QueryInterface(iid, out->receiveVoid());
    }

private:
    T* p_ = nullptr;
};

}  // namespace velmor
