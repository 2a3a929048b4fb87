// Owner of a C runtime stream opened on a wide path.
#pragma once

#include <cstdio>
#include <string>

namespace velmor::crypto {

class CFile {
public:
    static constexpr std::size_t kStreamBuffer = 64 * 1024;

    CFile() = default;
    ~CFile() { Close(); }
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // Opens the file; on failure the platform's last error says why. The
    // stream gets a buffer of kStreamBuffer bytes, so that small reads and
    // writes reach the system in large, fixed-size blocks.
    bool Open(const std::wstring& path, const wchar_t* mode) {
        Close();
        stream_ = _wfopen(path.c_str(), mode);
        if (stream_ != nullptr) {
            std::setvbuf(stream_, nullptr, _IOFBF, kStreamBuffer);
        }
        return stream_ != nullptr;
    }
    void Close() {
        if (stream_ != nullptr) {
            std::fclose(stream_);
            stream_ = nullptr;
        }
    }
    FILE* get() const { return stream_; }
    explicit operator bool() const { return stream_ != nullptr; }

private:
    FILE* stream_ = nullptr;
};

}  // namespace velmor::crypto
