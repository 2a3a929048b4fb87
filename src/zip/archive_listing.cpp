#include "zip/archive_listing.h"

#include <windows.h>

#include <cwchar>

#include "zip/format/records.h"
#include "zip/reader.h"
#include "zip/unpack.h"
#include "zip/win/file_times.h"

namespace velmor::zip {

namespace {

std::wstring LocalTimeText(uint64_t utc) {
    if (utc == 0) return std::wstring();
    const FILETIME fileTime = ToFileTime(utc);
    FILETIME local;
    SYSTEMTIME st;
    if (!FileTimeToLocalFileTime(&fileTime, &local) || !FileTimeToSystemTime(&local, &st)) {
        return std::wstring();
    }
    wchar_t text[32];
    swprintf(text, 32, L"%04u-%02u-%02u %02u:%02u:%02u", st.wYear, st.wMonth, st.wDay, st.wHour,
             st.wMinute, st.wSecond);
    return text;
}

std::wstring MethodText(uint16_t method) {
    if (method == kMethodStored) return L"stored";
    if (method == kMethodDeflated) return L"deflated";
    return L"m" + std::to_wstring(method);
}

const wchar_t* EncryptionText(const ArchiveEntry& entry) {
    if (entry.flags & kFlagStrongEncryption) return L"strong";
    switch (entry.aesStrength) {
        case 1:
            return L"aes128";
        case 2:
            return L"aes192";
        case 3:
            return L"aes256";
        default:
            break;
    }
    return (entry.flags & kFlagEncrypted) ? L"zipcrypto" : L"";
}

}  // namespace

std::wstring EntryListLine(const ArchiveEntry& entry) {
    wchar_t crc[16];
    swprintf(crc, 16, L"%08X", static_cast<unsigned>(entry.crc32));
    std::wstring line = entry.name;
    line += L'\t';
    line += std::to_wstring(entry.uncompressedSize);
    line += L'\t';
    line += std::to_wstring(entry.compressedSize);
    line += L'\t';
    line += LocalTimeText(entry.modificationTime);
    line += L'\t';
    line += crc;
    line += L'\t';
    line += MethodText(entry.method);
    line += L'\t';
    line += EncryptionText(entry);
    line += L"\r\n";
    return line;
}

long ListArchive(const std::wstring& archiveName, std::wstring* text) {
    text->clear();
    if (archiveName.size() > kMaxUnpackPathLength) return kResultOpenArchiveError;
    std::unique_ptr<ArchiveReader> reader = ArchiveReader::Open(archiveName, std::string());
    if (!reader) return kResultOpenArchiveError;
    ArchiveEntry entry;
    for (int32_t i = 0; i < reader->entryCount(); ++i) {
        if (reader->GetItem(i, &entry) != ArchiveStatus::Ok) {
            text->clear();
            return kResultGeneralError;
        }
        *text += EntryListLine(entry);
    }
    return kResultOk;
}

}  // namespace velmor::zip
