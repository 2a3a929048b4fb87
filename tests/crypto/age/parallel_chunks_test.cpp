// Chunks sealed and opened on several threads at once, each by the pure chunk functions, give
// the bytes the in-order stream gives on one thread; and the ends of streams that other
// writers could make, built chunk by chunk.
#include <gtest/gtest.h>

#include <algorithm>
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

#include "crypto/age/age_cli.h"
#include "crypto/age/armor.h"
#include "crypto/age/stream.h"

using namespace velmor::crypto::age;
using velmor::test::age::PatternBytes;

namespace {

TEST(AgeParallelChunks, ThreadsMatchOneStream) {
    constexpr std::size_t kChunks = 9;
    const std::vector<uint8_t> plain = PatternBytes((kChunks - 1) * kChunkSize + 123, 4);
    SecretBytes<kKeySize> key;
    for (std::size_t i = 0; i < kKeySize; ++i) key.data()[i] = static_cast<uint8_t>(i * 7);

    std::vector<uint8_t> sequential;
    StreamEncryptor encryptor(OpenSslAgeCrypto(), key);
    ASSERT_EQ(encryptor.Update(plain.data(), plain.size(), &sequential), AgeStatus::kOk);
    ASSERT_EQ(encryptor.Finish(&sequential), AgeStatus::kOk);
    ASSERT_EQ(sequential.size(), plain.size() + kChunks * kTagSize);

    std::vector<uint8_t> sealed(sequential.size());
    std::vector<uint8_t> opened(plain.size());
    std::atomic<std::size_t> next{0};
    std::atomic<int> failures{0};
    auto work = [&] {
        for (std::size_t i; (i = next++) < 2 * kChunks;) {
            const std::size_t chunk = i % kChunks;
            const bool last = chunk == kChunks - 1;
            const std::size_t size = last ? plain.size() - chunk * kChunkSize : kChunkSize;
            const std::size_t in = chunk * kChunkSize;
            const std::size_t out = chunk * kSealedChunkSize;
            const bool ok = i < kChunks ? SealChunk(OpenSslAgeCrypto(), key.data(), chunk, last,
                                                    plain.data() + in, size, sealed.data() + out)
                                        : OpenChunk(OpenSslAgeCrypto(), key.data(), chunk, last,
                                                    sequential.data() + out, size + kTagSize,
                                                    opened.data() + in);
            if (!ok) ++failures;
        }
    };
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) threads.emplace_back(work);
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(sealed, sequential);
    EXPECT_EQ(opened, plain);
}

