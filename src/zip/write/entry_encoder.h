// Making one entry's data: the source read once from its start, its CRC-32 taken, the
// bytes deflated (or stored) and, with a password, encrypted: behind the 12-byte header with
// the traditional cipher, or between salt and verifier and the authentication code with AES.
// What it makes goes to a sink piece by piece, so no entry is ever held whole. An encoder
// owns its buffers and compressor and serves one thread; one per thread may run at once.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "zip/archive_status.h"
#include "zip/format/cipher.h"
#include "zip/write/aes_entry_encryptor.h"
#include "zip/write/deflater.h"
#include "zip/write/entry_encryption.h"
#include "zip/write/entry_source.h"

namespace velmor::zip {

constexpr uint32_t kIoBufferSize = 16384;

// Receives an entry as it is made. Either call may answer false to stop the entry; the
// sink then knows why and the encoder gives up at once.
class EntrySink {
public:
    virtual ~EntrySink() = default;
    // The source is open and described; nothing of the entry exists before this.
    virtual bool Begin(const SourceDescription& description, bool zip64Sizes) = 0;
    // The next piece of entry data, encrypted already when the archive has a password.
    virtual bool Data(const uint8_t* data, uint32_t size) = 0;
};

struct EncodedEntry {
    // Ok; NoFile (source not opened); WriteFailed (no random bytes, a compressor or AES
    // error, or the sink stopped); HeaderLocked (the data outgrew what the written header can say).
    ArchiveStatus status = ArchiveStatus::Ok;
    bool begun = false;  // Begin was called: bytes of the entry may exist
    uint32_t crc32 = 0;
    uint64_t bytesRead = 0;
    uint64_t compressedSize = 0;  // entry data, the encryption header (or AES salt,
                                  // verifier and code) included
};

class EntryEncoder {
public:
    // password: ANSI bytes, empty for none; encryption: the scheme a password selects;
    // level: the zlib level of deflated entries. Both are named at every call: an encoder
    // that forgot one would write the wrong cipher or the wrong size.
    EntryEncoder(WriterPlatform& platform, const std::string& password, EntryEncryption encryption,
                 int level);
    ~EntryEncoder();
    EntryEncoder(const EntryEncoder&) = delete;
    EntryEncoder& operator=(const EntryEncoder&) = delete;

    EncodedEntry Encode(const std::wstring& sourcePath, uint16_t method, EntrySink& sink);
    // A folder entry: described, begun, and without data (never encrypted).
    EncodedEntry EncodeFolder(const std::wstring& folderPath, EntrySink& sink);

private:
    // Salt, verifier and keys of an AES entry; false with result.status set when they fail.
    bool StartAes(const AesEntryInfo& info, const uint8_t* salt, EntrySink& sink,
                  EncodedEntry& result);
    // Encrypts (with a password) and hands over a piece of entry data held in one of the
    // encoder's buffers; false when the entry must end, with result.status saying why.
    bool Emit(uint8_t* data, uint32_t size, uint64_t limit, EntrySink& sink, EncodedEntry& result);
    bool Stored(EntrySource& source, uint64_t limit, EntrySink& sink, EncodedEntry& result);
    bool Deflated(EntrySource& source, uint64_t limit, EntrySink& sink, EncodedEntry& result);

    WriterPlatform& platform_;
    const std::string password_;
    const bool aes_;  // a password encrypts with AES-256 rather than the traditional cipher
    const int level_;
    CipherKeys keys_;
    std::unique_ptr<AesEntryEncryptor> aesEncryptor_;  // the current AES entry's
    std::vector<uint8_t> input_;
    std::vector<uint8_t> output_;
    std::unique_ptr<Deflater> deflater_;  // made by the first deflated entry, reset for each
};

}  // namespace velmor::zip
