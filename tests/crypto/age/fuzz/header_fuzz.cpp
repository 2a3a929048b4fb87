// Parses the input as an age header. What parses must come out of the writer byte for byte
// (the parser takes canonical headers only), and parse again to the same stanzas. Then the
// whole input goes through the decryptor with a fixed identity, in two piece sizes that must
// end alike and give out the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "crypto/age/age_file.h"
#include "crypto/age/header.h"
#include "fuzz_check.h"

using namespace velmor::crypto::age;

namespace {

// The identity the seed files were encrypted to.
constexpr char kIdentity[] =
    "AGE-SECRET-KEY-1FJ7VJSK3Y795YEHPZLALEHJJPYHU2CNPQEG4DDRZG38643X7SG3S08W7GJ";

AgeStatus Decrypt(const Unlockers& unlockers, const uint8_t* data, size_t size, size_t piece,
                  std::vector<uint8_t>* out) {
    AgeFileDecryptor decryptor(OpenSslAgeCrypto(), unlockers);
    for (size_t i = 0; i < size; i += piece) {
        const AgeStatus status =
            decryptor.Update(data + i, size - i < piece ? size - i : piece, out);
        if (status != AgeStatus::kOk) return status;
    }
    return decryptor.Finish(out);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Header header;
    if (ParseHeader(data, size, &header) == AgeStatus::kOk) {
        FUZZ_CHECK(header.size <= size && header.macInputSize + 1 + 43 + 1 == header.size);
        const std::string text = WriteHeaderWithoutMac(header.stanzas) + WriteMacLine(header.mac);
        FUZZ_CHECK(text.size() == header.size && std::memcmp(text.data(), data, text.size()) == 0);
        Header again;
        FUZZ_CHECK(ParseHeader(reinterpret_cast<const uint8_t*>(text.data()), text.size(),
                               &again) == AgeStatus::kOk);
        FUZZ_CHECK(again.stanzas.size() == header.stanzas.size());
        for (size_t i = 0; i < again.stanzas.size(); ++i) {
            FUZZ_CHECK(again.stanzas[i].type == header.stanzas[i].type);
            FUZZ_CHECK(again.stanzas[i].args == header.stanzas[i].args);
            FUZZ_CHECK(again.stanzas[i].body == header.stanzas[i].body);
        }
    }

    static const Unlockers unlockers = [] {
        Unlockers result;
        result.identities.resize(1);
        FUZZ_CHECK(ParseIdentity(kIdentity, &result.identities[0]) == AgeStatus::kOk);
        return result;
    }();
    std::vector<uint8_t> whole;
    std::vector<uint8_t> pieces;
    const AgeStatus first = Decrypt(unlockers, data, size, size == 0 ? 1 : size, &whole);
    const AgeStatus second = Decrypt(unlockers, data, size, 97, &pieces);
    FUZZ_CHECK(first == second);
    // The streaming decryptor may give out verified chunks before a later one fails; both
    // readings must agree on every byte they gave.
    const size_t common = whole.size() < pieces.size() ? whole.size() : pieces.size();
    FUZZ_CHECK(common == 0 || std::memcmp(whole.data(), pieces.data(), common) == 0);
    if (first == AgeStatus::kOk) FUZZ_CHECK(whole == pieces);
    return 0;
}
