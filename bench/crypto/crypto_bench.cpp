// Times EncryptFile/DecryptFile of one file against the floor of this
// platform: a bare loop of CryptEncrypt/CryptDecrypt over the same bytes in
// memory, in the same 1000-byte calls, with the same kind of key.
//
//   crypto_bench <plain file> <work folder>
//
// Prints "name=milliseconds" lines (best of three rounds) for run.sh.
#include <windows.h>
#include <wincrypt.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "crypto/crypt_constants.h"
#include "crypto/file_cryptor.h"

namespace {

using velmor::crypto::kChunkLength;

double NowMs() {
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct ArgvDeleter {
    void operator()(wchar_t** argv) const { LocalFree(argv); }
};

// The in-memory floor: one provider, one derived key, 1000-byte calls.
bool CipherLoop(std::vector<BYTE>& data, bool encrypt, double* ms) {
    HCRYPTPROV provider = 0;
    if (!CryptAcquireContextW(&provider, nullptr, velmor::crypto::kProviderName, PROV_RSA_FULL,
                              CRYPT_VERIFYCONTEXT))
        return false;
    HCRYPTHASH hash = 0;
    HCRYPTKEY key = 0;
    const wchar_t password[] = L"bench";
    bool ok = CryptCreateHash(provider, CALG_MD5, 0, 0, &hash) &&
              CryptHashData(hash, reinterpret_cast<const BYTE*>(password),
                            sizeof password - sizeof(wchar_t), 0) &&
              CryptDeriveKey(provider, CALG_RC2, hash, velmor::crypto::kDeriveFlagsDecrypt, &key);
    DWORD bits = velmor::crypto::kKeyBits;
    ok = ok && CryptSetKeyParam(key, KP_EFFECTIVE_KEYLEN, reinterpret_cast<BYTE*>(&bits), 0);
    const double start = NowMs();
    // In place and non-final only: the floor is the cipher's cost per call.
    for (size_t at = 0; ok && at + kChunkLength <= data.size(); at += kChunkLength) {
        BYTE* chunk = data.data() + at;
        DWORD length = kChunkLength;
        ok = encrypt ? CryptEncrypt(key, 0, FALSE, 0, chunk, &length, kChunkLength) != FALSE
                     : CryptDecrypt(key, 0, FALSE, 0, chunk, &length) != FALSE;
    }
    *ms = NowMs() - start;
    if (key) CryptDestroyKey(key);
    if (hash) CryptDestroyHash(hash);
    CryptReleaseContext(provider, 0);
    return ok;
}

}  // namespace

int main() {
    int argc = 0;
    std::unique_ptr<wchar_t*, ArgvDeleter> argv(CommandLineToArgvW(GetCommandLineW(), &argc));
    if (!argv || argc != 3) {
        std::fputs("usage: crypto_bench <plain file> <work folder>\n", stderr);
        return 2;
    }
    const std::wstring plain = argv.get()[1];
    const std::wstring work = argv.get()[2];
    const std::wstring encrypted = work + L"\\bench.enc";
    const std::wstring decrypted = work + L"\\bench.out";

    std::vector<BYTE> data;
    {
        std::ifstream in(plain.c_str(), std::ios::binary);
        data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    // Best of a few rounds, floor and file interleaved: the machine is
    // shared, and whatever load comes and goes should hit both alike.
    constexpr int kRounds = 3;
    double encryptFloor = 1e300, decryptFloor = 1e300;
    double encryptMs = 1e300, decryptMs = 1e300;
    velmor::crypto::FileCryptor cryptor;
    cryptor.SetPassword(L"bench");
    for (int round = 0; round < kRounds; ++round) {
        double encryptRound = 0, decryptRound = 0;
        if (!CipherLoop(data, true, &encryptRound) || !CipherLoop(data, false, &decryptRound)) {
            std::fputs("cipher loop failed\n", stderr);
            return 1;
        }
        encryptFloor = std::min(encryptFloor, encryptRound);
        decryptFloor = std::min(decryptFloor, decryptRound);

        double start = NowMs();
        if (cryptor.EncryptFile(plain, encrypted) != 0) return 1;
        encryptMs = std::min(encryptMs, NowMs() - start);
        start = NowMs();
        if (cryptor.DecryptFile(encrypted, decrypted) != 0) return 1;
        decryptMs = std::min(decryptMs, NowMs() - start);
    }

    std::printf("encrypt_floor=%.1f\ndecrypt_floor=%.1f\n", encryptFloor, decryptFloor);
    std::printf("encrypt_file=%.1f\ndecrypt_file=%.1f\n", encryptMs, decryptMs);
    return 0;
}
