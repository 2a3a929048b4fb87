// What the age core reports. The three codes the component returns keep their numbers here so
// that the component passes them on as they are; the others stay inside the core.
#pragma once

namespace velmor::crypto::age {

enum class AgeStatus {
    kOk = 0,
    // More input is needed before the step can finish (the header is not complete yet).
    kIncomplete = -1,
    // A primitive of the crypto seam failed for a reason of its own (no memory, no entropy).
    kCryptoFailed = -2,
    // Wrong password, or none of the identities opens any stanza.
    kNoMatchingKey = 86,
    // Damaged, truncated, reordered or changed: header, MAC, a chunk, the end, the armor.
    kDamaged = 87,
    // A recipient, identity or identity line that is not well formed.
    kBadKeyFormat = 88,
};

}  // namespace velmor::crypto::age
