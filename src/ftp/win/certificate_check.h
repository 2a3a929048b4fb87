// The server certificate's check after the handshake: with a pin, its SHA-256
// fingerprint must be exactly the pin; without one, it must chain to a root
// the user's Windows trusts and be issued for the host name.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <string>

#include "ftp/certificate_pin.h"

namespace velmor::ftp {

// The SHA-256 fingerprint of the certificate's DER encoding; false when it
// cannot be computed.
bool CertificateFingerprint(PCCERT_CONTEXT certificate, CertificatePin& digest);

bool CertificateMatchesPin(PCCERT_CONTEXT certificate, const CertificatePin& pin);

// CertGetCertificateChain, then CertVerifyCertificateChainPolicy with the SSL
// policy for a server of that name.
bool CertificateTrustedFor(PCCERT_CONTEXT certificate, const std::wstring& hostName);

}  // namespace velmor::ftp
