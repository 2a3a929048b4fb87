#include "crypto/age/secure_zero.h"

namespace velmor::crypto::age {

void SecureZero(void* data, std::size_t size) {
    volatile uint8_t* bytes = static_cast<volatile uint8_t*>(data);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = 0;
#if defined(__GNUC__) || defined(__clang__)
    // The stores above may not be moved past this point or dropped as dead.
    __asm__ __volatile__("" : : "r"(data) : "memory");
#endif
}

bool ConstantTimeEqual(const uint8_t* a, const uint8_t* b, std::size_t size) {
    uint8_t difference = 0;
    for (std::size_t i = 0; i < size; ++i) difference |= a[i] ^ b[i];
    return difference == 0;
}

}  // namespace velmor::crypto::age
