#include "test_archive_builder.h"

#include <memory>
#include <stdexcept>

#include <zlib.h>

#include "zip/format/aes_crypto.h"
#include "zip/format/aes_ctr.h"
#include "zip/format/aes_format.h"
#include "zip/format/cipher.h"
#include "zip/format/crc32.h"

namespace velmor::zip::test {

namespace {

void AddU16(std::string& out, uint16_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>(v >> 8));
}

void AddU32(std::string& out, uint32_t v) {
    AddU16(out, static_cast<uint16_t>(v & 0xFFFF));
    AddU16(out, static_cast<uint16_t>(v >> 16));
}

void AddU64(std::string& out, uint64_t v) {
    AddU32(out, static_cast<uint32_t>(v & 0xFFFFFFFFu));
    AddU32(out, static_cast<uint32_t>(v >> 32));
}

constexpr uint32_t kMarker = 0xFFFFFFFFu;

// A Zip64 extra block holding the given values in order.
std::string Zip64Block(std::initializer_list<uint64_t> values) {
    std::string data;
    for (uint64_t v : values) AddU64(data, v);
    return ExtraBlock(0x0001, data);
}

// Salt, verifier, the AES-CTR content and the authentication code, made with the
// platform's primitives and a fixed salt.
std::string AesPayload(const TestEntry& e, std::string body) {
    const uint32_t keySize = 8u + 8u * e.aesStrength, saltSize = keySize / 2;
    const std::string salt(saltSize, '\x5A');
    AesCrypto& crypto = PlatformAesCrypto();
    uint8_t derived[2 * kAesMaxKeySize + kAesVerifierSize];
    uint8_t code[kSha1DigestSize];
    const auto* saltBytes = reinterpret_cast<const uint8_t*>(salt.data());
    auto* content = reinterpret_cast<uint8_t*>(&body[0]);
    if (!crypto.DerivePbkdf2Sha1(e.password, saltBytes, saltSize, kAesPbkdf2Iterations, derived,
                                 2 * keySize + kAesVerifierSize)) {
        throw std::runtime_error("PBKDF2");
    }
    auto cipher = crypto.CreateBlockCipher(derived, keySize);
    auto mac = crypto.CreateHmacSha1(derived + keySize, keySize);
    auto keystream = std::make_unique<AesCtrKeystream>(*cipher);
    if (!keystream->Apply(content, body.size()) || !mac->Update(content, body.size()) ||
        !mac->Finish(code)) {
        throw std::runtime_error("AES");
    }
    return salt + std::string(reinterpret_cast<char*>(derived) + 2 * keySize, kAesVerifierSize) +
           body + std::string(reinterpret_cast<char*>(code), kAesAuthCodeSize);
}

std::string AesBlock(const TestEntry& e) {
    std::string data;
    AddU16(data, kAesVersion1);
    AddU16(data, kAesVendorId);
    data.push_back(static_cast<char>(e.aesStrength));
    AddU16(data, e.method);
    return ExtraBlock(kAesExtraId, data);
}

std::string EntryPayload(const TestEntry& e, uint32_t crc) {
    std::string body = !e.packed.empty() ? e.packed : e.method == 8 ? RawDeflate(e.data) : e.data;
    if (e.aesStrength) return AesPayload(e, std::move(body));
    if (e.password.empty()) return body;
    CipherKeys keys(e.password);
    const uint8_t check = ExpectedCheckByte(e.dataDescriptor ? 0x0008 : 0, e.dosDateTime, crc);
    std::string plain = "0123456789A";
    plain.push_back(static_cast<char>(check));
    plain += body;
    std::string out(plain.size(), '\0');
    keys.Encrypt(reinterpret_cast<const uint8_t*>(plain.data()),
                 reinterpret_cast<uint8_t*>(&out[0]), plain.size());
    return out;
}

}  // namespace

