#include "ftp/tls_ftp_api.h"

#include <algorithm>
#include <cwchar>

#include "ftp/ftp_constants.h"
#include "ftp/ftp_error_mapping.h"
#include "ftp/text_encoding.h"

namespace velmor::ftp {
namespace {

HINTERNET Token(char& tag) { return reinterpret_cast<HINTERNET>(&tag); }

}  // namespace

TlsFtpApi::TlsFtpApi(std::unique_ptr<Network> network)
    : network_(std::move(network)), client_(*network_) {}

TlsFtpApi::~TlsFtpApi() { client_.Disconnect(); }

UINT TlsFtpApi::NameCodePage() const { return client_.NamesAreUtf8() ? CP_UTF8 : CP_ACP; }

std::string TlsFtpApi::Encode(const wchar_t* text) const {
    return EncodeText(NameCodePage(), text != nullptr ? text : L"");
}

bool TlsFtpApi::Ours(HINTERNET handle, const char& tag) const {
    return handle == reinterpret_cast<HINTERNET>(const_cast<char*>(&tag));
}

BOOL TlsFtpApi::Fail(FtpOutcome outcome) {
    lastError_ = LastErrorForOutcome(outcome);
    return FALSE;
}

HINTERNET TlsFtpApi::OpenSession(const wchar_t*, DWORD, const wchar_t*) {
    Fail(FtpOutcome::kNotConnected);
    return nullptr;
}

BOOL TlsFtpApi::SetStringOption(HINTERNET, DWORD, const wchar_t*, DWORD) {
    return Fail(FtpOutcome::kNotConnected);
}

HINTERNET TlsFtpApi::ConnectFtp(HINTERNET, const wchar_t* host, INTERNET_PORT port,
                                const wchar_t* user, const wchar_t* password, DWORD flags) {
    client_.Disconnect();
    connected_ = false;
    FtpOutcome outcome = client_.Open(EncodeText(CP_UTF8, host), port, (flags & kPassiveFlag) != 0);
    // The credentials travel in the encoding the server's features chose.
    if (outcome == FtpOutcome::kOk) {
        outcome = client_.LogIn(Encode(user), Encode(password));
    }
    if (outcome != FtpOutcome::kOk) {
        client_.Disconnect();
        Fail(outcome);
        return nullptr;
    }
    connected_ = true;
    return Token(connectionTag_);
}

template <typename Call>
BOOL TlsFtpApi::Simple(HINTERNET connection, const wchar_t* path, Call call) {
    if (!connected_ || !Ours(connection, connectionTag_)) {
        return Fail(FtpOutcome::kNotConnected);
    }
    const FtpOutcome outcome = call(Encode(path));
    return outcome == FtpOutcome::kOk ? TRUE : Fail(outcome);
}

BOOL TlsFtpApi::ChangeDirectory(HINTERNET connection, const wchar_t* path) {
    return Simple(connection, path,
                  [this](const std::string& p) { return client_.ChangeDirectory(p); });
}

BOOL TlsFtpApi::RemoveFile(HINTERNET connection, const wchar_t* path) {
    return Simple(connection, path, [this](const std::string& p) { return client_.RemoveFile(p); });
}

BOOL TlsFtpApi::MakeDirectory(HINTERNET connection, const wchar_t* path) {
    return Simple(connection, path,
                  [this](const std::string& p) { return client_.MakeDirectory(p); });
}

HINTERNET TlsFtpApi::FindFirst(HINTERNET connection, const wchar_t* path, WIN32_FIND_DATAW* entry,
                               DWORD) {
    RemoteEntry found;
    const BOOL ok =
        Simple(connection, path, [&](const std::string& p) { return client_.Lookup(p, &found); });
    if (!ok) return nullptr;
    *entry = WIN32_FIND_DATAW{};
    entry->dwFileAttributes = found.isDirectory ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
    if (found.sizeKnown) {
        entry->nFileSizeHigh = static_cast<DWORD>(found.size >> 32);
        entry->nFileSizeLow = static_cast<DWORD>(found.size);
    }
    const std::wstring name = DecodeText(NameCodePage(), found.name);
    const size_t length = std::min<size_t>(name.size(), MAX_PATH - 1);
    std::wmemcpy(entry->cFileName, name.data(), length);
    entry->cFileName[length] = L'\0';
    return Token(findTag_);
}

HINTERNET TlsFtpApi::OpenRemoteFile(HINTERNET connection, const wchar_t* path, DWORD access,
                                    DWORD) {
    fileComplete_ = false;
    const BOOL ok = Simple(connection, path, [&](const std::string& p) {
        return access == GENERIC_WRITE ? client_.OpenStore(p) : client_.OpenRetrieve(p);
    });
    return ok ? Token(fileTag_) : nullptr;
}

BOOL TlsFtpApi::Read(HINTERNET file, void* buffer, DWORD size, DWORD* read) {
    *read = 0;
    if (!Ours(file, fileTag_)) return Fail(FtpOutcome::kNotConnected);
    char* next = static_cast<char*>(buffer);
    // Reads to the end of the data only: a transfer that ended otherwise (its
    // connection closed meanwhile) fails.
    while (*read < size && !fileComplete_) {
        size_t received = 0;
        const FtpOutcome outcome = client_.Read(next, size - *read, &received);
        if (outcome != FtpOutcome::kOk) return Fail(outcome);
        if (received == 0) {
            fileComplete_ = true;  // the whole file has come
            break;
        }
        next += received;
        *read += static_cast<DWORD>(received);
    }
    return TRUE;
}

BOOL TlsFtpApi::Write(HINTERNET file, const void* data, DWORD size, DWORD* written) {
    *written = 0;
    if (!Ours(file, fileTag_)) return Fail(FtpOutcome::kNotConnected);
    const FtpOutcome outcome = client_.Write(data, size);
    if (outcome != FtpOutcome::kOk) return Fail(outcome);
    *written = size;
    return TRUE;
}

BOOL TlsFtpApi::CloseHandle(HINTERNET handle) {
    if (Ours(handle, fileTag_)) {
        // A store that ends here is complete; a retrieve that has not reached
        // its end was cancelled.
        const FtpOutcome outcome = client_.FinishTransfer();
        if (outcome == FtpOutcome::kOk) return TRUE;
        if (client_.TransferOpen()) client_.AbortTransfer();
        return Fail(outcome);
    }
    if (Ours(handle, connectionTag_)) {
        if (client_.TransferOpen()) client_.AbortTransfer();
        if (client_.Connected()) client_.Quit();
        client_.Disconnect();
        connected_ = false;
        return TRUE;
    }
    return Ours(handle, findTag_) ? TRUE : Fail(FtpOutcome::kNotConnected);
}

}  // namespace velmor::ftp
