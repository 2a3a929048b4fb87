// One age encryption or decryption of a file into another. The output goes to a replacement
// file beside the target, which takes the target's place only when everything succeeded: for
// decryption, when every chunk, the last one included, has been authenticated. The input is
// read in blocks of several chunks, each block's chunks sealed or opened on the processor's
// cores; armored output is written, and armored input read, as it goes.
#pragma once

#include <windows.h>

#include <string>

#include "base/progress_sink.h"
#include "crypto/age/age_file.h"

namespace velmor::crypto {

// The threads a job spreads its chunks over: one a processor, at most eight.
unsigned AgeJobThreads();

// Whether the file starts as an age file does, binary or armored. False when it cannot be read.
bool LooksLikeAgeFile(const std::wstring& path);

class AgeFileJob {
public:
    // progress may be null.
    AgeFileJob(age::AgeCrypto& crypto, ProgressSink* progress, unsigned threads)
        : crypto_(crypto), progress_(progress), threads_(threads) {}

    // Both return 0, kResultCancelled, one of the age codes (86, 87, 88), or
    // kResultCryptFailed with ErrorText() saying why.
    long Encrypt(const std::wstring& sourcePath, const std::wstring& targetPath,
                 const age::EncryptOptions& options);
    long Decrypt(const std::wstring& sourcePath, const std::wstring& targetPath,
                 const age::Unlockers& unlockers);

    std::wstring ErrorText() const;

private:
    struct Files;

    long Open(Files& files, const std::wstring& sourcePath, const std::wstring& targetPath);
    long Read(Files& files, std::vector<uint8_t>& block, std::size_t* size);
    long Write(Files& files, const void* data, std::size_t size);
    long Commit(Files& files);
    bool Cancelled(const std::wstring& name, int64_t done, int64_t total);
    long Fail(DWORD code);
    long FailWith(UINT textId);

    age::AgeCrypto& crypto_;
    ProgressSink* progress_;
    unsigned threads_;
    DWORD lastError_ = 0;
    UINT textId_ = 0;
};

// The component's code for a status of the age core.
long AgeResult(age::AgeStatus status);

}  // namespace velmor::crypto
