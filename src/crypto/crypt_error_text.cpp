#include "crypto/crypt_error_text.h"

#include <wincrypt.h>

#include <cwchar>

#include "crypto/system_error_text.h"

namespace velmor::crypto {
namespace {

const wchar_t* OwnText(DWORD code) {
    switch (static_cast<HRESULT>(code)) {
        case NTE_BAD_DATA:
            return L"Данные не расшифровываются: неверный пароль или файл "
                   L"поврежден";
        case NTE_BAD_KEY:
            return L"Неверный ключ";
        case NTE_NO_KEY:
            return L"Ключ не найден в хранилище пользователя";
        case NTE_BAD_KEYSET:
            return L"Набор ключей не существует";
        case NTE_BAD_PUBLIC_KEY:
            return L"Неверный ключ обмена пользователя";
        case NTE_BAD_LEN:
            return L"Неверная длина данных";
        case NTE_BAD_VER:
        case NTE_BAD_TYPE:
            return L"Неверный формат ключа";
        case NTE_BAD_ALGID:
            return L"Неверный алгоритм шифрования";
        default:
            return L"Системная ошибка";
    }
}

}  // namespace

std::wstring CryptErrorText(DWORD code) {
    // Code 0 would read as the platform's text for success.
    std::wstring text = code != 0 ? SystemErrorText(code) : std::wstring();
    if (!text.empty()) return text;
    wchar_t suffix[16];
    std::swprintf(suffix, 16, L" (0x%08lX)", static_cast<unsigned long>(code));
    return std::wstring(OwnText(code)) + suffix;
}

}  // namespace velmor::crypto