// The streams' own thread driver: the bytes of one thread for any split of the input, a
// changed byte found whichever thread opens its chunk; and the armor read and written in
// pieces equals the armor at once.
TEST(AgeParallelChunks, StreamsOnThreadsMatchOneThread) {
    SecretBytes<kKeySize> key;
    key.data()[3] = 9;
    const std::vector<uint8_t> plain = PatternBytes(11 * kChunkSize + 5, 6);
    auto seal = [&](unsigned threads, std::size_t piece) {
        StreamEncryptor encryptor(OpenSslAgeCrypto(), key);
        encryptor.SetThreads(threads);
        std::vector<uint8_t> out;
        for (std::size_t at = 0; at < plain.size(); at += piece) {
            const std::size_t n = plain.size() - at < piece ? plain.size() - at : piece;
            EXPECT_EQ(encryptor.Update(plain.data() + at, n, &out), AgeStatus::kOk);
        }
        EXPECT_EQ(encryptor.Finish(&out), AgeStatus::kOk);
        return out;
    };
    auto open = [&](const std::vector<uint8_t>& sealed, unsigned threads, std::vector<uint8_t>* out,
                    std::size_t piece = SIZE_MAX) {
        StreamDecryptor decryptor(OpenSslAgeCrypto(), key);
        decryptor.SetThreads(threads);
        AgeStatus status = AgeStatus::kOk;
        for (std::size_t at = 0; at < sealed.size() && status == AgeStatus::kOk; at += piece) {
            const std::size_t n = std::min(piece, sealed.size() - at);
            status = decryptor.Update(sealed.data() + at, n, out);
        }
        return status == AgeStatus::kOk ? decryptor.Finish(out) : status;
    };
    const std::vector<uint8_t> one = seal(1, plain.size());
    for (unsigned threads : {2u, 3u, 8u}) {
        for (std::size_t piece : {plain.size(), 3 * kChunkSize + 1, kChunkSize}) {
            EXPECT_EQ(seal(threads, piece), one) << threads << " " << piece;
        }
        std::vector<uint8_t> opened;
        for (std::size_t piece : {std::size_t{SIZE_MAX}, 3 * kSealedChunkSize + 1, kSealedChunkSize,
                                  std::size_t{1000}}) {
            opened.clear();
            EXPECT_EQ(open(one, threads, &opened, piece), AgeStatus::kOk) << piece;
            EXPECT_EQ(opened, plain) << piece;
        }
        for (std::size_t chunk : {0u, 6u, 10u}) {
            std::vector<uint8_t> changed = one;
            changed[chunk * kSealedChunkSize + 17] ^= 1;
            opened.clear();
            EXPECT_EQ(open(changed, threads, &opened), AgeStatus::kDamaged) << chunk;
        }
    }

    const std::vector<uint8_t> small(plain.begin(), plain.begin() + 1000);
    const std::string armored = ArmorEncode(small.data(), small.size());
    for (std::size_t piece : {1u, 47u, 4096u}) {
        std::string text;
        ArmorEncoder encoder;
        std::vector<uint8_t> back;
        ArmorDecoder decoder;
        for (std::size_t at = 0; at < small.size(); at += piece) {
            encoder.Update(small.data() + at, std::min(piece, small.size() - at), &text);
        }
        encoder.Finish(&text);
        EXPECT_EQ(text, armored);
        const auto* bytes = reinterpret_cast<const uint8_t*>(armored.data());
        for (std::size_t at = 0; at < armored.size(); at += piece) {
            ASSERT_EQ(decoder.Update(bytes + at, std::min(piece, armored.size() - at), &back),
                      AgeStatus::kOk);
        }
        EXPECT_EQ(decoder.Finish(&back), AgeStatus::kOk);
        EXPECT_EQ(back, small);
    }
}

TEST(AgeStreamEnds, OnlyTheLastChunkCarriesTheFlag) {
    SecretBytes<kKeySize> key;
    key.data()[0] = 1;
    const std::vector<uint8_t> full = PatternBytes(kChunkSize, 5);
    auto sealed = [&](uint64_t counter, bool last, std::size_t size) {
        std::vector<uint8_t> out(size + kTagSize);
        EXPECT_TRUE(SealChunk(OpenSslAgeCrypto(), key.data(), counter, last, full.data(), size,
                              out.data()));
        return out;
    };
    auto join = [](std::vector<std::vector<uint8_t>> chunks) {
        std::vector<uint8_t> all;
        for (const auto& chunk : chunks) all.insert(all.end(), chunk.begin(), chunk.end());
        return all;
    };
    struct Row {
        const char* name;
        std::vector<uint8_t> stream;
        AgeStatus expected;
    };
    const Row rows[] = {
        {"empty payload", sealed(0, true, 0), AgeStatus::kOk},
        {"one full chunk, last", sealed(0, true, kChunkSize), AgeStatus::kOk},
        {"full, then a short last", join({sealed(0, false, kChunkSize), sealed(1, true, 9)}),
         AgeStatus::kOk},
        // A writer that always closes with an empty chunk: refused after the first chunk.
        {"full, then an empty last", join({sealed(0, false, kChunkSize), sealed(1, true, 0)}),
         AgeStatus::kDamaged},
        {"full chunk not flagged last", sealed(0, false, kChunkSize), AgeStatus::kDamaged},
        {"last flag on a middle chunk", join({sealed(0, true, kChunkSize), sealed(1, true, 9)}),
         AgeStatus::kDamaged},
        {"counter skipped", join({sealed(0, false, kChunkSize), sealed(2, true, 9)}),
         AgeStatus::kDamaged},
        {"short chunk in the middle", join({sealed(0, false, 9), sealed(1, true, 9)}),
         AgeStatus::kDamaged},
        {"nothing at all", {}, AgeStatus::kDamaged},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        StreamDecryptor decryptor(OpenSslAgeCrypto(), key);
        std::vector<uint8_t> plain;
        AgeStatus status = decryptor.Update(row.stream.data(), row.stream.size(), &plain);
        if (status == AgeStatus::kOk) status = decryptor.Finish(&plain);
        EXPECT_EQ(status, row.expected);
    }
}

}  // namespace
