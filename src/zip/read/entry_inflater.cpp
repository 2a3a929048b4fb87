#include "zip/read/entry_inflater.h"

#include <iterator>

#include "zip/format/aes_format.h"
#include "zip/format/records.h"
#include "zip/read/bzip2_inflater.h"
#include "zip/read/deflate64_inflater.h"
#include "zip/read/deflate_inflater.h"
#include "zip/read/lzma_inflater.h"
#include "zip/read/xz_inflater.h"
#include "zip/read/zstd_inflater.h"

namespace velmor::zip {

namespace {

using MakeInflater = std::unique_ptr<EntryInflater> (*)(const InflaterSettings&);

struct InflaterKind {
    uint16_t method;
    MakeInflater make;
    uint64_t memory;  // the most its decoder holds for one entry, near enough
};

constexpr uint64_t kMiB = 1024 * 1024;
// A dictionary and the decoder's own state and buffers around it.
constexpr uint64_t kDictionaryDecoder = kMaxInflaterDictionary + 2 * kMiB;

// Every method this reader reads but stored. zlib's inflate holds a 32 KiB window, 7-Zip's
// Deflate64 decoder 64 KiB and a 1 MiB input buffer, libbz2 four bytes for each byte of a
// block of at most 900 kB.
const InflaterKind kInflaters[] = {
    {kMethodDeflated, MakeDeflateInflater, 64 * 1024},
    {kMethodDeflate64, MakeDeflate64Inflater, 2 * kMiB},
    {kMethodBzip2, MakeBzip2Inflater, 4 * kMiB},
    {kMethodLzma, MakeLzmaInflater, kDictionaryDecoder},
    {kMethodZstdDeprecated, MakeZstdInflater, kDictionaryDecoder},
    {kMethodZstd, MakeZstdInflater, kDictionaryDecoder},
    {kMethodXz, MakeXzInflater, kDictionaryDecoder},
};

const InflaterKind* FindKind(uint16_t method) {
    for (const InflaterKind& kind : kInflaters) {
        if (kind.method == method) return &kind;
    }
    return nullptr;
}

}  // namespace

bool IsReadableMethod(uint16_t method) {
    return method == kMethodStored || FindKind(method) != nullptr;
}

uint64_t InflaterMemoryBound(uint16_t method) {
    if (method == kMethodAes) return kDictionaryDecoder;
    const InflaterKind* kind = FindKind(method);
    return kind ? kind->memory : 0;
}

ReaderCode CreateInflater(const InflaterSettings& settings,
                          std::unique_ptr<EntryInflater>* inflater) {
    inflater->reset();
    const InflaterKind* kind = FindKind(settings.method);
    if (!kind) return ReaderCode::UnreadableEntry;
    *inflater = kind->make(settings);
    return *inflater ? ReaderCode::ReaderOk : ReaderCode::NoMemory;
}

}  // namespace velmor::zip
