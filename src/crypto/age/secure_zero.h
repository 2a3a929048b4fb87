// Wiping of key material: file keys, wrap keys, X25519 secrets, scrypt output and passwords
// are overwritten before their memory is given back, in a way the optimiser may not drop.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace velmor::crypto::age {

void SecureZero(void* data, std::size_t size);

// Compares in time that depends on size alone, for MACs.
bool ConstantTimeEqual(const uint8_t* a, const uint8_t* b, std::size_t size);

inline void SecureZero(std::string& text) {
    SecureZero(text.data(), text.size());
    text.clear();
}

inline void SecureZero(std::vector<uint8_t>& bytes) {
    SecureZero(bytes.data(), bytes.size());
    bytes.clear();
}

// A fixed-size secret that wipes itself when it goes out of scope.
template <std::size_t N>
class SecretBytes {
public:
    SecretBytes() : bytes_{} {}
    SecretBytes(const SecretBytes& other) : bytes_(other.bytes_) {}
    SecretBytes& operator=(const SecretBytes& other) {
        bytes_ = other.bytes_;
        return *this;
    }
    ~SecretBytes() { SecureZero(bytes_.data(), N); }

    uint8_t* data() { return bytes_.data(); }
    const uint8_t* data() const { return bytes_.data(); }
    static constexpr std::size_t size() { return N; }

private:
    std::array<uint8_t, N> bytes_;
};

// A password (or any secret text) that wipes itself.
class SecretString {
public:
    SecretString() = default;
    explicit SecretString(std::string text) : text_(std::move(text)) {}
    SecretString(const SecretString& other) : text_(other.text_) {}
    SecretString& operator=(const SecretString& other) {
        if (this != &other) {
            SecureZero(text_);
            text_ = other.text_;
        }
        return *this;
    }
    ~SecretString() { SecureZero(text_); }

    const std::string& str() const { return text_; }

private:
    std::string text_;
};

}  // namespace velmor::crypto::age
