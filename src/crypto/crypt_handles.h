// Single owners of CryptoAPI handles. Each releases its handle through the
// same CryptoApi that produced it, exactly once, when it goes out of scope.
#pragma once

#include "crypto/crypto_api.h"

namespace velmor::crypto {

template <typename Handle, BOOL (CryptoApi::*Release)(Handle)>
class CryptHandle {
public:
    explicit CryptHandle(CryptoApi& api) : api_(api) {}
    ~CryptHandle() { Reset(); }
    CryptHandle(const CryptHandle&) = delete;
    CryptHandle& operator=(const CryptHandle&) = delete;

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != 0; }
    // For the out-parameter of the call that obtains the handle.
    Handle* receive() {
        Reset();
        return &handle_;
    }
    void Reset() {
        if (handle_ != 0) {
            (api_.*Release)(handle_);
            handle_ = 0;
        }
    }

private:
    CryptoApi& api_;
    Handle handle_ = 0;
};

using CryptKey = CryptHandle<HCRYPTKEY, &CryptoApi::DestroyKey>;
using CryptHash = CryptHandle<HCRYPTHASH, &CryptoApi::DestroyHash>;

class CryptProvider {
public:
    explicit CryptProvider(CryptoApi& api) : api_(api) {}
    ~CryptProvider() { Reset(); }
    CryptProvider(const CryptProvider&) = delete;
    CryptProvider& operator=(const CryptProvider&) = delete;

    HCRYPTPROV get() const { return handle_; }
    HCRYPTPROV* receive() {
        Reset();
        return &handle_;
    }
    void Reset() {
        if (handle_ != 0) {
            api_.ReleaseContext(handle_, 0);
            handle_ = 0;
        }
    }

private:
    CryptoApi& api_;
    HCRYPTPROV handle_ = 0;
};

}  // namespace velmor::crypto
