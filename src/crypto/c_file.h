// Owner of a C runtime stream opened on a wide path.
#pragma once

#include <cstdio>
#include <string>

namespace velmor::crypto {

class CFile {
public:
    CFile() = default;
    ~CFile() { Close(); }
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // Opens the file; on failure the platform's last error says why.
    bool Open(const std::wstring& path, const wchar_t* mode) {
        Close();
        stream_ = _wfopen(path.c_str(), mode);
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
