// The component's own failure texts, for failures the platform has no
// message for. Everything else is described by the platform's own text.
#pragma once

namespace velmor::crypto {

inline constexpr const wchar_t* kTextPathTooLong =
    L"Слишком длинный путь к файлу (больше 259 символов)";
inline constexpr const wchar_t* kTextPasswordTooLong =
    L"Слишком длинный пароль (больше 127 символов)";
inline constexpr const wchar_t* kTextSameFile =
    L"Исходный и выходной файлы совпадают";
inline constexpr const wchar_t* kTextNoKeyLength =
    L"Файл слишком короткий: нет длины ключа";
inline constexpr const wchar_t* kTextBadKeyLength =
    L"Файл поврежден: неверная длина ключа";
inline constexpr const wchar_t* kTextKeyBlobCut =
    L"Файл слишком короткий: ключ неполный";
inline constexpr const wchar_t* kTextNoCipherText =
    L"Файл слишком короткий: нет зашифрованных данных";
inline constexpr const wchar_t* kTextCipherTextLength =
    L"Файл поврежден: длина зашифрованных данных не кратна 8 байтам";
inline constexpr const wchar_t* kTextReadError = L"Ошибка чтения файла";
inline constexpr const wchar_t* kTextWriteError = L"Ошибка записи файла";
inline constexpr const wchar_t* kTextOutOfMemory = L"Недостаточно памяти";

}  // namespace velmor::crypto
