#include "crypto/age/armor.h"

#include <cstring>

#include "crypto/age/base64.h"

namespace velmor::crypto::age {

namespace {

constexpr std::size_t kColumns = 64;
constexpr std::size_t kBytesPerLine = kColumns / 4 * 3;

bool IsSpace(uint8_t c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool Equals(const uint8_t* line, std::size_t length, const char* text) {
    return length == std::strlen(text) && std::memcmp(line, text, length) == 0;
}

}  // namespace

bool LooksArmored(const uint8_t* data, std::size_t size) {
    std::size_t start = 0;
    while (start < size && IsSpace(data[start])) ++start;
    const std::size_t length = sizeof(kArmorBegin) - 1;
    return size - start >= length && std::memcmp(data + start, kArmorBegin, length) == 0;
}

std::string ArmorEncode(const uint8_t* data, std::size_t size) {
    std::string text;
    ArmorEncoder encoder;
    encoder.Update(data, size, &text);
    encoder.Finish(&text);
    return text;
}

AgeStatus ArmorDecode(const uint8_t* data, std::size_t size, std::vector<uint8_t>* out) {
    out->clear();
    ArmorDecoder decoder;
    AgeStatus status = decoder.Update(data, size, out);
    if (status == AgeStatus::kOk) status = decoder.Finish(out);
    return status;
}

void ArmorEncoder::Update(const uint8_t* data, std::size_t size, std::string* out) {
    if (!begun_) {
        *out += kArmorBegin;
        *out += '\n';
        begun_ = true;
    }
    pending_.insert(pending_.end(), data, data + size);
    std::size_t done = 0;
    for (; pending_.size() - done >= kBytesPerLine; done += kBytesPerLine) {
        *out += Base64Encode(pending_.data() + done, kBytesPerLine, true);
        *out += '\n';
    }
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(done));
}

void ArmorEncoder::Finish(std::string* out) {
    Update(nullptr, 0, out);
    if (!pending_.empty()) {
        *out += Base64Encode(pending_.data(), pending_.size(), true);
        *out += '\n';
        pending_.clear();
    }
    *out += kArmorEnd;
    *out += '\n';
}

AgeStatus ArmorDecoder::Line(const uint8_t* line, std::size_t length, std::vector<uint8_t>* out) {
    if (length > 0 && line[length - 1] == '\r') --length;
    if (state_ == State::kBeforeBegin) {
        if (!Equals(line, length, kArmorBegin)) return AgeStatus::kDamaged;
        state_ = State::kBody;
        return AgeStatus::kOk;
    }
    // Whitespace may follow the end line, and nothing else; an empty armor holds no file.
    std::size_t trimmed = length;
    while (trimmed > 0 && IsSpace(line[trimmed - 1])) --trimmed;
    if (Equals(line, trimmed, kArmorEnd)) {
        state_ = State::kEnded;
        return decodedAny_ ? AgeStatus::kOk : AgeStatus::kDamaged;
    }
    // Only the last line of base64 may be shorter than 64 columns.
    if (sawShortLine_ || length == 0 || length > kColumns || length % 4 != 0) {
        return AgeStatus::kDamaged;
    }
    sawShortLine_ = length < kColumns;
    const std::size_t before = out->size();
    if (!Base64Decode(reinterpret_cast<const char*>(line), length, true, out)) {
        return AgeStatus::kDamaged;
    }
    decodedAny_ = true;
    // Padding belongs to the last line alone.
    if (out->size() - before != length / 4 * 3) sawShortLine_ = true;
    return AgeStatus::kOk;
}

AgeStatus ArmorDecoder::Update(const uint8_t* data, std::size_t size, std::vector<uint8_t>* out) {
    if (failed_ != AgeStatus::kOk) return failed_;
    for (std::size_t i = 0; i < size; ++i) {
        const uint8_t c = data[i];
        if (state_ == State::kEnded) {
            if (!IsSpace(c)) return failed_ = AgeStatus::kDamaged;
            continue;
        }
        // Whitespace before the armor is passed over.
        if (state_ == State::kBeforeBegin && line_.empty() && IsSpace(c)) continue;
        if (c != '\n') {
            // No line of a well-formed armor comes close to this.
            if (line_.size() > 2 * kColumns) return failed_ = AgeStatus::kDamaged;
            line_.push_back(c);
            continue;
        }
        const AgeStatus status = Line(line_.data(), line_.size(), out);
        line_.clear();
        if (status != AgeStatus::kOk) return failed_ = status;
    }
    return AgeStatus::kOk;
}

AgeStatus ArmorDecoder::Finish(std::vector<uint8_t>* out) {
    if (failed_ != AgeStatus::kOk) return failed_;
    if (state_ != State::kEnded && !line_.empty()) {
        // The last line without its newline; whitespace after it is passed over.
        std::size_t length = line_.size();
        while (length > 0 && IsSpace(line_[length - 1])) --length;
        const AgeStatus status = Line(line_.data(), length, out);
        line_.clear();
        if (status != AgeStatus::kOk) return failed_ = status;
    }
    return state_ == State::kEnded ? AgeStatus::kOk : failed_ = AgeStatus::kDamaged;
}

}  // namespace velmor::crypto::age
