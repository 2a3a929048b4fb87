// The current Windows user's own age identity: an X25519 key made on first use and kept in
// the user's roaming profile, %APPDATA%\Velmor\VelmorCOM\age-identity, as its
// "AGE-SECRET-KEY-1..." line protected by DPAPI (CryptProtectData for the current user, no
// UI). Whoever logs on as the user can decrypt what was encrypted to it; a lost profile or a
// reset password (which loses the user's DPAPI master key) loses the identity with it.
#pragma once

#include <windows.h>

#include "crypto/age/age_crypto.h"
#include "crypto/age/keys.h"

namespace velmor::crypto {

enum class UserIdentityUse {
    kExisting,      // only one that is there already
    kCreateIfNone,  // one made and kept now if there is none
};

// True with the identity; false with the platform's last error (ERROR_FILE_NOT_FOUND when
// there is none and none was to be made). An identity file that cannot be unprotected is
// never replaced: it may open again on the machine and profile that wrote it.
bool LoadUserIdentity(age::AgeCrypto& crypto, UserIdentityUse use, age::Identity* identity);

}  // namespace velmor::crypto
