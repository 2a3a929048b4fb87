// Limits and WinINet flag sets used by the FTP component; its result codes are
// the library's (base/result_code.h).
#pragma once

#include <windows.h>
#include <wininet.h>

#include "base/result_code.h"

namespace velmor::ftp {

// Remote and local path arguments are cut to this many characters.
constexpr size_t kMaxPathChars = 259;
// Proxy name, user and password are cut to this many characters.
constexpr size_t kMaxProxyChars = 255;

// Bytes per read or write of a transfer, and the pause after each read of a
// download (uploads are not paced).
constexpr DWORD kChunkSize = 4096;
constexpr DWORD kChunkPauseMs = 100;
// Downloads at any other speed than the default read this much at a time at
// most, and show their progress (and pump messages) at most this often.
constexpr DWORD kFastChunkSize = 65536;
constexpr DWORD kProgressIntervalMs = 100;
// A paced download reads at least this much at a time.
constexpr DWORD kMinPacedChunkSize = 512;
// SpeedLimit's default: 4096-byte chunks with a 100 ms pause after each, the
// pace GetFile has always kept.
constexpr long kDefaultSpeedLimit = 40960;
// With Resume, a file travels under its name with this appended until it is
// complete.
constexpr wchar_t kPartSuffix[] = L".filepart";
// GetFiles' and PutFiles' flags (VelmorTransferFlags).
constexpr long kTransferRecurse = 1;
constexpr long kTransferMove = 2;
constexpr long kTransferNewerOnly = 4;
constexpr long kTransferFlagsMask = kTransferRecurse | kTransferMove | kTransferNewerOnly;

// Files up to this size (32 MiB) show a percentage; larger ones only a byte count.
constexpr DWORD kKnownSizeLimit = 33554432;
// The progress bar runs from 0 to this value.
constexpr int kProgressRange = 1000;

// Connections over TLS: connecting and every wait for a reply or data end
// after this long.
constexpr DWORD kNetworkTimeoutMs = 60000;
// A private or public key file larger than this is no key.
constexpr size_t kMaxKeyFileBytes = 65536;

constexpr wchar_t kAgentName[] = L"Velmor";
constexpr INTERNET_PORT kDefaultFtpPort = 21;
constexpr INTERNET_PORT kDefaultSftpPort = 22;

// Listing flags of FileExists and of the download's lookup; the flags a
// remote file is opened with in either direction.
constexpr DWORD kExistsFindFlags = 0x84000000;    // RELOAD | NO_CACHE_WRITE
constexpr DWORD kDownloadFindFlags = 0x84000800;  // RELOAD | NO_CACHE_WRITE | RESYNCHRONIZE
constexpr DWORD kOpenFileFlags = 0x04000002;      // TRANSFER_TYPE_BINARY | NO_CACHE_WRITE
constexpr DWORD kPassiveFlag = 0x08000000;        // INTERNET_FLAG_PASSIVE

}  // namespace velmor::ftp
