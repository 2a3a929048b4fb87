#include "zip/write/entry_encoder.h"

#include "zip/format/crc32.h"
#include "zip/format/records.h"
#include "zip/format/zip64.h"
#include "zip/write/entry_layout.h"

namespace velmor::zip {

EntryEncoder::EntryEncoder(WriterPlatform& platform, const std::string& password)
    : platform_(platform), password_(password), input_(kIoBufferSize), output_(kIoBufferSize) {}

EntryEncoder::~EntryEncoder() = default;

EncodedEntry EntryEncoder::Encode(const std::wstring& sourcePath, uint16_t method,
                                  EntrySink& sink) {
    EncodedEntry result;
    SourceDescription description;
    std::unique_ptr<EntrySource> source = platform_.OpenSource(sourcePath, &description);
    if (!source) {
        result.status = ArchiveStatus::NoFile;
        return result;
    }
    const bool encrypted = !password_.empty();
    // The header's random bytes are drawn first: without them nothing is written.
    uint8_t random[kEncryptionHeaderRandomSize];
    if (encrypted && !platform_.FillRandom(random, sizeof random)) {
        result.status = ArchiveStatus::WriteFailed;
        return result;
    }
    const bool zip64Sizes = NeedsZip64Sizes(method, encrypted, description.size);
    result.begun = true;
    if (!sink.Begin(description, zip64Sizes)) {
        result.status = ArchiveStatus::WriteFailed;
        return result;
    }
    // A header without the Zip64 sizes says at most 32 bits of either size: data beyond
    // that could never be described, so the entry ends as soon as they appear.
    const uint64_t limit = zip64Sizes ? UINT64_MAX : kZip64Limit32;
    if (encrypted) {
        keys_ = CipherKeys(password_);
        uint8_t header[kEncryptionHeaderSize];
        // The check byte is the DOS time's high byte, since bit 3 is always set here.
        MakeEncryptionHeader(keys_, random,
                             ExpectedCheckByte(kFlagDataDescriptor, description.dosDateTime, 0),
                             header);
        result.compressedSize = kEncryptionHeaderSize;
        if (!sink.Data(header, kEncryptionHeaderSize)) {
            result.status = ArchiveStatus::WriteFailed;
            return result;
        }
    }
    const bool done = method == kMethodStored ? Stored(*source, limit, sink, result)
                                              : Deflated(*source, limit, sink, result);
    if (!done) return result;
    // An encrypted stored entry announced its compressed size in a header it cannot rewrite.
    if (encrypted && method == kMethodStored && result.bytesRead != description.size) {
        result.status = ArchiveStatus::HeaderLocked;
    }
    return result;
}

bool EntryEncoder::Emit(uint8_t* data, uint32_t size, uint64_t limit, EntrySink& sink,
                        EncodedEntry& result) {
    result.compressedSize += size;
    if (result.compressedSize > limit) {
        result.status = ArchiveStatus::HeaderLocked;
        return false;
    }
    if (!password_.empty()) keys_.Encrypt(data, data, size);
    if (!sink.Data(data, size)) {
        result.status = ArchiveStatus::WriteFailed;
        return false;
    }
    return true;
}

bool EntryEncoder::Stored(EntrySource& source, uint64_t limit, EntrySink& sink,
                          EncodedEntry& result) {
    Crc32 crc;
    for (;;) {
        const uint32_t got = source.Read(input_.data(), kIoBufferSize);
        if (got == 0) break;
        crc.Update(input_.data(), got);
        result.bytesRead += got;
        if (!Emit(input_.data(), got, limit, sink, result)) return false;
    }
    result.crc32 = crc.Value();
    return true;
}

bool EntryEncoder::Deflated(EntrySource& source, uint64_t limit, EntrySink& sink,
                            EncodedEntry& result) {
    if (!deflater_) {
        deflater_ = std::make_unique<Deflater>();
    } else if (!deflater_->Reset()) {
        deflater_ = std::make_unique<Deflater>();  // a failed stream left it unusable
    }
    Deflater& deflater = *deflater_;
    if (!deflater.ok()) {
        deflater_.reset();
        result.status = ArchiveStatus::WriteFailed;
        return false;
    }
    Crc32 crc;
    bool done = false;
    while (!done) {
        const uint32_t got = source.Read(input_.data(), kIoBufferSize);
        crc.Update(input_.data(), got);
        result.bytesRead += got;
        if (result.bytesRead > limit) {
            result.status = ArchiveStatus::HeaderLocked;
            return false;
        }
        const bool finish = got == 0;
        deflater.SetInput(input_.data(), got);
        long produced = 0;
        do {
            produced = deflater.Compress(output_.data(), kIoBufferSize, finish, &done);
            if (produced < 0) {
                result.status = ArchiveStatus::WriteFailed;
                return false;
            }
            if (produced > 0 &&
                !Emit(output_.data(), static_cast<uint32_t>(produced), limit, sink, result)) {
                return false;
            }
        } while (!done && (finish || deflater.HasPendingInput() ||
                           produced == static_cast<long>(kIoBufferSize)));
    }
    result.crc32 = crc.Value();
    return true;
}

}  // namespace velmor::zip
