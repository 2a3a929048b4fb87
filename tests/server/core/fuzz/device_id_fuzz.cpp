// Device id texts: whatever the text, its id formats as 36 upper-case
// characters that parse back to the same id and format the same again.
#include <cstring>

#include "fuzz_input.h"
#include "server/core/device_id.h"

using namespace velmor::server;

namespace {

bool IsCanonical(const std::wstring& text) {
    if (text.size() != kDeviceIdTextLength) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        const bool hyphen = i == 8 || i == 13 || i == 18 || i == 23;
        if (hyphen ? c != L'-' : !((c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F'))) {
            return false;
        }
    }
    return true;
}

void CheckStable(const std::wstring& text) {
    const DeviceId id = ParseDeviceId(text);
    const std::wstring formatted = FormatDeviceId(id);
    FUZZ_CHECK(IsCanonical(formatted));
    const DeviceId again = ParseDeviceId(formatted);
    FUZZ_CHECK(SameDeviceId(id, again));
    FUZZ_CHECK(CompareDeviceIds(&id, &again) == 0);
    FUZZ_CHECK(FormatDeviceId(again) == formatted);
    FUZZ_CHECK(IsNilId(id) == (formatted == L"00000000-0000-0000-0000-000000000000"));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::wstring text = fuzz::Units(data, size);
    CheckStable(text);
    // Most inputs have the wrong length; their first 36 units are read as well.
    if (text.size() > kDeviceIdTextLength) CheckStable(text.substr(0, kDeviceIdTextLength));
    // Bytes read as characters, the way a status file gives them.
    if (size >= kDeviceIdTextLength) {
        CheckStable(std::wstring(data, data + kDeviceIdTextLength));
    }
    return 0;
}
