#include "crypto/age/bech32.h"

#include "crypto/age/secure_zero.h"

namespace velmor::crypto::age {

namespace {

constexpr char kCharset[] = "qpzry9x8gf2tvdw0s3jn54khce6mua7l";

uint32_t Polymod(const std::vector<uint8_t>& values) {
    constexpr uint32_t kGenerator[5] = {0x3b6a57b2, 0x26508e6d, 0x1ea119fa, 0x3d4233dd, 0x2a1462b3};
    uint32_t check = 1;
    for (uint8_t value : values) {
        const uint32_t top = check >> 25;
        check = (check & 0x1ffffff) << 5 ^ value;
        for (int i = 0; i < 5; ++i) {
            if ((top >> i) & 1) check ^= kGenerator[i];
        }
    }
    return check;
}

std::vector<uint8_t> ExpandHrp(const std::string& hrp) {
    std::vector<uint8_t> values;
    for (char c : hrp) values.push_back(static_cast<uint8_t>(c) >> 5);
    values.push_back(0);
    for (char c : hrp) values.push_back(static_cast<uint8_t>(c) & 31);
    return values;
}

int CharsetValue(char c) {
    for (int i = 0; i < 32; ++i) {
        if (kCharset[i] == c) return i;
    }
    return -1;
}

}  // namespace

std::string Bech32Encode(const std::string& hrp, const std::vector<uint8_t>& data) {
    std::vector<uint8_t> groups;
    uint32_t accumulator = 0;
    int bits = 0;
    for (uint8_t byte : data) {
        accumulator = accumulator << 8 | byte;
        bits += 8;
        while (bits >= 5) {
            bits -= 5;
            groups.push_back((accumulator >> bits) & 31);
        }
    }
    if (bits > 0) groups.push_back((accumulator << (5 - bits)) & 31);
    accumulator = 0;

    std::vector<uint8_t> values = ExpandHrp(hrp);
    values.insert(values.end(), groups.begin(), groups.end());
    values.insert(values.end(), 6, 0);
    const uint32_t checksum = Polymod(values) ^ 1;
    SecureZero(values);

    std::string text = hrp + '1';
    for (uint8_t group : groups) text += kCharset[group];
    for (int i = 0; i < 6; ++i) text += kCharset[(checksum >> (5 * (5 - i))) & 31];
    SecureZero(groups);
    return text;
}

bool Bech32Decode(const std::string& text, std::string* hrp, std::vector<uint8_t>* data) {
    bool lower = false;
    bool upper = false;
    for (char c : text) {
        if (c < 33 || c > 126) return false;
        lower |= c >= 'a' && c <= 'z';
        upper |= c >= 'A' && c <= 'Z';
    }
    if (lower && upper) return false;
    const std::size_t separator = text.rfind('1');
    if (separator == std::string::npos || separator == 0 || separator + 7 > text.size()) {
        return false;
    }
    std::string folded = text;
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    *hrp = folded.substr(0, separator);
    std::vector<uint8_t> values = ExpandHrp(*hrp);
    const std::size_t groupsStart = values.size();
    for (std::size_t i = separator + 1; i < folded.size(); ++i) {
        const int value = CharsetValue(folded[i]);
        if (value < 0) {
            SecureZero(folded);
            SecureZero(values);
            return false;
        }
        values.push_back(static_cast<uint8_t>(value));
    }
    SecureZero(folded);
    bool ok = Polymod(values) == 1;
    uint32_t accumulator = 0;
    int bits = 0;
    for (std::size_t i = groupsStart; ok && i + 6 < values.size(); ++i) {
        accumulator = (accumulator << 5 | values[i]) & 0xfff;
        bits += 5;
        if (bits >= 8) {
            bits -= 8;
            data->push_back(static_cast<uint8_t>(accumulator >> bits));
        }
    }
    // At most four bits of padding, all zero.
    ok = ok && bits < 5 && (accumulator & ((1u << bits) - 1)) == 0;
    accumulator = 0;
    SecureZero(values);
    return ok;
}

}  // namespace velmor::crypto::age
