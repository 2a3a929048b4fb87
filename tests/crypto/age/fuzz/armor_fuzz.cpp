// Decodes the input as armor. What decodes must come back from the encoder as the input
// itself, once the whitespace around it is gone and CRLF is LF (the decoder is strict about
// everything else); and any input armors and decodes back to itself.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "crypto/age/armor.h"
#include "fuzz_check.h"

using namespace velmor::crypto::age;

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string Normalised(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    size_t start = 0;
    size_t end = text.size();
    while (start < end && IsSpace(text[start])) ++start;
    while (end > start && IsSpace(text[end - 1])) --end;
    std::string lines;
    for (size_t i = start; i < end; ++i) {
        if (text[i] == '\r' && i + 1 < end && text[i + 1] == '\n') continue;
        lines += text[i];
    }
    return lines + "\n";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> decoded;
    if (ArmorDecode(data, size, &decoded) == AgeStatus::kOk) {
        FUZZ_CHECK(LooksArmored(data, size));
        FUZZ_CHECK(ArmorEncode(decoded.data(), decoded.size()) == Normalised(data, size));
    }
    if (size != 0) {
        const std::string armored = ArmorEncode(data, size);
        std::vector<uint8_t> back;
        FUZZ_CHECK(ArmorDecode(reinterpret_cast<const uint8_t*>(armored.data()), armored.size(),
                               &back) == AgeStatus::kOk);
        FUZZ_CHECK(back == std::vector<uint8_t>(data, data + size));
    }
    return 0;
}
