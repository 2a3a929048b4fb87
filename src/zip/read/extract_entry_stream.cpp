#include "zip/read/extract_entry_stream.h"

#include <algorithm>
#include <new>
#include <vector>

#include <zlib.h>

#include "zip/format/aes_format.h"

namespace velmor::zip {

EntryStream::EntryStream(ByteSource& source, uint64_t prefixLength, const std::string& password)
    : source_(source), prefixLength_(prefixLength), keys_(password) {}

ReaderCode LocateCurrentEntry(CentralDirectoryCursor& cursor, EntryLocation* location) {
    if (!cursor.valid()) return ReaderCode::NoCurrentEntry;
    if (cursor.CheckLocalHeader(&location->placement) != ReaderCode::ReaderOk) {
        return ReaderCode::BadArchive;
    }
    location->header = cursor.header();
    location->extent = cursor.extent();
    location->prefixLength = cursor.prefixLength();
    return ReaderCode::ReaderOk;
}

ReaderCode EntryStream::Open(CentralDirectoryCursor& cursor, const std::string& password,
                             std::unique_ptr<EntryStream>* stream, InflaterMemory* memory) {
    stream->reset();
    EntryLocation location;
    const ReaderCode located = LocateCurrentEntry(cursor, &location);
    if (located != ReaderCode::ReaderOk) return located;
    return Open(cursor.source(), location, password, stream, memory);
}

ReaderCode EntryStream::Open(ByteSource& source, const EntryLocation& location,
                             const std::string& password, std::unique_ptr<EntryStream>* stream,
                             InflaterMemory* memory) {
    stream->reset();
    std::unique_ptr<EntryStream> opened(new (std::nothrow)
                                            EntryStream(source, location.prefixLength, password));
    if (!opened) return ReaderCode::NoMemory;
    opened->input_.reset(new (std::nothrow) uint8_t[kEntryChunkSize]);
    if (!opened->input_) return ReaderCode::NoMemory;

    const CentralFileHeader& header = location.header;
    opened->expectedCrc_ = header.crc32;
    opened->method_ = header.method;
    opened->compressedLeft_ = location.extent.compressedSize;
    opened->uncompressedLeft_ = location.extent.uncompressedSize;
    opened->nextPosition_ = location.placement.dataPosition;
    if (header.method == kMethodAes) {
        const ReaderCode aes = opened->OpenAes(location.placement, password);
        if (aes != ReaderCode::ReaderOk) return aes;
    } else {
        opened->encrypted_ = (header.flags & kFlagEncrypted) != 0;
        opened->headerLeft_ = opened->encrypted_ ? kEncryptionHeaderSize : 0;
        opened->checkByte_ = ExpectedCheckByte(header.flags, header.dosDateTime, header.crc32);
    }
    if (opened->method_ != kMethodStored) {
        InflaterSettings settings;
        settings.method = opened->method_;
        settings.flags = header.flags;
        settings.uncompressedSize = location.extent.uncompressedSize;
        settings.memory = memory;
        // Without an inflater every read fails, and reports why.
        const ReaderCode created = CreateInflater(settings, &opened->inflater_);
        if (created != ReaderCode::ReaderOk) opened->failure_ = static_cast<int32_t>(created);
    }
    *stream = std::move(opened);
    return ReaderCode::ReaderOk;
}

// The real method and the key strength come from the local header's 0x9901 block; the
// traditional cipher and its check byte play no part, whatever bit 0 says.
ReaderCode EntryStream::OpenAes(const LocalHeaderPlacement& placement,
                                const std::string& password) {
    std::vector<uint8_t> extra(placement.extraLength);
    if (!extra.empty() && !source_.ReadAt(prefixLength_ + placement.extraPosition, extra.data(),
                                          placement.extraLength)) {
        return ReaderCode::BadArchive;
    }
    AesEntryInfo info;
    if (!FindAesExtra(extra.data(), extra.size(), &info)) return ReaderCode::BadArchive;
    const ReaderCode created =
        AesEntrySource::Create(source_, prefixLength_ + placement.dataPosition, compressedLeft_,
                               info, password, PlatformAesCrypto(), &aes_);
    if (created != ReaderCode::ReaderOk) return created;
    method_ = info.method;
    checkCrc_ = info.checksCrc();
    compressedLeft_ = aes_->contentSize();
    return ReaderCode::ReaderOk;
}

ReaderCode EntryStream::Refill() {
    const uint32_t size =
        static_cast<uint32_t>(std::min<uint64_t>(kEntryChunkSize, compressedLeft_));
    if (aes_) {
        const ReaderCode read = aes_->Read(input_.get(), size);
        if (read != ReaderCode::ReaderOk) return read;
    } else if (!source_.IsSeekable() ||
               !source_.ReadAt(prefixLength_ + nextPosition_, input_.get(), size)) {
        return ReaderCode::IoError;
    }
    nextPosition_ += size;
    compressedLeft_ -= size;
    if (encrypted_) keys_.DecryptInPlace(input_.get(), size);
    pendingStart_ = 0;
    pendingCount_ = size;
    return ReaderCode::ReaderOk;
}

// Input ready to be taken: ReaderOk with pendingCount_ > 0, or with none once the entry's data
// have all been read; else the failure of reading them or of the traditional cipher's header,
// which is passed over first and its check byte compared.
ReaderCode EntryStream::Pend() {
    for (;;) {
        if (pendingCount_ == 0) {
            if (compressedLeft_ == 0) {
                return headerLeft_ > 0 ? ReaderCode::DataTruncated : ReaderCode::ReaderOk;
            }
            const ReaderCode refilled = Refill();
            if (refilled != ReaderCode::ReaderOk) return refilled;
        }
        if (headerLeft_ == 0) return ReaderCode::ReaderOk;
        const uint32_t k = std::min(headerLeft_, pendingCount_);
        pendingStart_ += k;
        pendingCount_ -= k;
        headerLeft_ -= k;
        if (headerLeft_ == 0 && input_[pendingStart_ - 1] != checkByte_) {
            return ReaderCode::CheckByteMismatch;
        }
    }
}

// What an inflater that asks for its input reads.
int32_t EntryStream::ReadInput(uint8_t* data, uint32_t capacity) {
    const ReaderCode pended = Pend();
    if (pended != ReaderCode::ReaderOk) return static_cast<int32_t>(pended);
    const uint32_t m = std::min(capacity, pendingCount_);
    std::copy_n(input_.get() + pendingStart_, m, data);
    pendingStart_ += m;
    pendingCount_ -= m;
    return static_cast<int32_t>(m);
}

// A failure stays: every later call reports it. When some bytes were made first, those are
// handed over and the failure comes with the next call, so that what reaches the caller
// before a failure does not depend on how much it asks for at a time.
int32_t EntryStream::Fail(int32_t code, uint32_t produced) {
    failure_ = code;
    return produced > 0 ? static_cast<int32_t>(produced) : code;
}

int32_t EntryStream::Read(uint8_t* out, uint32_t capacity) {
    if (capacity == 0) return 0;
    if (failure_ != 0) return failure_;
    // The password verifier is checked before anything else, even for an empty entry.
    if (aes_ && !aes_->started()) {
        const ReaderCode started = aes_->Start();
        if (started != ReaderCode::ReaderOk) return Fail(static_cast<int32_t>(started), 0);
    }
    uint32_t want = static_cast<uint32_t>(std::min<uint64_t>(capacity, uncompressedLeft_));
    if (want == 0 || dataEnded_) return 0;
    // Bounded by the int32 result: the entry stream never produces more than 2 GiB per call.
    want = std::min<uint32_t>(want, INT32_MAX);
    uint32_t produced = 0;
    while (want > 0) {
        const ReaderCode pended = Pend();
        if (pended != ReaderCode::ReaderOk) return Fail(static_cast<int32_t>(pended), produced);
        if (!inflater_) {
            // Input that has run out before the recorded size was produced cannot be
            // waited for: the entry is short.
            if (pendingCount_ == 0) {
                return Fail(static_cast<int32_t>(ReaderCode::DataTruncated), produced);
            }
            const uint32_t m = std::min(want, pendingCount_);
            std::copy_n(input_.get() + pendingStart_, m, out + produced);
            crc_.Update(out + produced, m);
            pendingStart_ += m;
            pendingCount_ -= m;
            uncompressedLeft_ -= m;
            want -= m;
            produced += m;
            continue;
        }
        uint32_t made = 0;
        const int32_t result = inflater_->PullsInput() ? Pull(out + produced, want, &made)
                                                       : Inflate(out + produced, want, &made);
        crc_.Update(out + produced, made);
        uncompressedLeft_ -= made;
        want -= made;
        produced += made;
        if (result == kInflateEnd) {
            dataEnded_ = true;
            return static_cast<int32_t>(produced);
        }
        if (result < 0) return Fail(result, produced);
    }
    return static_cast<int32_t>(produced);
}

// One step of the inflater over the pending input. An inflater that can neither take nor
// make anything waits, once all input was handed over, for data that will never come, and
// otherwise is stuck on what it was given: the loop ends either way.
int32_t EntryStream::Inflate(uint8_t* out, uint32_t want, uint32_t* made) {
    uint32_t consumed = 0;
    const int32_t result =
        inflater_->Inflate(input_.get() + pendingStart_, pendingCount_, out, want, &consumed, made);
    const bool inputEnded = pendingCount_ == 0 && compressedLeft_ == 0;
    pendingStart_ += consumed;
    pendingCount_ -= consumed;
    if (result == kInflateMore && consumed == 0 && *made == 0) {
        return inputEnded ? static_cast<int32_t>(ReaderCode::DataTruncated) : Z_DATA_ERROR;
    }
    return result;
}

// One step of an inflater that reads its input itself; one that makes nothing and has not
// ended is stuck.
int32_t EntryStream::Pull(uint8_t* out, uint32_t want, uint32_t* made) {
    const int32_t result = inflater_->Pull(*this, out, want, made);
    if (result == kInflateMore && *made == 0) return Z_DATA_ERROR;
    return result;
}

ReaderCode EntryStream::Finish() {
    if (aes_) {
        const ReaderCode authenticated = aes_->Finish(input_.get(), kEntryChunkSize);
        if (authenticated != ReaderCode::ReaderOk) return authenticated;
    }
    if (uncompressedLeft_ != 0) return ReaderCode::DataTruncated;
    if (checkCrc_ && crc_.Value() != expectedCrc_) return ReaderCode::CrcMismatch;
    return ReaderCode::ReaderOk;
}

}  // namespace velmor::zip
