// Picking one field out of an info line by name.
#include <cwchar>
#include <string_view>

#include "server/core/info_line.h"

namespace velmor::server {
namespace {

constexpr int kFieldCount = 6;
const wchar_t* const kFieldNames[kFieldCount] = {L"device_id", L"pseudonim", L"directory",
                                                 L"file",      L"time",      L"crc"};
enum Field { kDeviceId, kPseudonym, kDirectory, kFile, kTime, kCrc };

// What stands between two values of a line: closing quote, comma, opening quote.
constexpr std::wstring_view kSeparator = L"\",\"";
constexpr std::size_t kCrcDigits = 10;

wchar_t AsciiLower(wchar_t c) { return (c >= L'A' && c <= L'Z') ? c - L'A' + L'a' : c; }

bool EqualsIgnoringAsciiCase(const std::wstring& a, const wchar_t* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    }
    return i == a.size() && b[i] == L'\0';
}

int FieldIndex(const std::wstring& name) {
    for (int i = 0; i < kFieldCount; ++i) {
        if (EqualsIgnoringAsciiCase(name, kFieldNames[i])) return i;
    }
    return -1;
}

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
bool IsUpperHex(wchar_t c) { return IsDigit(c) || (c >= L'A' && c <= L'F'); }

// The id as FormatDeviceId writes it: 8-4-4-4-12 upper-case hex digits.
bool IsIdText(std::wstring_view s) {
    if (s.size() != kDeviceIdTextLength) return false;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const bool hyphen = i == 8 || i == 13 || i == 18 || i == 23;
        if (hyphen ? s[i] != L'-' : !IsUpperHex(s[i])) return false;
    }
    return true;
}

// The time as FormatStatusTime writes it: six unsigned 16-bit numbers of at
// least 4, 2, 2, 2, 2 and 2 digits, separated by "-", "-", " ", "-", "-".
bool IsTimeText(std::wstring_view s) {
    const wchar_t separators[] = L"-- --";
    std::size_t pos = 0;
    for (int part = 0; part < 6; ++part) {
        if (part > 0) {
            if (pos >= s.size() || s[pos] != separators[part - 1]) return false;
            ++pos;
        }
        const std::size_t start = pos;
        while (pos < s.size() && IsDigit(s[pos])) ++pos;
        const std::size_t digits = pos - start;
        if (digits < (part == 0 ? 4u : 2u) || digits > 5) return false;
    }
    return pos == s.size();
}

bool StartsWith(std::wstring_view s, std::wstring_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

// Splits a text laid out as FormatInfoLine writes it into its six values;
// false when the text cannot have come from it.
bool SplitInfoLine(std::wstring_view text, const DeviceNamesLookup& knownNames,
                   std::wstring_view (&values)[kFieldCount]) {
    // "<id>","<middle>","<time>","<crc>" where middle is
    // <pseudonym>","<directory>","<file>.
    const std::size_t idEnd = 1 + kDeviceIdTextLength;
    const std::size_t crcTail = kSeparator.size() + kCrcDigits + 1;
    if (text.size() < idEnd + 2 * kSeparator.size() + crcTail) return false;
    if (text.front() != L'"' || text.back() != L'"') return false;
    if (!IsIdText(text.substr(1, kDeviceIdTextLength))) return false;
    if (text.substr(idEnd, kSeparator.size()) != kSeparator) return false;
    const std::size_t crcStart = text.size() - 1 - kCrcDigits;
    for (std::size_t i = crcStart; i < text.size() - 1; ++i) {
        if (!IsDigit(text[i])) return false;
    }
    if (text.substr(crcStart - kSeparator.size(), kSeparator.size()) != kSeparator) return false;
    // The time holds no quote, so its opening quote is the last one before it.
    const std::size_t timeEnd = crcStart - kSeparator.size();
    const std::size_t timeQuote = text.rfind(L'"', timeEnd - 1);
    const std::size_t middleStart = idEnd + kSeparator.size();
    if (timeQuote == std::wstring_view::npos || timeQuote < middleStart + kSeparator.size() - 1) {
        return false;
    }
    const std::size_t timeStart = timeQuote + 1;
    if (!IsTimeText(text.substr(timeStart, timeEnd - timeStart))) return false;
    const std::size_t middleEnd = timeStart - kSeparator.size();
    if (text.substr(middleEnd, kSeparator.size()) != kSeparator) return false;
    const std::wstring_view middle = text.substr(middleStart, middleEnd - middleStart);

    values[kDeviceId] = text.substr(1, kDeviceIdTextLength);
    values[kTime] = text.substr(timeStart, timeEnd - timeStart);
    values[kCrc] = text.substr(crcStart, kCrcDigits);

    // The device's own names, when they fit, settle where its names end.
    if (knownNames) {
        const DeviceRecord* d = knownNames(ParseDeviceId(std::wstring(values[kDeviceId])));
        if (d) {
            const std::wstring_view pseudonym = d->pseudonym, directory = d->directory;
            std::wstring_view rest = middle;
            if (StartsWith(rest, pseudonym) &&
                StartsWith(rest.substr(pseudonym.size()), kSeparator)) {
                rest.remove_prefix(pseudonym.size() + kSeparator.size());
                if (StartsWith(rest, directory) &&
                    StartsWith(rest.substr(directory.size()), kSeparator)) {
                    values[kPseudonym] = pseudonym;
                    values[kDirectory] = directory;
                    values[kFile] = rest.substr(directory.size() + kSeparator.size());
                    return true;
                }
            }
        }
    }
    // A file name holds no quote: it follows the last separator. The
    // pseudonym ends at the first separator before that one.
    const std::size_t fileSep = middle.rfind(kSeparator);
    if (fileSep == std::wstring_view::npos) return false;
    const std::wstring_view names = middle.substr(0, fileSep);
    const std::size_t nameSep = names.find(kSeparator);
    if (nameSep == std::wstring_view::npos) return false;
    values[kPseudonym] = names.substr(0, nameSep);
    values[kDirectory] = names.substr(nameSep + kSeparator.size());
    values[kFile] = middle.substr(fileSep + kSeparator.size());
    return true;
}

// Field by field: a field ends at every comma; a quote switches the
// inside-quotes state and is dropped; only characters inside quotes count.
std::wstring WalkFields(std::wstring_view text, int wanted) {
    std::size_t pos = 0;
    std::wstring result;
    for (int field = 0; field <= wanted; ++field) {
        result.clear();
        if (pos >= text.size()) break;
        bool quoted = false;
        for (; pos < text.size() && text[pos] != L','; ++pos) {
            const wchar_t c = text[pos];
            if (c == L'"') {
                quoted = !quoted;
            } else if (quoted && result.size() < kMaxFieldChars) {
                result += c;
            }
        }
        if (pos < text.size()) ++pos;  // step over the comma
    }
    return result;
}

}  // namespace

std::wstring ExtractField(const std::wstring& info, const std::wstring& name,
                          const DeviceNamesLookup& knownNames) {
    const int wanted = FieldIndex(name);
    if (wanted < 0) return {};
    // The text ends at its first NUL.
    const std::wstring_view text(info.c_str(), std::wcslen(info.c_str()));
    std::wstring_view values[kFieldCount];
    if (SplitInfoLine(text, knownNames, values)) {
        return std::wstring(values[wanted].substr(0, kMaxFieldChars));
    }
    return WalkFields(text, wanted);
}

}  // namespace velmor::server
