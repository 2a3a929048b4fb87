#include "crypto/crypt_error_text.h"

#include <wincrypt.h>

#include <cwchar>

#include "base/win/string_resource.h"
#include "crypto/system_error_text.h"
#include "module/resource.h"

namespace velmor::crypto {
namespace {

UINT OwnTextId(DWORD code) {
    switch (static_cast<HRESULT>(code)) {
        case NTE_BAD_DATA:
            return IDS_CRYPT_BAD_DATA;
        case NTE_BAD_KEY:
            return IDS_CRYPT_BAD_KEY;
        case NTE_NO_KEY:
            return IDS_CRYPT_NO_KEY;
        case NTE_BAD_KEYSET:
            return IDS_CRYPT_BAD_KEYSET;
        case NTE_BAD_PUBLIC_KEY:
            return IDS_CRYPT_BAD_PUBLIC_KEY;
        case NTE_BAD_LEN:
            return IDS_CRYPT_BAD_LEN;
        case NTE_BAD_VER:
        case NTE_BAD_TYPE:
            return IDS_CRYPT_BAD_KEY_FORMAT;
        case NTE_BAD_ALGID:
            return IDS_CRYPT_BAD_ALGID;
        default:
            return IDS_CRYPT_SYSTEM_ERROR;
    }
}

}  // namespace

std::wstring CryptErrorText(DWORD code) {
    // Code 0 would read as the platform's text for success.
    std::wstring text = code != 0 ? SystemErrorText(code) : std::wstring();
    if (!text.empty()) return text;
    wchar_t suffix[16];
    std::swprintf(suffix, 16, L" (0x%08lX)", static_cast<unsigned long>(code));
    return LoadResourceString(OwnTextId(code)) + suffix;
}

}  // namespace velmor::crypto
