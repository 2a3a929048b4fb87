#include "zip/write/entry_encoder.h"

#include "zip/format/crc32.h"
#include "zip/format/records.h"
#include "zip/format/zip64.h"
#include "zip/write/entry_layout.h"

namespace velmor::zip {

EntryEncoder::EntryEncoder(WriterPlatform& platform, const std::string& password,
                           EntryEncryption encryption, int level)
    : platform_(platform),
      password_(password),
      aes_(!password.empty() && encryption == EntryEncryption::Aes256),
      level_(level),
      input_(kIoBufferSize),
      output_(kIoBufferSize) {}

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
    const AesEntryInfo aesInfo = AesInfoForNewEntry(method, description.size);
    const uint32_t overhead =
        aes_ ? aesInfo.overhead() : (encrypted ? uint32_t{kEncryptionHeaderSize} : 0);
    // The random bytes (header bytes or salt) are drawn first: without them nothing is written.
    uint8_t random[kAesMaxSaltSize];
    static_assert(sizeof random >= kEncryptionHeaderRandomSize, "room for either");
    if (encrypted &&
        !platform_.FillRandom(random, aes_ ? aesInfo.saltSize : kEncryptionHeaderRandomSize)) {
        result.status = ArchiveStatus::WriteFailed;
        return result;
    }
    const bool zip64Sizes = NeedsZip64Sizes(method, overhead, description.size);
    result.begun = true;
    if (!sink.Begin(description, zip64Sizes)) {
        result.status = ArchiveStatus::WriteFailed;
        return result;
    }
    // A header without the Zip64 sizes says at most 32 bits of either size: data beyond
    // that could never be described, so the entry ends as soon as they appear. An AES
    // entry keeps room for its code.
    const uint64_t limit =
        (zip64Sizes ? UINT64_MAX : kZip64Limit32) - (aes_ ? kAesAuthCodeSize : 0);
    if (aes_) {
        if (!StartAes(aesInfo, random, sink, result)) return result;
    } else if (encrypted) {
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
    if (aes_) {
        uint8_t code[kAesAuthCodeSize];
        const bool finished = aesEncryptor_->Finish(code);
        aesEncryptor_.reset();
        if (!finished || !sink.Data(code, kAesAuthCodeSize)) {
            result.status = ArchiveStatus::WriteFailed;
            return result;
        }
        result.compressedSize += kAesAuthCodeSize;
        return result;  // its local header is written again with the sizes read
    }
    // An encrypted stored entry announced its compressed size in a header it cannot rewrite.
    if (encrypted && method == kMethodStored && result.bytesRead != description.size) {
        result.status = ArchiveStatus::HeaderLocked;
    }
    return result;
}

EncodedEntry EntryEncoder::EncodeFolder(const std::wstring& folderPath, EntrySink& sink) {
    EncodedEntry result;
    SourceDescription description;
    if (!platform_.DescribeFolder(folderPath, &description)) {
        result.status = ArchiveStatus::NoFile;
        return result;
    }
    result.begun = true;
    if (!sink.Begin(description, false)) result.status = ArchiveStatus::WriteFailed;
    return result;
}

bool EntryEncoder::StartAes(const AesEntryInfo& info, const uint8_t* salt, EntrySink& sink,
                            EncodedEntry& result) {
    std::vector<uint8_t> front;
    aesEncryptor_ = AesEntryEncryptor::Create(platform_.Crypto(), password_, info, salt, &front);
    if (!aesEncryptor_ || !sink.Data(front.data(), static_cast<uint32_t>(front.size()))) {
        result.status = ArchiveStatus::WriteFailed;
        return false;
    }
    result.compressedSize = front.size();
    return true;
}

bool EntryEncoder::Emit(uint8_t* data, uint32_t size, uint64_t limit, EntrySink& sink,
                        EncodedEntry& result) {
    result.compressedSize += size;
    if (result.compressedSize > limit) {
        result.status = ArchiveStatus::HeaderLocked;
        return false;
    }
    if (aes_) {
        if (!aesEncryptor_->Encrypt(data, size)) {
            result.status = ArchiveStatus::WriteFailed;
            return false;
        }
    } else if (!password_.empty()) {
        keys_.Encrypt(data, data, size);
    }
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
        deflater_ = std::make_unique<Deflater>(level_);
    } else if (!deflater_->Reset()) {
        deflater_ = std::make_unique<Deflater>(level_);  // a failed stream left it unusable
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
