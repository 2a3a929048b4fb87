#include "zip/win/system_random.h"

#include <windows.h>

#include <bcrypt.h>

namespace velmor::zip {

bool FillRandom(uint8_t* out, size_t size) {
    if (size > ULONG_MAX) return false;
    return BCRYPT_SUCCESS(
        BCryptGenRandom(nullptr, out, static_cast<ULONG>(size), BCRYPT_USE_SYSTEM_PREFERRED_RNG));
}

}  // namespace velmor::zip
