#include "ftp/win/tls_channel.h"

#define SCHANNEL_USE_BLACKLISTS
#include <subauth.h>
#include <schannel.h>

#include <algorithm>
#include <cstring>

#include "ftp/win/socket_io.h"

namespace velmor::ftp {
namespace {

constexpr DWORD kContextRequest = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT |
                                  ISC_REQ_CONFIDENTIALITY | ISC_REQ_EXTENDED_ERROR |
                                  ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM |
                                  ISC_REQ_MANUAL_CRED_VALIDATION;

// The certificate is checked by the caller (pin, or chain and name), never by
// Schannel on its own; no client certificate is offered.
constexpr DWORD kCredentialFlags =
    SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS | SCH_USE_STRONG_CRYPTO;

constexpr DWORD kModernProtocols = SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT;

// A received record is at most 16 KiB of payload plus its overhead; a
// handshake message may span several.
constexpr size_t kReadPiece = 16 * 1024 + 512;
constexpr size_t kMaxPending = 256 * 1024;
// The content type of a TLS 1.2 record that carries an alert.
constexpr char kAlertRecord = 21;

// Holds the context handle across a call that takes it in and gives it
// back, as InitializeSecurityContext does after the first call.
class ContextSlot {
public:
    explicit ContextSlot(ScopedSecurityContext& owner) : owner_(owner), handle_(owner.get()) {}
    // After a call that did not fail: the first call has created the context.
    void Keep() {
        if (!owner_.valid() && SecIsValidHandle(&handle_)) owner_.reset(handle_);
    }
    CtxtHandle* in() { return owner_.valid() ? &handle_ : nullptr; }
    CtxtHandle* out() { return &handle_; }

private:
    ScopedSecurityContext& owner_;
    CtxtHandle handle_;
};

}  // namespace

bool TlsCredentials::Acquire() {
    TLS_PARAMETERS parameters{};
    parameters.grbitDisabledProtocols = ~kModernProtocols;
    SCH_CREDENTIALS credentials{};
    credentials.dwVersion = SCH_CREDENTIALS_VERSION;
    credentials.dwFlags = kCredentialFlags;
    credentials.cTlsParameters = 1;
    credentials.pTlsParameters = &parameters;
    TimeStamp expiry;
    CredHandle handle;
    SecInvalidateHandle(&handle);
    wchar_t* package = const_cast<wchar_t*>(UNISP_NAME_W);
    if (AcquireCredentialsHandleW(nullptr, package, SECPKG_CRED_OUTBOUND, nullptr, &credentials,
                                  nullptr, nullptr, &handle, &expiry) == SEC_E_OK) {
        handle_.reset(handle);
        return true;
    }
    // Systems before Windows 10 1809 know only SCHANNEL_CRED, which offers
    // TLS 1.2 at most.
    SCHANNEL_CRED older{};
    older.dwVersion = SCHANNEL_CRED_VERSION;
    older.grbitEnabledProtocols = SP_PROT_TLS1_2_CLIENT;
    older.dwFlags = kCredentialFlags;
    SecInvalidateHandle(&handle);
    if (AcquireCredentialsHandleW(nullptr, package, SECPKG_CRED_OUTBOUND, nullptr, &older, nullptr,
                                  nullptr, &handle, &expiry) == SEC_E_OK) {
        handle_.reset(handle);
        return true;
    }
    return false;
}

NetStatus TlsChannel::Handshake(const TlsCredentials& credentials, const std::wstring& targetName) {
    credentials_ = credentials.get();
    target_ = targetName;
    NetStatus status = RunHandshake();
    if (status != NetStatus::kOk) return status;
    CtxtHandle handle = context_.get();
    if (QueryContextAttributesW(&handle, SECPKG_ATTR_STREAM_SIZES, &sizes_) != SEC_E_OK) {
        return NetStatus::kFailed;
    }
    return NegotiatedModernProtocol() ? NetStatus::kOk : NetStatus::kTlsRefused;
}

bool TlsChannel::NegotiatedModernProtocol() {
    SecPkgContext_ConnectionInfo info{};
    CtxtHandle handle = context_.get();
    if (QueryContextAttributesW(&handle, SECPKG_ATTR_CONNECTION_INFO, &info) != SEC_E_OK) {
        return false;
    }
    return (info.dwProtocol & kModernProtocols) != 0;
}

ScopedCertContext TlsChannel::ServerCertificate() const {
    PCCERT_CONTEXT certificate = nullptr;
    CtxtHandle handle = context_.get();
    if (QueryContextAttributesW(&handle, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &certificate) !=
        SEC_E_OK) {
        return ScopedCertContext();
    }
    return ScopedCertContext(certificate);
}

NetStatus TlsChannel::SendToken(SecBuffer& token) {
    ScopedSecurityBuffer owned(token.pvBuffer);
    if (token.cbBuffer == 0 || token.pvBuffer == nullptr) return NetStatus::kOk;
    return SendAll(socket_, token.pvBuffer, token.cbBuffer, timeoutMs_);
}

NetStatus TlsChannel::ReadMore() {
    if (incoming_.size() > kMaxPending) return NetStatus::kFailed;
    const size_t old = incoming_.size();
    incoming_.resize(old + kReadPiece);
    size_t got = 0;
    const NetStatus status =
        ReceiveSome(socket_, incoming_.data() + old, kReadPiece, &got, timeoutMs_);
    incoming_.resize(old + got);
    return status;
}

// Drives InitializeSecurityContext until the handshake is complete. The
// first round (no context yet) sends the ClientHello; later rounds feed it
// what the server sent. Also used for handshake messages that arrive after
// the handshake (a renegotiation request, TLS 1.3 tickets), with the context
// already in place.
NetStatus TlsChannel::RunHandshake() {
    // The first call goes without reading: it makes the ClientHello, or takes
    // what DecryptMessage left over from a renegotiation request.
    bool needInput = false;
    bool withoutCertificate = false;
    SECURITY_STATUS status = SEC_E_OK;
    for (;;) {
        if (needInput) {
            const NetStatus read = ReadMore();
            if (read == NetStatus::kClosed) return NetStatus::kTlsRefused;
            if (read != NetStatus::kOk) return read;
        }
        SecBuffer input[2] = {
            {static_cast<ULONG>(incoming_.size()), SECBUFFER_TOKEN, incoming_.data()},
            {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc inputDesc{SECBUFFER_VERSION, 2, input};
        SecBuffer output{0, SECBUFFER_TOKEN, nullptr};
        SecBufferDesc outputDesc{SECBUFFER_VERSION, 1, &output};
        ULONG attributes = 0;
        {
            ContextSlot slot(context_);
            const bool first = slot.in() == nullptr;
            status = InitializeSecurityContextW(
                &credentials_, slot.in(), const_cast<wchar_t*>(target_.c_str()), kContextRequest, 0,
                0, first ? nullptr : &inputDesc, 0, slot.out(), &outputDesc, &attributes, nullptr);
            if (!FAILED(status)) slot.Keep();
        }
        if (status == SEC_E_INCOMPLETE_MESSAGE) {
            ScopedSecurityBuffer(output.pvBuffer).reset();
            needInput = true;
            continue;
        }
        if (status == SEC_I_INCOMPLETE_CREDENTIALS && !withoutCertificate) {
            // The server asks for a client certificate: the same input again,
            // going on without one.
            ScopedSecurityBuffer(output.pvBuffer).reset();
            withoutCertificate = true;
            needInput = false;
            continue;
        }
        // What the call did not consume stays for the next round (or, at the
        // end, is the first application data).
        if (context_.valid() && input[1].BufferType == SECBUFFER_EXTRA) {
            incoming_.erase(incoming_.begin(), incoming_.end() - input[1].cbBuffer);
        } else {
            incoming_.clear();
        }
        // Even a failure may carry an alert for the server.
        const NetStatus sent = SendToken(output);
        if (status == SEC_E_OK) return sent;
        if (FAILED(status)) return NetStatus::kTlsRefused;
        if (sent != NetStatus::kOk) return sent;
        if (status != SEC_I_CONTINUE_NEEDED) return NetStatus::kTlsRefused;
        needInput = incoming_.empty();
    }
}

NetStatus TlsChannel::Send(const void* data, size_t size) {
    const char* next = static_cast<const char*>(data);
    std::vector<char> record;
    while (size > 0) {
        const size_t piece = std::min<size_t>(size, sizes_.cbMaximumMessage);
        record.resize(sizes_.cbHeader + piece + sizes_.cbTrailer);
        std::memcpy(record.data() + sizes_.cbHeader, next, piece);
        SecBuffer buffers[4] = {
            {sizes_.cbHeader, SECBUFFER_STREAM_HEADER, record.data()},
            {static_cast<ULONG>(piece), SECBUFFER_DATA, record.data() + sizes_.cbHeader},
            {sizes_.cbTrailer, SECBUFFER_STREAM_TRAILER, record.data() + sizes_.cbHeader + piece},
            {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc desc{SECBUFFER_VERSION, 4, buffers};
        CtxtHandle handle = context_.get();
        if (EncryptMessage(&handle, 0, &desc, 0) != SEC_E_OK) {
            return NetStatus::kFailed;
        }
        const size_t total = buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer;
        const NetStatus status = SendAll(socket_, record.data(), total, timeoutMs_);
        if (status != NetStatus::kOk) return status;
        next += piece;
        size -= piece;
    }
    return NetStatus::kOk;
}

NetStatus TlsChannel::Receive(void* buffer, size_t capacity, size_t* received) {
    *received = 0;
    while (plainOffset_ == plain_.size()) {
        plain_.clear();
        plainOffset_ = 0;
        if (closed_) return NetStatus::kClosed;
        SECURITY_STATUS status = SEC_E_INCOMPLETE_MESSAGE;
        SecBuffer buffers[4] = {};
        const bool alert = !incoming_.empty() && incoming_[0] == kAlertRecord;
        if (!incoming_.empty()) {
            buffers[0] = {static_cast<ULONG>(incoming_.size()), SECBUFFER_DATA, incoming_.data()};
            for (int i = 1; i < 4; ++i) buffers[i] = {0, SECBUFFER_EMPTY, nullptr};
            SecBufferDesc desc{SECBUFFER_VERSION, 4, buffers};
            CtxtHandle handle = context_.get();
            status = DecryptMessage(&handle, &desc, 0, nullptr);
        }
        if (status == SEC_E_INCOMPLETE_MESSAGE) {
            const NetStatus read = ReadMore();
            if (read != NetStatus::kOk) return read;
            continue;
        }
        if (status != SEC_E_OK && status != SEC_I_RENEGOTIATE && status != SEC_I_CONTEXT_EXPIRED) {
            return NetStatus::kFailed;
        }
        std::vector<char> extra;
        for (const SecBuffer& b : buffers) {
            const char* bytes = static_cast<const char*>(b.pvBuffer);
            if (b.BufferType == SECBUFFER_DATA && b.cbBuffer > 0) {
                plain_.insert(plain_.end(), bytes, bytes + b.cbBuffer);
            } else if (b.BufferType == SECBUFFER_EXTRA && b.cbBuffer > 0) {
                extra.assign(bytes, bytes + b.cbBuffer);
            }
        }
        incoming_ = std::move(extra);
        // Schannel reports the server's close_notify as an expired context;
        // Wine's reports the alert record as decrypted without data.
        if (status == SEC_I_CONTEXT_EXPIRED || (alert && plain_.empty())) {
            closed_ = true;
        } else if (status == SEC_I_RENEGOTIATE) {
            const NetStatus again = RunHandshake();
            if (again != NetStatus::kOk) return NetStatus::kFailed;
        }
    }
    const size_t count = std::min(capacity, plain_.size() - plainOffset_);
    std::memcpy(buffer, plain_.data() + plainOffset_, count);
    plainOffset_ += count;
    *received = count;
    return NetStatus::kOk;
}

void TlsChannel::Shutdown() {
    if (!context_.valid()) return;
    DWORD type = SCHANNEL_SHUTDOWN;
    SecBuffer control{sizeof type, SECBUFFER_TOKEN, &type};
    SecBufferDesc controlDesc{SECBUFFER_VERSION, 1, &control};
    CtxtHandle handle = context_.get();
    if (ApplyControlToken(&handle, &controlDesc) != SEC_E_OK) return;
    SecBuffer output{0, SECBUFFER_TOKEN, nullptr};
    SecBufferDesc outputDesc{SECBUFFER_VERSION, 1, &output};
    ULONG attributes = 0;
    const SECURITY_STATUS status = InitializeSecurityContextW(
        &credentials_, &handle, const_cast<wchar_t*>(target_.c_str()), kContextRequest, 0, 0,
        nullptr, 0, &handle, &outputDesc, &attributes, nullptr);
    if (status == SEC_E_OK || status == SEC_I_CONTINUE_NEEDED) {
        SendToken(output);
    } else {
        ScopedSecurityBuffer(output.pvBuffer).reset();
    }
}

}  // namespace velmor::ftp
