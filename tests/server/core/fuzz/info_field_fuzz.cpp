// Field extraction: any text and name give at most 1023 units, and a line
// that FormatInfoLine wrote gives every value back.
#include <cstring>
#include <cwchar>
#include <cwctype>

#include "fuzz_input.h"
#include "server/core/device_record.h"
#include "server/core/info_line.h"

using namespace velmor::server;

namespace {

const wchar_t* const kNames[] = {L"device_id", L"pseudonim", L"directory",
                                 L"file",      L"time",      L"crc"};

// A name in the case the input's bits pick.
std::wstring Cased(const wchar_t* name, std::uint32_t bits) {
    std::wstring out = name;
    for (std::size_t i = 0; i < out.size(); ++i) {
        if ((bits >> (i % 32)) & 1) out[i] = static_cast<wchar_t>(std::towupper(out[i]));
    }
    return out;
}

std::uint16_t Read16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

// id (16 bytes), time (6 x 16 bits), crc (32 bits), then the pseudonym,
// directory and file as UTF-16 units separated by NUL units.
constexpr std::size_t kFixedBytes = 16 + 12 + 4;

void CheckRoundTrip(const std::uint8_t* data, std::size_t size) {
    if (size < kFixedBytes) return;
    DeviceRecord d;
    std::memset(&d, 0, sizeof d);
    std::memcpy(&d.id, data, sizeof d.id);
    const std::uint8_t* t = data + 16;
    d.time.wYear = Read16(t);
    d.time.wMonth = Read16(t + 2);
    d.time.wDay = Read16(t + 4);
    d.time.wHour = Read16(t + 6);
    d.time.wMinute = Read16(t + 8);
    d.time.wSecond = Read16(t + 10);
    std::memcpy(&d.crc, data + 28, sizeof d.crc);
    const std::wstring rest = fuzz::Units(data + kFixedBytes, size - kFixedBytes);
    std::wstring parts[3];
    std::size_t part = 0;
    for (wchar_t c : rest) {
        if (c == L'\0') {
            if (++part == 3) break;
        } else {
            parts[part] += c;
        }
    }
    // A data file that is ready exists, and no file name holds a quote.
    std::wstring file;
    for (wchar_t c : parts[2]) {
        if (c != L'"') file += c;
    }
    CopyName64(d.pseudonym, parts[0]);
    CopyName64(d.directory, parts[1]);
    CopyName64(d.file, file);

    wchar_t crc[16];
    std::swprintf(crc, 16, L"%010u", static_cast<unsigned>(d.crc));
    const std::wstring expected[] = {FormatDeviceId(d.id),     d.pseudonym, d.directory, d.file,
                                     FormatStatusTime(d.time), crc};
    const std::wstring line = FormatInfoLine(d);
    const DeviceNamesLookup known = [&d](const DeviceId& id) {
        return SameDeviceId(id, d.id) ? &d : nullptr;
    };
    // Without the device's names the line reads one way only when the first
    // '","' after the pseudonym's start is the one that ends it.
    const std::wstring pseudonym = d.pseudonym;
    const bool unambiguous = (pseudonym + L"\",\"").find(L"\",\"") == pseudonym.size();
    std::uint32_t bits = 0;
    std::memcpy(&bits, data + 28, sizeof bits);
    for (int i = 0; i < 6; ++i) {
        const std::wstring name = Cased(kNames[i], bits >> i);
        FUZZ_CHECK(ExtractField(line, name, known) == expected[i]);
        if (unambiguous) FUZZ_CHECK(ExtractField(line, name) == expected[i]);
    }
}

// The text up to the first NUL unit, the name after it.
void CheckAnyText(const std::uint8_t* data, std::size_t size) {
    const std::wstring units = fuzz::Units(data, size);
    const std::size_t nul = units.find(L'\0');
    const std::wstring text = units.substr(0, nul);
    std::wstring name = nul == std::wstring::npos ? L"" : units.substr(nul + 1);
    // A short name is most often one of the six, in the case its first unit picks.
    if (name.size() == 1) name = Cased(kNames[name[0] % 6], name[0] >> 3);
    const std::wstring field = ExtractField(text, name);
    FUZZ_CHECK(field.size() <= kMaxFieldChars);
    FUZZ_CHECK(field.find(L'\0') == std::wstring::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CheckAnyText(data, size);
    CheckRoundTrip(data, size);
    return 0;
}