std::string RawDeflate(const std::string& data, int level) {
    z_stream z{};
    if (deflateInit2(&z, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        throw std::runtime_error("deflateInit2");
    }
    std::string out(deflateBound(&z, static_cast<uLong>(data.size())) + 16, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(&out[0]);
    z.avail_out = static_cast<uInt>(out.size());
    const int rc = deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    if (rc != Z_STREAM_END) throw std::runtime_error("deflate");
    return out;
}

BuiltArchive BuildArchive(const std::vector<TestEntry>& entries, const std::string& comment,
                          bool zip64) {
    BuiltArchive built;
    std::string& out = built.bytes;
    std::vector<uint32_t> crcs;
    std::vector<uint32_t> sizes;
    for (const TestEntry& e : entries) {
        const uint32_t crc = ComputeCrc32(e.data.data(), e.data.size());
        const std::string payload = EntryPayload(e, crc);
        const uint16_t flags = static_cast<uint16_t>((e.password.empty() ? 0 : 1) |
                                                     (e.dataDescriptor ? 8 : 0) | e.moreFlags);
        const bool wideLocal = zip64 && !e.dataDescriptor;
        const std::string aesExtra = e.aesStrength ? AesBlock(e) : "";
        const uint16_t method = e.aesStrength ? kMethodAes : e.method;
        const std::string localExtra =
            (wideLocal ? Zip64Block({e.data.size(), payload.size()}) : "") + aesExtra +
            e.localExtra;
        built.localOffsets.push_back(out.size());
        AddU32(out, 0x04034b50);
        AddU16(out, zip64 ? 45 : 20);
        AddU16(out, flags);
        AddU16(out, method);
        AddU32(out, e.dosDateTime);
        AddU32(out, e.dataDescriptor ? 0 : crc);
        AddU32(out, e.dataDescriptor ? 0
                    : wideLocal      ? kMarker
                                     : static_cast<uint32_t>(payload.size()));
        AddU32(out, e.dataDescriptor ? 0
                    : wideLocal      ? kMarker
                                     : static_cast<uint32_t>(e.data.size()));
        AddU16(out, static_cast<uint16_t>(e.name.size()));
        AddU16(out, static_cast<uint16_t>(localExtra.size()));
        out += e.name;
        out += localExtra;
        built.dataOffsets.push_back(out.size());
        out += payload;
        if (e.dataDescriptor) {
            AddU32(out, 0x08074b50);
            AddU32(out, crc);
            if (zip64) {
                AddU64(out, payload.size());
                AddU64(out, e.data.size());
            } else {
                AddU32(out, static_cast<uint32_t>(payload.size()));
                AddU32(out, static_cast<uint32_t>(e.data.size()));
            }
        }
        crcs.push_back(crc);
        sizes.push_back(static_cast<uint32_t>(payload.size()));
    }
    const size_t centralStart = out.size();
    for (size_t i = 0; i < entries.size(); ++i) {
        const TestEntry& e = entries[i];
        const std::string centralExtra =
            (zip64 ? Zip64Block({e.data.size(), sizes[i], built.localOffsets[i]}) : "") +
            (e.aesStrength ? AesBlock(e) : "") + e.centralExtra;
        built.centralOffsets.push_back(out.size());
        AddU32(out, 0x02014b50);
        AddU16(out, e.versionMadeBy);
        AddU16(out, zip64 ? 45 : 20);
        AddU16(out, static_cast<uint16_t>((e.password.empty() ? 0 : 1) |
                                          (e.dataDescriptor ? 8 : 0) | e.moreFlags));
        AddU16(out, e.aesStrength ? kMethodAes : e.method);
        AddU32(out, e.dosDateTime);
        AddU32(out, crcs[i]);
        AddU32(out, zip64 ? kMarker : sizes[i]);
        AddU32(out, zip64 ? kMarker : static_cast<uint32_t>(e.data.size()));
        AddU16(out, static_cast<uint16_t>(e.name.size()));
        AddU16(out, static_cast<uint16_t>(centralExtra.size()));
        AddU16(out, static_cast<uint16_t>(e.comment.size()));
        AddU16(out, 0);
        AddU16(out, 0);
        AddU32(out, e.externalAttributes);
        AddU32(out, zip64 ? kMarker : static_cast<uint32_t>(built.localOffsets[i]));
        out += e.name;
        out += centralExtra;
        out += e.comment;
    }
    const size_t centralSize = out.size() - centralStart;
    if (zip64) {
        built.zip64EndOffset = out.size();
        AddU32(out, 0x06064b50);
        AddU64(out, 44);
        AddU16(out, 0x032D);
        AddU16(out, 45);
        AddU32(out, 0);
        AddU32(out, 0);
        AddU64(out, entries.size());
        AddU64(out, entries.size());
        AddU64(out, centralSize);
        AddU64(out, centralStart);
        built.zip64LocatorOffset = out.size();
        AddU32(out, 0x07064b50);
        AddU32(out, 0);
        AddU64(out, built.zip64EndOffset);
        AddU32(out, 1);
    }
    built.endOffset = out.size();
    AddU32(out, 0x06054b50);
    AddU16(out, 0);
    AddU16(out, 0);
    AddU16(out, zip64 ? 0xFFFF : static_cast<uint16_t>(entries.size()));
    AddU16(out, zip64 ? 0xFFFF : static_cast<uint16_t>(entries.size()));
    AddU32(out, zip64 ? kMarker : static_cast<uint32_t>(centralSize));
    AddU32(out, zip64 ? kMarker : static_cast<uint32_t>(centralStart));
    AddU16(out, static_cast<uint16_t>(comment.size()));
    out += comment;
    return built;
}

std::string TimestampBlock(uint8_t flags, int32_t modification, int32_t access, int32_t creation) {
    std::string data(1, static_cast<char>(flags));
    if (flags & 1) AddU32(data, static_cast<uint32_t>(modification));
    if (flags & 2) AddU32(data, static_cast<uint32_t>(access));
    if (flags & 4) AddU32(data, static_cast<uint32_t>(creation));
    return ExtraBlock(0x5455, data);
}

std::string ExtraBlock(uint16_t id, const std::string& data) {
    std::string out;
    AddU16(out, id);
    AddU16(out, static_cast<uint16_t>(data.size()));
    return out + data;
}

void PutU16(std::string& bytes, size_t at, uint16_t value) {
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>(value >> 8);
}

void PutU32(std::string& bytes, size_t at, uint32_t value) {
    PutU16(bytes, at, static_cast<uint16_t>(value & 0xFFFF));
    PutU16(bytes, at + 2, static_cast<uint16_t>(value >> 16));
}

void PutU64(std::string& bytes, size_t at, uint64_t value) {
    PutU32(bytes, at, static_cast<uint32_t>(value & 0xFFFFFFFFu));
    PutU32(bytes, at + 4, static_cast<uint32_t>(value >> 32));
}

uint32_t GetU32(const std::string& bytes, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(bytes[at + i]);
    return v;
}

}  // namespace velmor::zip::test
