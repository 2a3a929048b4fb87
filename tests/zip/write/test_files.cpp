#include "test_files.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include "zip/format/cipher.h"

namespace velmor::zip::test {

void WriteBytes(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD done = 0;
    if (!bytes.empty())
        WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
    CloseHandle(h);
    ASSERT_EQ(done, bytes.size());
}

std::vector<uint8_t> ReadBytes(const std::wstring& path) {
    std::vector<uint8_t> bytes;
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return bytes;
    uint8_t buf[65536];
    DWORD got = 0;
    while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0)
        bytes.insert(bytes.end(), buf, buf + got);
    CloseHandle(h);
    return bytes;
}

std::vector<uint8_t> TextBytes(size_t size, uint32_t seed) {
    static const char* const kWords[] = {"alpha", "beta",       "gamma", "delta", ";",
                                         "\r\n",  "<row id=\"", "\"/>",  "42"};
    std::vector<uint8_t> out;
    out.reserve(size);
    uint32_t x = seed * 2654435761u + 1;
    while (out.size() < size) {
        x = x * 1664525u + 1013904223u;
        const char* w = kWords[(x >> 24) % 9];
        for (const char* p = w; *p && out.size() < size; ++p)
            out.push_back(static_cast<uint8_t>(*p));
    }
    return out;
}

std::vector<uint8_t> NoiseBytes(size_t size, uint32_t seed) {
    std::vector<uint8_t> out(size);
    uint32_t x = seed ^ 0x9E3779B9u;
    for (auto& b : out) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<uint8_t>(x >> 3);
    }
    return out;
}

void SetTimes(const std::wstring& path, uint64_t creation, uint64_t access, uint64_t write) {
    HANDLE h = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    const FILETIME c = ToFileTime(creation), a = ToFileTime(access), w = ToFileTime(write);
    EXPECT_TRUE(SetFileTime(h, &c, &a, &w));
    CloseHandle(h);
}

ParsedArchive ParseArchive(const std::vector<uint8_t>& bytes) {
    ParsedArchive archive;
    if (bytes.size() < kEndRecordSize) {
        ADD_FAILURE() << "archive shorter than an end record";
        return archive;
    }
    archive.endOffset = bytes.size() - kEndRecordSize;
    if (!Decode(&bytes[archive.endOffset], archive.end)) {
        ADD_FAILURE() << "no end record at the end";
        return archive;
    }
    EXPECT_EQ(archive.end.entriesOnThisDisk, archive.end.entriesTotal);
    EXPECT_EQ(archive.end.centralDirectoryOffset + archive.end.centralDirectorySize,
              archive.endOffset);
    size_t pos = archive.end.centralDirectoryOffset;
    for (unsigned i = 0; i < archive.end.entriesTotal; ++i) {
        ParsedEntry e;
        if (pos + kCentralHeaderSize > bytes.size() || !Decode(&bytes[pos], e.central)) {
            ADD_FAILURE() << "bad central header " << i;
            return archive;
        }
        const uint8_t* p = &bytes[pos + kCentralHeaderSize];
        e.centralName.assign(reinterpret_cast<const char*>(p), e.central.nameLength);
        e.centralExtra.assign(p + e.central.nameLength,
                              p + e.central.nameLength + e.central.extraLength);
        pos += kCentralHeaderSize + e.central.nameLength + e.central.extraLength +
               e.central.commentLength;

        const size_t lh = e.central.localHeaderOffset;
        if (lh + kLocalHeaderSize > bytes.size() || !Decode(&bytes[lh], e.local)) {
            ADD_FAILURE() << "bad local header " << i << " at " << lh;
            return archive;
        }
        const uint8_t* q = &bytes[lh + kLocalHeaderSize];
        e.localName.assign(reinterpret_cast<const char*>(q), e.local.nameLength);
        e.localExtra.assign(q + e.local.nameLength, q + e.local.nameLength + e.local.extraLength);
        e.dataOffset = lh + kLocalHeaderSize + e.local.nameLength + e.local.extraLength;
        archive.entries.push_back(e);
    }
    EXPECT_EQ(pos, archive.endOffset);
    return archive;
}

std::vector<uint8_t> EntryContent(const std::vector<uint8_t>& archive, const ParsedEntry& entry,
                                  const std::string& password) {
    std::vector<uint8_t> data(
        archive.begin() + static_cast<long>(entry.dataOffset),
        archive.begin() + static_cast<long>(entry.dataOffset + entry.central.compressedSize));
    if (entry.central.flags & kFlagEncrypted) {
        CipherKeys keys(password);
        keys.DecryptInPlace(data.data(), data.size());
        EXPECT_EQ(data[11], ExpectedCheckByte(entry.central.flags, entry.central.dosDateTime,
                                              entry.central.crc32));
        data.erase(data.begin(), data.begin() + 12);
    }
    if (entry.central.method == kMethodStored) return data;
    std::vector<uint8_t> out(entry.central.uncompressedSize + 1);
    z_stream zs{};
    EXPECT_EQ(inflateInit2(&zs, -15), Z_OK);
    zs.next_in = data.data();
    zs.avail_in = static_cast<uInt>(data.size());
    zs.next_out = out.data();
    zs.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(inflate(&zs, Z_FINISH), Z_STREAM_END);
    EXPECT_EQ(zs.avail_in, 0u) << "bytes after the end of the deflate stream";
    out.resize(zs.total_out);
    inflateEnd(&zs);
    return out;
}

}  // namespace velmor::zip::test
