// Owners of CryptoAPI handles. Each releases its handle through the same
// CryptoApi that produced it, exactly once, when it goes out of scope.
#pragma once

#include "base/unique_resource.h"
#include "base/win/last_error.h"
#include "crypto/crypto_api.h"

namespace velmor::crypto {

template <typename Handle, BOOL (*Release)(CryptoApi&, Handle)>
struct CryptApiTraits {
    using type = Handle;
    using close_guard = LastErrorKeeper;

    explicit CryptApiTraits(CryptoApi& owner) noexcept : api(&owner) {}
    static type invalid() noexcept { return 0; }
    void close(type handle) const noexcept { Release(*api, handle); }

    CryptoApi* api;
};

inline BOOL DestroyKey(CryptoApi& api, HCRYPTKEY key) { return api.DestroyKey(key); }
inline BOOL DestroyHash(CryptoApi& api, HCRYPTHASH hash) { return api.DestroyHash(hash); }
inline BOOL ReleaseContext(CryptoApi& api, HCRYPTPROV provider) {
    return api.ReleaseContext(provider, 0);
}

// Made as CryptKey key{CryptKey::Traits(api)}.
template <typename Handle, BOOL (*Release)(CryptoApi&, Handle)>
class CryptApiHandle : public UniqueResource<CryptApiTraits<Handle, Release>> {
public:
    using Traits = CryptApiTraits<Handle, Release>;
    explicit CryptApiHandle(CryptoApi& api) noexcept : UniqueResource<Traits>(Traits(api)) {}
};

using CryptProvider = CryptApiHandle<HCRYPTPROV, &ReleaseContext>;
using CryptKey = CryptApiHandle<HCRYPTKEY, &DestroyKey>;
using CryptHash = CryptApiHandle<HCRYPTHASH, &DestroyHash>;

}  // namespace velmor::crypto
