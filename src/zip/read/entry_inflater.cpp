#include "zip/read/entry_inflater.h"

#include <iterator>

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
};

// Every method this reader reads but stored.
const InflaterKind kInflaters[] = {
    {kMethodDeflated, MakeDeflateInflater},
    {kMethodDeflate64, MakeDeflate64Inflater},
    {kMethodBzip2, MakeBzip2Inflater},
    {kMethodLzma, MakeLzmaInflater},
    {kMethodZstdDeprecated, MakeZstdInflater},
    {kMethodZstd, MakeZstdInflater},
    {kMethodXz, MakeXzInflater},
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

ReaderCode CreateInflater(const InflaterSettings& settings,
                          std::unique_ptr<EntryInflater>* inflater) {
    inflater->reset();
    const InflaterKind* kind = FindKind(settings.method);
    if (!kind) return ReaderCode::UnreadableEntry;
    *inflater = kind->make(settings);
    return *inflater ? ReaderCode::ReaderOk : ReaderCode::NoMemory;
}

}  // namespace velmor::zip
