#include "zip/stored_name.h"

#include "zip/win/ansi_code_page.h"
#include "zip/format/crc32.h"
#include "zip/format/extra_field.h"
#include "zip/format/records.h"
#include "zip/format/utf8.h"
#include "zip/write/writer_entry.h"

namespace velmor::zip {

namespace {

constexpr size_t kUnicodePathHeaderSize = 5;  // version, CRC-32 of the stored name

// The UTF-8 name of a Unicode Path block that belongs to these stored bytes.
bool FindUnicodePath(const std::string& bytes, const uint8_t* extra, size_t size,
                     std::string* utf8) {
    const uint8_t* data = nullptr;
    size_t dataSize = 0;
    if (!FindExtraBlock(extra, size, kUnicodePathExtraId, &data, &dataSize)) return false;
    if (dataSize < kUnicodePathHeaderSize || data[0] != kUnicodePathVersion) return false;
    // A block whose CRC-32 does not match was left behind by a tool that renamed the
    // entry without knowing the block: the stored name is the current one.
    if (ReadU32(data + 1) != ComputeCrc32(bytes.data(), bytes.size())) return false;
    utf8->assign(reinterpret_cast<const char*>(data) + kUnicodePathHeaderSize,
                 dataSize - kUnicodePathHeaderSize);
    return true;
}

enum class NameCodePage { Ansi, Oem, Utf8OrAnsi };

constexpr uint8_t kHostMsDos = 0;
constexpr uint8_t kHostUnix = 3;
constexpr uint8_t kHostOs2Hpfs = 6;
constexpr uint8_t kHostNtfs = 11;
constexpr uint8_t kHostOsX = 19;

// The code page in which the writer on the given host and version stored names without
// bit 11, as Info-ZIP's UnZip reads them on Windows.
NameCodePage StoredNameCodePage(uint16_t versionMadeBy) {
    const uint8_t host = static_cast<uint8_t>(versionMadeBy >> 8);
    const uint8_t version = static_cast<uint8_t>(versionMadeBy & 0xFF);
    switch (host) {
        case kHostMsDos:
            return version == 25 || version == 26 || version == 40 ? NameCodePage::Ansi
                                                                   : NameCodePage::Oem;
        case kHostOs2Hpfs:
            return NameCodePage::Oem;
        case kHostNtfs:
            return version == 50 ? NameCodePage::Oem : NameCodePage::Ansi;
        case kHostUnix:
        case kHostOsX:
            return NameCodePage::Utf8OrAnsi;
        default:
            return NameCodePage::Ansi;
    }
}

std::wstring FromStoredCodePage(const std::string& bytes, uint16_t versionMadeBy) {
    std::wstring text;
    switch (StoredNameCodePage(versionMadeBy)) {
        case NameCodePage::Oem:
            return FromOem(bytes);
        case NameCodePage::Utf8OrAnsi:
            if (Utf8ToUtf16(bytes, &text)) return text;
            return FromAnsi(bytes);
        case NameCodePage::Ansi:
            break;
    }
    return FromAnsi(bytes);
}

}  // namespace

bool EncodeEntryName(const std::wstring& name, StoredName* stored) {
    StoredName out;
    if (!ToAnsiExactly(name, &out.bytes)) {
        if (!Utf16ToUtf8(name, &out.bytes)) return false;
        out.flags = kFlagUtf8Name;
    }
    if (out.bytes.size() > kMaxEntryNameLength) return false;
    *stored = std::move(out);
    return true;
}

bool DecodeEntryName(const std::string& bytes, uint16_t flags, const uint8_t* centralExtra,
                     size_t extraSize, std::wstring* name) {
    return DecodeEntryName(bytes, kVersionMadeBy, flags, centralExtra, extraSize, name);
}

bool DecodeEntryName(const std::string& bytes, uint16_t versionMadeBy, uint16_t flags,
                     const uint8_t* centralExtra, size_t extraSize, std::wstring* name) {
    std::wstring text;
    std::string utf8;
    if (flags & kFlagUtf8Name) {
        if (!Utf8ToUtf16(bytes, &text)) return false;
    } else if (FindUnicodePath(bytes, centralExtra, extraSize, &utf8)) {
        if (!Utf8ToUtf16(utf8, &text)) return false;
    } else {
        text = FromStoredCodePage(bytes, versionMadeBy);
        if (text.empty() && !bytes.empty()) return false;
    }
    if (text.size() > kMaxEntryNameLength || text.find(L'\0') != std::wstring::npos) return false;
    *name = std::move(text);
    return true;
}

}  // namespace velmor::zip
