#include "zip/write/writer.h"

#include <windows.h>

#include <algorithm>

#include "zip/format/crc32.h"
#include "zip/win/file_times.h"
#include "zip/format/records.h"
#include "zip/win/source_file.h"
#include "zip/win/system_random.h"

namespace velmor::zip {

std::unique_ptr<ArchiveWriter> ArchiveWriter::Create(const std::wstring& path,
                                                     const std::string& password) {
    std::unique_ptr<ArchiveOutput> file = CreateArchiveFile(path);
    if (!file) return nullptr;
    return std::make_unique<ArchiveWriter>(std::move(file), password);
}

ArchiveWriter::ArchiveWriter(std::unique_ptr<ArchiveOutput> output, const std::string& password)
    : output_(std::move(output)),
      password_(password.substr(0, password.find('\0'))),
      ioBuffer_(kIoBufferSize),
      inputBuffer_(kIoBufferSize) {}

ArchiveWriter::~ArchiveWriter() = default;

uint32_t ArchiveWriter::Output(const uint8_t* data, uint32_t size) {
    if (!encrypting_) return output_->Write(data, size);
    if (scratch_.size() < size) scratch_.resize(size);
    keys_.Encrypt(data, scratch_.data(), size);
    return output_->Write(scratch_.data(), size);
}

bool ArchiveWriter::Append(const uint8_t* data, uint32_t size) {
    const uint32_t done = Output(data, size);
    written_ += done;
    return done == size;
}

bool ArchiveWriter::Append(const std::vector<uint8_t>& bytes) {
    return Append(bytes.data(), static_cast<uint32_t>(bytes.size()));
}

ArchiveStatus ArchiveWriter::Abandon(ArchiveStatus status) {
    encrypting_ = false;
    // Whatever reached the file stays there; the next record starts after it.
    output_->SeekTo(written_);
    return status;
}

std::vector<uint8_t> ArchiveWriter::LocalHeaderBytes(const WriterEntry& entry) const {
    LocalFileHeader h;
    h.versionNeeded = kVersionNeeded;
    h.flags = entry.localFlags;
    h.method = entry.method;
    h.dosDateTime = entry.dosDateTime;
    h.crc32 = entry.crc32;
    h.compressedSize = entry.compressedSize;
    h.uncompressedSize = entry.uncompressedSize;
    h.nameLength = static_cast<uint16_t>(entry.storedName.size());
    h.extraLength = static_cast<uint16_t>(entry.localTimestampBlock.size());
    std::vector<uint8_t> bytes;
    bytes.reserve(kLocalHeaderSize + entry.storedName.size() + entry.localTimestampBlock.size());
    Encode(h, bytes);
    bytes.insert(bytes.end(), entry.storedName.begin(), entry.storedName.end());
    bytes.insert(bytes.end(), entry.localTimestampBlock.begin(), entry.localTimestampBlock.end());
    return bytes;
}

ArchiveStatus ArchiveWriter::AddEntry(const std::wstring& entryName, const std::wstring& sourcePath) {
    if (finished_ || !output_) return ArchiveStatus::BadArgument;
    if (entryName.empty() || entryName.size() > kMaxEntryNameLength) return ArchiveStatus::BadArgument;
    if (entries_.size() >= kMaxEntries || written_ >= kMaxArchiveSize) return ArchiveStatus::BadArgument;

    std::wstring name = entryName;
    std::replace(name.begin(), name.end(), L'\\', L'/');

    WriterEntry entry;
    entry.method = MethodForEntryName(name);
    StoredName stored;
    if (!EncodeEntryName(name, &stored)) return ArchiveStatus::BadArgument;
    entry.storedName = std::move(stored.bytes);
    entry.nameFlags = stored.flags;

    SourceFile source;
    if (!source.Open(sourcePath)) return ArchiveStatus::NoFile;
    const SourceInfo& info = source.info();
    // Sizes are 32-bit in the records and the reader takes them as signed.
    if (info.size > 0x7FFFFFFFu) return ArchiveStatus::BadArgument;
    const int32_t expectedSize = static_cast<int32_t>(info.size & 0xFFFFFFFFu);
    if (!UtcFileTimeToDosDateTime(info.lastWriteTime, &entry.dosDateTime)) return ArchiveStatus::NoFile;

    const auto unixTime = [](const FILETIME& ft) {
        return static_cast<int32_t>(static_cast<uint32_t>(FileTimeToUnixTime(ToUint64(ft)) & 0xFFFFFFFF));
    };
    const int32_t modification = unixTime(info.lastWriteTime);
    EncodeLocalTimestampBlock(modification, unixTime(info.lastAccessTime), unixTime(info.creationTime),
                              entry.localTimestampBlock);
    EncodeCentralTimestampBlock(modification, entry.centralTimestampBlock);
    entry.externalAttributes = ExternalAttributesFor(info.attributes);

    const ArchiveStatus status = WriteEntry(entry, source, expectedSize);
    source.Close();
    if (status != ArchiveStatus::Ok) return status;
    entries_.push_back(std::move(entry));
    return ArchiveStatus::Ok;
}

ArchiveStatus ArchiveWriter::WriteEntry(WriterEntry& entry, SourceFile& source, int32_t expectedSize) {
    const bool encrypted = !password_.empty();
    const uint32_t headerExtra = encrypted ? static_cast<uint32_t>(kEncryptionHeaderSize) : 0;
    entry.localFlags = (encrypted ? (kFlagDataDescriptor | kFlagEncrypted) : kFlagDataDescriptor) |
                       entry.nameFlags;
    entry.centralFlags = entry.localFlags;
    entry.crc32 = 0;
    entry.compressedSize = (entry.method == kMethodStored && expectedSize >= 0)
                               ? static_cast<uint32_t>(expectedSize) + headerExtra
                               : 0;
    entry.uncompressedSize = static_cast<uint32_t>(expectedSize);
    entry.localHeaderOffset = static_cast<uint32_t>(written_);

    // The header's random bytes are drawn first: without them nothing is written.
    uint8_t random[kEncryptionHeaderRandomSize];
    if (encrypted && !FillRandom(random, sizeof random)) return ArchiveStatus::WriteFailed;
    if (!Append(LocalHeaderBytes(entry))) return Abandon(ArchiveStatus::WriteFailed);

    if (encrypted) {
        if (!WriteEncryptionHeader(entry, random)) return Abandon(ArchiveStatus::WriteFailed);
        encrypting_ = true;
    }
    EntryData data;
    const ArchiveStatus dataStatus =
        entry.method == kMethodStored ? WriteStored(source, data) : WriteDeflated(source, data);
    encrypting_ = false;
    if (dataStatus != ArchiveStatus::Ok) return Abandon(dataStatus);
    return CompleteEntry(entry, data);
}

bool ArchiveWriter::WriteEncryptionHeader(const WriterEntry& entry,
                                          const uint8_t random[kEncryptionHeaderRandomSize]) {
    keys_ = CipherKeys(password_);
    uint8_t header[kEncryptionHeaderSize];
    // The check byte is the DOS time's high byte, since bit 3 is always set here.
    MakeEncryptionHeader(keys_, random, ExpectedCheckByte(entry.localFlags, entry.dosDateTime, 0), header);
    return Append(header, static_cast<uint32_t>(kEncryptionHeaderSize));
}

ArchiveStatus ArchiveWriter::WriteStored(SourceFile& source, EntryData& data) {
    Crc32 crc;
    for (;;) {
        const uint32_t got = source.Read(inputBuffer_.data(), kIoBufferSize);
        if (got == 0) break;
        crc.Update(inputBuffer_.data(), got);
        data.bytesRead += got;
        if (!Append(inputBuffer_.data(), got)) return ArchiveStatus::WriteFailed;
        data.compressedSize += got;
        if (data.bytesRead > kMaxArchiveSize) return ArchiveStatus::WriteFailed;
    }
    data.crc32 = crc.Value();
    return ArchiveStatus::Ok;
}

ArchiveStatus ArchiveWriter::WriteDeflated(SourceFile& source, EntryData& data) {
    if (!deflater_) {
        deflater_ = std::make_unique<Deflater>();
    } else if (!deflater_->Reset()) {
        deflater_ = std::make_unique<Deflater>();  // a failed stream left it unusable
    }
    Deflater& deflater = *deflater_;
    if (!deflater.ok()) {
        deflater_.reset();
        return ArchiveStatus::WriteFailed;
    }
    Crc32 crc;
    bool done = false;
    while (!done) {
        const uint32_t got = source.Read(inputBuffer_.data(), kIoBufferSize);
        crc.Update(inputBuffer_.data(), got);
        data.bytesRead += got;
        if (data.bytesRead > kMaxArchiveSize) return ArchiveStatus::WriteFailed;
        const bool finish = got == 0;
        deflater.SetInput(inputBuffer_.data(), got);
        long produced = 0;
        do {
            produced = deflater.Compress(ioBuffer_.data(), kIoBufferSize, finish, &done);
            if (produced < 0) return ArchiveStatus::WriteFailed;
            if (produced > 0) {
                if (!Append(ioBuffer_.data(), static_cast<uint32_t>(produced))) return ArchiveStatus::WriteFailed;
                data.compressedSize += static_cast<uint64_t>(produced);
            }
        } while (!done && (finish || deflater.HasPendingInput() ||
                           produced == static_cast<long>(kIoBufferSize)));
    }
    data.crc32 = crc.Value();
    return ArchiveStatus::Ok;
}

ArchiveStatus ArchiveWriter::CompleteEntry(WriterEntry& entry, const EntryData& data) {
    const bool encrypted = !password_.empty();
    const uint64_t compressedTotal = data.compressedSize + (encrypted ? kEncryptionHeaderSize : 0);
    if (written_ > kMaxArchiveSize) return Abandon(ArchiveStatus::WriteFailed);

    if (encrypted) {
        if (entry.method == kMethodStored && compressedTotal != entry.compressedSize) {
            return Abandon(ArchiveStatus::HeaderLocked);
        }
        entry.crc32 = data.crc32;
        entry.compressedSize = static_cast<uint32_t>(compressedTotal);
        entry.uncompressedSize = static_cast<uint32_t>(data.bytesRead);
        std::vector<uint8_t> descriptor;
        Encode(DataDescriptor{entry.crc32, entry.compressedSize, entry.uncompressedSize}, descriptor);
        if (!Append(descriptor)) return Abandon(ArchiveStatus::WriteFailed);
        return ArchiveStatus::Ok;
    }

    entry.crc32 = data.crc32;
    entry.compressedSize = static_cast<uint32_t>(compressedTotal);
    entry.uncompressedSize = static_cast<uint32_t>(data.bytesRead);
    entry.localFlags = (entry.method == kMethodDeflated ? kFlagMaxCompression : 0) | entry.nameFlags;
    entry.centralFlags = entry.localFlags;
    const std::vector<uint8_t> header = LocalHeaderBytes(entry);
    if (!output_->SeekTo(entry.localHeaderOffset)) return Abandon(ArchiveStatus::SeekFailed);
    const uint32_t rewritten = output_->Write(header.data(), static_cast<uint32_t>(header.size()));
    if (!output_->SeekTo(written_)) return Abandon(ArchiveStatus::SeekFailed);
    if (rewritten != header.size()) return Abandon(ArchiveStatus::WriteFailed);
    return ArchiveStatus::Ok;
}

ArchiveStatus ArchiveWriter::Finish() {
    if (finished_ || !output_) return ArchiveStatus::BadArgument;
    finished_ = true;
    const uint64_t start = written_;
    bool complete = true;
    for (const WriterEntry& entry : entries_) {
        CentralFileHeader h;
        h.versionMadeBy = kVersionMadeBy;
        h.versionNeeded = kVersionNeeded;
        h.flags = entry.centralFlags;
        h.method = entry.method;
        h.dosDateTime = entry.dosDateTime;
        h.crc32 = entry.crc32;
        h.compressedSize = entry.compressedSize;
        h.uncompressedSize = entry.uncompressedSize;
        h.nameLength = static_cast<uint16_t>(entry.storedName.size());
        h.extraLength = static_cast<uint16_t>(entry.centralTimestampBlock.size());
        h.externalAttributes = entry.externalAttributes;
        h.localHeaderOffset = entry.localHeaderOffset;
        std::vector<uint8_t> bytes;
        Encode(h, bytes);
        bytes.insert(bytes.end(), entry.storedName.begin(), entry.storedName.end());
        bytes.insert(bytes.end(), entry.centralTimestampBlock.begin(), entry.centralTimestampBlock.end());
        if (!Append(bytes)) {
            complete = false;
            break;
        }
    }
    if (complete) {
        EndOfCentralDirectory end;
        end.entriesOnThisDisk = end.entriesTotal = static_cast<uint16_t>(entries_.size());
        end.centralDirectorySize = static_cast<uint32_t>(written_ - start);
        end.centralDirectoryOffset = static_cast<uint32_t>(start);
        std::vector<uint8_t> bytes;
        Encode(end, bytes);
        complete = Append(bytes);
    }
    entries_.clear();
    output_.reset();  // closes the archive file
    return complete ? ArchiveStatus::Ok : ArchiveStatus::WriteFailed;
}

}  // namespace velmor::zip
