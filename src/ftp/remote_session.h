// The seam between the engine and a protocol: one connected session to a
// server, whatever carries it (WinINet's FTP, the library's FTP client over
// TLS, SFTP). Paths are the engine's prepared remote paths ("/" separated);
// every call answers with a RemoteOutcome, which ftp_error_mapping turns into
// the library's result codes in one place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace velmor::ftp {

enum class RemoteOutcome {
    kOk,
    kNotFound,         // Lookup: no such entry
    kFailed,           // the server refused, or the connection failed
    kNameNotResolved,  // Connect: the host name did not resolve
    kWrongUser,        // Connect: the user name was refused
    kWrongPassword,    // Connect: the password (or key) was refused
    kLoginFailed,      // Connect: any other refusal of the login
    kCertificate,      // Connect over TLS: the certificate failed the check
    kTlsRefused,       // Connect over TLS: AUTH TLS or the handshake refused
    kHostKeyRejected,  // Connect over SFTP: no pin, or a key other than the pinned one
    kRestartRefused,   // OpenReadAt/OpenWriteAt: the server starts files at 0 only
};

enum class EntryType { kFile, kDirectory, kLink };

// One entry of a lookup or a listing.
struct RemoteListEntry {
    std::wstring name;
    EntryType type = EntryType::kFile;
    bool sizeKnown = false;
    std::uint64_t size = 0;
    std::string modified;  // UTC "YYYY-MM-DD HH:MM:SS"; empty when unknown
};

// An open remote file, for reading or for writing. Destroying it without
// Finish abandons the transfer.
class RemoteFile {
public:
    virtual ~RemoteFile() = default;
    // Fills the buffer; short only at the end of the file (0 bytes: the end).
    virtual RemoteOutcome Read(void* buffer, std::size_t size, std::size_t* read) = 0;
    // Writes all bytes or fails.
    virtual RemoteOutcome Write(const void* data, std::size_t size) = 0;
    // Ends the transfer; a file written to is complete on the server only
    // when this succeeds.
    virtual RemoteOutcome Finish() = 0;
};

class RemoteSession {
public:
    // Ends the connection (when Close has not).
    virtual ~RemoteSession() = default;

    // Ends the connection now, though a transfer may still hold the session:
    // every later call of it and of its open file fails.
    virtual void Close() = 0;

    virtual RemoteOutcome ChangeDirectory(const std::wstring& path) = 0;
    virtual RemoteOutcome RemoveFile(const std::wstring& path) = 0;
    virtual RemoteOutcome MakeDirectory(const std::wstring& path) = 0;
    virtual RemoteOutcome RemoveFolder(const std::wstring& path) = 0;
    virtual RemoteOutcome Rename(const std::wstring& from, const std::wstring& to) = 0;
    // kOk with the entry, kNotFound when the server has no such entry, any
    // other outcome when the lookup gave no answer (the file may still
    // exist). forDownload: the lookup that precedes a download.
    virtual RemoteOutcome Lookup(const std::wstring& path, bool forDownload,
                                 RemoteListEntry* entry) = 0;
    // The entries of a folder, without "." and ".."; an empty path lists
    // the current folder.
    virtual RemoteOutcome List(const std::wstring& path, std::vector<RemoteListEntry>* entries) = 0;
    virtual RemoteOutcome OpenRead(const std::wstring& path, std::unique_ptr<RemoteFile>* file) = 0;
    virtual RemoteOutcome OpenWrite(const std::wstring& path,
                                    std::unique_ptr<RemoteFile>* file) = 0;
    // The same from a byte offset on: reading skips the bytes before it,
    // writing keeps them and goes on after them. kRestartRefused when the
    // server cannot start there (the file may still be opened at 0).
    virtual RemoteOutcome OpenReadAt(const std::wstring& path, std::uint64_t offset,
                                     std::unique_ptr<RemoteFile>* file) = 0;
    virtual RemoteOutcome OpenWriteAt(const std::wstring& path, std::uint64_t offset,
                                      std::unique_ptr<RemoteFile>* file) = 0;
    // The file's modification time as RemoteListEntry::modified has it, to
    // the second (MDTM, SFTP's stat); kFailed when the session cannot tell
    // it so exactly (a listing may still show it to the minute).
    virtual RemoteOutcome ModifiedTime(const std::wstring& path, std::string* utc) = 0;
    // Sets it; kFailed where the server cannot.
    virtual RemoteOutcome SetModifiedTime(const std::wstring& path, const std::string& utc) = 0;
};

}  // namespace velmor::ftp
