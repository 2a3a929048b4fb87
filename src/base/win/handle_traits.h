// Owners of the platform's handles: one UniqueResource per kind of handle. Every close keeps
// the thread's last-error code, so that a caller can release its handles on the way out and
// still report the failure that came before.
#pragma once

#include <windows.h>
#include <bcrypt.h>
#include <wincrypt.h>
#include <wininet.h>
#ifndef SECURITY_WIN32
#define SECURITY_WIN32
#endif
#include <security.h>

#include "base/stdio_stream.h"
#include "base/unique_resource.h"
#include "base/win/last_error.h"

namespace velmor {

// The common part of the traits below.
template <class T, T Invalid>
struct Win32HandleTraits {
    using type = T;
    using close_guard = LastErrorKeeper;
    static type invalid() noexcept { return Invalid; }
};

// CreateFile and friends: INVALID_HANDLE_VALUE means none, and so does null.
struct FileHandleTraits {
    using type = HANDLE;
    using close_guard = LastErrorKeeper;
    static type invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool valid(type h) noexcept { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static void close(type h) noexcept { CloseHandle(h); }
};

// FindFirstFile: the same invalid values as a file.
struct FindHandleTraits : FileHandleTraits {
    static void close(type h) noexcept { FindClose(h); }
};

// FindFirstChangeNotification: the same invalid values as a file.
struct ChangeNotificationTraits : FileHandleTraits {
    static void close(type h) noexcept { FindCloseChangeNotification(h); }
};

// Events, processes, threads and other kernel objects: null means none.
struct KernelHandleTraits : Win32HandleTraits<HANDLE, nullptr> {
    static void close(type h) noexcept { CloseHandle(h); }
};

struct RegistryKeyTraits : Win32HandleTraits<HKEY, nullptr> {
    static void close(type h) noexcept { RegCloseKey(h); }
};

struct InternetHandleTraits : Win32HandleTraits<HINTERNET, nullptr> {
    static void close(type h) noexcept { InternetCloseHandle(h); }
};

struct CryptProviderTraits : Win32HandleTraits<HCRYPTPROV, 0> {
    static void close(type h) noexcept { CryptReleaseContext(h, 0); }
};

struct CryptKeyTraits : Win32HandleTraits<HCRYPTKEY, 0> {
    static void close(type h) noexcept { CryptDestroyKey(h); }
};

struct CryptHashTraits : Win32HandleTraits<HCRYPTHASH, 0> {
    static void close(type h) noexcept { CryptDestroyHash(h); }
};

struct BCryptAlgorithmTraits : Win32HandleTraits<BCRYPT_ALG_HANDLE, nullptr> {
    static void close(type h) noexcept { BCryptCloseAlgorithmProvider(h, 0); }
};

struct BCryptKeyTraits : Win32HandleTraits<BCRYPT_KEY_HANDLE, nullptr> {
    static void close(type h) noexcept { BCryptDestroyKey(h); }
};

struct BCryptHashTraits : Win32HandleTraits<BCRYPT_HASH_HANDLE, nullptr> {
    static void close(type h) noexcept { BCryptDestroyHash(h); }
};

// A socket of Winsock (the declarations of windows.h are enough to hold and close one).
struct SocketTraits : Win32HandleTraits<SOCKET, INVALID_SOCKET> {
    static void close(type s) noexcept { closesocket(s); }
};

// SSPI credentials and security contexts: two-word handles, invalid when both words are
// all ones (SecInvalidateHandle).
struct SecurityHandleInvalid {
    static SecHandle invalid() noexcept {
        SecHandle h;
        SecInvalidateHandle(&h);
        return h;
    }
    static bool valid(const SecHandle& h) noexcept { return SecIsValidHandle(&h); }
};
struct CredentialsHandleTraits : SecurityHandleInvalid {
    using type = CredHandle;
    using close_guard = LastErrorKeeper;
    static void close(type h) noexcept { FreeCredentialsHandle(&h); }
};
struct SecurityContextTraits : SecurityHandleInvalid {
    using type = CtxtHandle;
    using close_guard = LastErrorKeeper;
    static void close(type h) noexcept { DeleteSecurityContext(&h); }
};

// Memory an SSPI call allocated for the caller (ISC_REQ_ALLOCATE_MEMORY).
struct SecurityBufferTraits : Win32HandleTraits<void*, nullptr> {
    static void close(type p) noexcept { FreeContextBuffer(p); }
};

struct CertContextTraits : Win32HandleTraits<PCCERT_CONTEXT, nullptr> {
    static void close(type c) noexcept { CertFreeCertificateContext(c); }
};

struct CertChainTraits : Win32HandleTraits<PCCERT_CHAIN_CONTEXT, nullptr> {
    static void close(type c) noexcept { CertFreeCertificateChain(c); }
};

struct CertStoreTraits : Win32HandleTraits<HCERTSTORE, nullptr> {
    static void close(type s) noexcept { CertCloseStore(s, 0); }
};

// A window is destroyed unless the system has destroyed it already.
struct WindowTraits : Win32HandleTraits<HWND, nullptr> {
    static void close(type h) noexcept {
        if (IsWindow(h)) DestroyWindow(h);
    }
};

// Memory the system allocated for the caller (FormatMessage, CommandLineToArgvW...).
template <class T>
struct LocalMemoryTraits {
    using type = T*;
    using close_guard = LastErrorKeeper;
    static type invalid() noexcept { return nullptr; }
    static void close(type p) noexcept { LocalFree(p); }
};

// A C runtime stream: closing it keeps errno and the last-error code alike.
class StreamErrorKeeper {
private:
    LastErrorKeeper lastError_;
    ErrnoKeeper errno_;
};
struct Win32StdioStreamTraits : StdioStreamTraits {
    using close_guard = StreamErrorKeeper;
};

using ScopedFileHandle = UniqueResource<FileHandleTraits>;
using ScopedFindHandle = UniqueResource<FindHandleTraits>;
using ScopedChangeNotification = UniqueResource<ChangeNotificationTraits>;
using ScopedHandle = UniqueResource<KernelHandleTraits>;
using ScopedHKey = UniqueResource<RegistryKeyTraits>;
using ScopedInternetHandle = UniqueResource<InternetHandleTraits>;
using ScopedCryptProvider = UniqueResource<CryptProviderTraits>;
using ScopedCryptKey = UniqueResource<CryptKeyTraits>;
using ScopedCryptHash = UniqueResource<CryptHashTraits>;
using ScopedBCryptAlgorithm = UniqueResource<BCryptAlgorithmTraits>;
using ScopedBCryptKey = UniqueResource<BCryptKeyTraits>;
using ScopedBCryptHash = UniqueResource<BCryptHashTraits>;
using ScopedWindow = UniqueResource<WindowTraits>;
using ScopedSocket = UniqueResource<SocketTraits>;
using ScopedCredentials = UniqueResource<CredentialsHandleTraits>;
using ScopedSecurityContext = UniqueResource<SecurityContextTraits>;
using ScopedSecurityBuffer = UniqueResource<SecurityBufferTraits>;
using ScopedCertContext = UniqueResource<CertContextTraits>;
using ScopedCertChain = UniqueResource<CertChainTraits>;
using ScopedCertStore = UniqueResource<CertStoreTraits>;
template <class T>
using ScopedLocalMemory = UniqueResource<LocalMemoryTraits<T>>;
using ScopedStdioStream = UniqueResource<Win32StdioStreamTraits>;

// True while the window held is one the system still knows.
inline bool IsLiveWindow(const ScopedWindow& window) noexcept {
    return window.valid() && IsWindow(window.get());
}

}  // namespace velmor
