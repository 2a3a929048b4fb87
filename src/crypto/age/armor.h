// The ASCII armor of an age file: "-----BEGIN AGE ENCRYPTED FILE-----", the file in padded
// base64 at 64 columns (the last line may be shorter), "-----END AGE ENCRYPTED FILE-----".
// Whitespace before and after the armor is ignored and lines may end in CRLF; anything else
// outside the strict form is damage.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "crypto/age/age_status.h"

namespace velmor::crypto::age {

inline constexpr char kArmorBegin[] = "-----BEGIN AGE ENCRYPTED FILE-----";
inline constexpr char kArmorEnd[] = "-----END AGE ENCRYPTED FILE-----";

// Whether data (after leading whitespace) starts as an armored file.
bool LooksArmored(const uint8_t* data, std::size_t size);

std::string ArmorEncode(const uint8_t* data, std::size_t size);
// kDamaged for anything but one well-formed armor block.
AgeStatus ArmorDecode(const uint8_t* data, std::size_t size, std::vector<uint8_t>* out);

// The armor of a file written as its bytes come: whole lines leave at once, the short last
// line and the end line at Finish.
class ArmorEncoder {
public:
    void Update(const uint8_t* data, std::size_t size, std::string* out);
    void Finish(std::string* out);

private:
    std::vector<uint8_t> pending_;
    bool begun_ = false;
};

// The armor read as its bytes come, line by line, with ArmorDecode's rules; the decoded bytes
// of every complete line are appended to out. Any status but kOk is final; Finish says
// whether the armor ended properly.
class ArmorDecoder {
public:
    AgeStatus Update(const uint8_t* data, std::size_t size, std::vector<uint8_t>* out);
    AgeStatus Finish(std::vector<uint8_t>* out);

private:
    AgeStatus Line(const uint8_t* line, std::size_t length, std::vector<uint8_t>* out);

    enum class State { kBeforeBegin, kBody, kEnded };
    std::vector<uint8_t> line_;
    State state_ = State::kBeforeBegin;
    bool sawShortLine_ = false;
    bool decodedAny_ = false;
    AgeStatus failed_ = AgeStatus::kOk;
};

}  // namespace velmor::crypto::age
