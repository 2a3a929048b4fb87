#include "ftp/win/certificate_check.h"

#include <bcrypt.h>

#include "base/win/handle_traits.h"

namespace velmor::ftp {

bool CertificateFingerprint(PCCERT_CONTEXT certificate, CertificatePin& digest) {
    ScopedBCryptAlgorithm algorithm;
    if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(algorithm.receive(), BCRYPT_SHA256_ALGORITHM,
                                                    nullptr, 0))) {
        return false;
    }
    ScopedBCryptHash hash;
    if (!BCRYPT_SUCCESS(
            BCryptCreateHash(algorithm.get(), hash.receive(), nullptr, 0, nullptr, 0, 0)) ||
        !BCRYPT_SUCCESS(BCryptHashData(hash.get(), certificate->pbCertEncoded,
                                       certificate->cbCertEncoded, 0))) {
        return false;
    }
    return BCRYPT_SUCCESS(
        BCryptFinishHash(hash.get(), digest.data(), static_cast<ULONG>(digest.size()), 0));
}

bool CertificateMatchesPin(PCCERT_CONTEXT certificate, const CertificatePin& pin) {
    CertificatePin digest{};
    return CertificateFingerprint(certificate, digest) && digest == pin;
}

bool CertificateTrustedFor(PCCERT_CONTEXT certificate, const std::wstring& hostName) {
    char serverAuth[] = szOID_PKIX_KP_SERVER_AUTH;
    char* usages[] = {serverAuth};
    CERT_CHAIN_PARA chainPara{};
    chainPara.cbSize = sizeof chainPara;
    chainPara.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
    chainPara.RequestedUsage.Usage.cUsageIdentifier = 1;
    chainPara.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
    ScopedCertChain chain;
    if (!CertGetCertificateChain(nullptr, certificate, nullptr, certificate->hCertStore, &chainPara,
                                 0, nullptr, chain.receive())) {
        return false;
    }
    HTTPSPolicyCallbackData ssl{};
    ssl.cbStruct = sizeof ssl;
    ssl.dwAuthType = AUTHTYPE_SERVER;
    ssl.pwszServerName = const_cast<wchar_t*>(hostName.c_str());
    CERT_CHAIN_POLICY_PARA policy{};
    policy.cbSize = sizeof policy;
    policy.pvExtraPolicyPara = &ssl;
    CERT_CHAIN_POLICY_STATUS status{};
    status.cbSize = sizeof status;
    return CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain.get(), &policy, &status) &&
           status.dwError == 0;
}

}  // namespace velmor::ftp
