#include "zip/write/writer.h"

#include <algorithm>

#include "zip/format/records.h"
#include "zip/stored_name.h"
#include "zip/write/aes_entry_encryptor.h"
#include "zip/write/entry_layout.h"

namespace velmor::zip {

namespace {

// Hands what an encoder makes straight to the writer.
class DirectSink final : public EntrySink {
public:
    DirectSink(ArchiveWriter& writer, EntryPlan& plan) : writer_(writer), plan_(plan) {}
    bool Begin(const SourceDescription& description, bool zip64Sizes) override {
        return writer_.BeginEntry(plan_, description, zip64Sizes);
    }
    bool Data(const uint8_t* data, uint32_t size) override { return writer_.EntryData(data, size); }

private:
    ArchiveWriter& writer_;
    EntryPlan& plan_;
};

}  // namespace

ArchiveWriter::ArchiveWriter(std::unique_ptr<ArchiveOutput> output, const std::string& password,
                             WriterPlatform& platform, EntryEncryption encryption, int level)
    : output_(std::move(output)),
      password_(password.substr(0, password.find('\0'))),
      encryption_(encryption),
      level_(level),
      aes_(!password_.empty() && encryption == EntryEncryption::Aes256),
      platform_(platform) {}

ArchiveWriter::~ArchiveWriter() = default;

bool ArchiveWriter::Append(const uint8_t* data, uint32_t size) {
    const uint32_t done = output_->Write(data, size);
    written_ += done;
    return done == size;
}

bool ArchiveWriter::Append(const std::vector<uint8_t>& bytes) {
    return Append(bytes.data(), static_cast<uint32_t>(bytes.size()));
}

ArchiveStatus ArchiveWriter::Abandon(ArchiveStatus status) {
    // Whatever reached the file stays there; the next record starts after it.
    output_->SeekTo(written_);
    return status;
}

ArchiveStatus ArchiveWriter::PlanEntry(const std::wstring& entryName,
                                       const std::wstring& sourcePath, EntryPlan* plan,
                                       bool folder) const {
    if (finished_ || !output_) return ArchiveStatus::BadArgument;
    if (entryName.empty() || entryName.size() > kMaxEntryNameLength)
        return ArchiveStatus::BadArgument;
    std::wstring name = entryName;
    std::replace(name.begin(), name.end(), L'\\', L'/');
    if (folder && name.back() != L'/') name += L'/';
    if (name.size() > kMaxEntryNameLength) return ArchiveStatus::BadArgument;
    StoredName stored;
    if (!platform_.EncodeName(name, &stored)) return ArchiveStatus::BadArgument;
    WriterEntry& entry = plan->entry;
    entry = WriterEntry();
    entry.method = folder || level_ == kStoreLevel ? kMethodStored : MethodForEntryName(name);
    entry.unicodePathBlock = UnicodePathBlockFor(stored.bytes, stored.flags, name);
    entry.storedName = std::move(stored.bytes);
    entry.nameFlags = stored.flags;
    plan->sourcePath = sourcePath;
    plan->folder = folder;
    return ArchiveStatus::Ok;
}

EncodedEntry ArchiveWriter::Encode(EntryEncoder& encoder, const EntryPlan& plan, EntrySink& sink) {
    return plan.folder ? encoder.EncodeFolder(plan.sourcePath, sink)
                       : encoder.Encode(plan.sourcePath, plan.entry.method, sink);
}

ArchiveStatus ArchiveWriter::AddEntry(const std::wstring& entryName, const std::wstring& sourcePath,
                                      bool folder) {
    EntryPlan plan;
    const ArchiveStatus planned = PlanEntry(entryName, sourcePath, &plan, folder);
    if (planned != ArchiveStatus::Ok) return planned;
    if (!encoder_)
        encoder_ = std::make_unique<EntryEncoder>(platform_, password_, encryption_, level_);
    DirectSink sink(*this, plan);
    return EndEntry(plan, Encode(*encoder_, plan, sink));
}

bool ArchiveWriter::BeginEntry(EntryPlan& plan, const SourceDescription& description,
                               bool zip64Sizes) {
    WriterEntry& entry = plan.entry;
    const bool encrypted = !password_.empty() && !plan.folder;
    EncodeLocalTimestampBlock(description.modification, description.access, description.creation,
                              entry.localTimestampBlock);
    EncodeCentralTimestampBlock(description.modification, entry.centralTimestampBlock);
    entry.externalAttributes = ExternalAttributesFor(description.attributes);
    entry.dosDateTime = description.dosDateTime;
    entry.zip64Sizes = zip64Sizes;
    // A folder's header is final as written: it has no data to follow.
    entry.localFlags = (plan.folder ? 0
                        : encrypted ? (kFlagDataDescriptor | kFlagEncrypted)
                                    : kFlagDataDescriptor) |
                       entry.nameFlags;
    entry.centralFlags = entry.localFlags;
    entry.crc32 = 0;
    uint32_t overhead = encrypted ? kEncryptionHeaderSize : 0;
    entry.aesBlock.clear();
    if (aes_ && !plan.folder) {
        const AesEntryInfo info = AesInfoForNewEntry(entry.method, description.size);
        AppendAesExtra(info, entry.aesBlock);
        entry.aesChecksCrc = info.checksCrc();
        overhead = info.overhead();
    }
    entry.compressedSize = entry.method == kMethodStored ? description.size + overhead : 0;
    entry.uncompressedSize = description.size;
    entry.localHeaderOffset = written_;
    return Append(LocalHeaderBytes(entry));
}

bool ArchiveWriter::EntryData(const uint8_t* data, uint32_t size) { return Append(data, size); }

ArchiveStatus ArchiveWriter::EndEntry(EntryPlan& plan, const EncodedEntry& encoded) {
    if (encoded.status != ArchiveStatus::Ok) {
        return encoded.begun ? Abandon(encoded.status) : encoded.status;
    }
    const ArchiveStatus status =
        plan.folder ? ArchiveStatus::Ok : CompleteEntry(plan.entry, encoded);
    if (status == ArchiveStatus::Ok) entries_.push_back(std::move(plan.entry));
    return status;
}

ArchiveStatus ArchiveWriter::CompleteEntry(WriterEntry& entry, const EncodedEntry& encoded) {
    entry.crc32 = entry.aesBlock.empty() || entry.aesChecksCrc ? encoded.crc32 : 0;
    entry.compressedSize = encoded.compressedSize;
    entry.uncompressedSize = encoded.bytesRead;
    if (!password_.empty() && !aes_) {
        // The local header stays as written; the descriptor carries the final values.
        if (!Append(DataDescriptorBytes(entry))) return Abandon(ArchiveStatus::WriteFailed);
        return ArchiveStatus::Ok;
    }
    entry.localFlags = (entry.method == kMethodDeflated ? DeflateLevelFlags(level_) : 0) |
                       (aes_ ? kFlagEncrypted : 0) | entry.nameFlags;
    entry.centralFlags = entry.localFlags;
    const std::vector<uint8_t> header = LocalHeaderBytes(entry);
    if (!output_->SeekTo(entry.localHeaderOffset)) return Abandon(ArchiveStatus::SeekFailed);
    const uint32_t rewritten = output_->Write(header.data(), static_cast<uint32_t>(header.size()));
    if (!output_->SeekTo(written_)) return Abandon(ArchiveStatus::SeekFailed);
    if (rewritten != header.size()) return Abandon(ArchiveStatus::WriteFailed);
    return ArchiveStatus::Ok;
}

ArchiveStatus ArchiveWriter::Finish() {
    std::vector<std::vector<uint8_t>> headers;
    headers.reserve(entries_.size());
    for (const WriterEntry& entry : entries_) headers.push_back(CentralHeaderBytes(entry));
    return FinishWithDirectory(headers, std::string());
}

ArchiveStatus ArchiveWriter::FinishWithDirectory(
    const std::vector<std::vector<uint8_t>>& centralHeaders, const std::string& comment) {
    if (finished_ || !output_) return ArchiveStatus::BadArgument;
    finished_ = true;
    const uint64_t start = written_;
    bool complete = true;
    for (const std::vector<uint8_t>& header : centralHeaders) {
        if (!Append(header)) {
            complete = false;
            break;
        }
    }
    if (complete) {
        std::vector<uint8_t> end = EndRecordsBytes(centralHeaders.size(), start, written_ - start);
        const uint16_t commentLength =
            static_cast<uint16_t>(std::min<size_t>(comment.size(), 0xFFFF));
        end[end.size() - 2] = static_cast<uint8_t>(commentLength & 0xFF);
        end[end.size() - 1] = static_cast<uint8_t>(commentLength >> 8);
        end.insert(end.end(), comment.begin(), comment.begin() + commentLength);
        complete = Append(end);
    }
    entries_.clear();
    if (complete) complete = output_->Commit();
    output_.reset();  // closes the file; one not committed is removed
    return complete ? ArchiveStatus::Ok : ArchiveStatus::WriteFailed;
}

void ArchiveWriter::Discard() {
    finished_ = true;
    entries_.clear();
    output_.reset();
}

}  // namespace velmor::zip
