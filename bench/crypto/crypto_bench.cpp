// Times EncryptFile/DecryptFile of one file against the floor of this
// platform: a bare loop of CryptEncrypt/CryptDecrypt over the same bytes in
// memory, in the same 1000-byte calls, with the same kind of key.
//
//   crypto_bench <plain file> <work folder>
//   crypto_bench <plain file> <work folder> <recipient> <identity file>
//
// The second form times the age path instead: EncryptFile to the recipient and DecryptFile
// with the identity, and the key derivation of the password path (an EncryptFile of an empty
// file, which is all scrypt). Prints "name=milliseconds" lines (best of three rounds) for
// run.sh.
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

std::wstring ReadText(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return std::wstring(text.begin(), text.end());
}

// The age path: best of three of each, the key derivation alone on an empty file.
int AgeRounds(const std::wstring& plain, const std::wstring& work, const std::wstring& recipient,
              const std::wstring& identityFile) {
    const std::wstring encrypted = work + L"\\bench.age";
    const std::wstring decrypted = work + L"\\bench.out";
    const std::wstring empty = work + L"\\empty.bin";
    CloseHandle(CreateFileW(empty.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    velmor::crypto::FileCryptor cryptor;
    cryptor.SetFormat(velmor::crypto::CryptFormat::kAge);
    if (cryptor.SetRecipients(recipient) != 0 ||
        cryptor.SetIdentities(ReadText(identityFile)) != 0) {
        std::fputs("bad keys\n", stderr);
        return 1;
    }
    velmor::crypto::FileCryptor password;
    password.SetFormat(velmor::crypto::CryptFormat::kAge);
    password.SetPassword(L"bench");
    double encryptMs = 1e300, decryptMs = 1e300, kdfMs = 1e300;
    for (int round = 0; round < 3; ++round) {
        double start = NowMs();
        if (cryptor.EncryptFile(plain, encrypted) != 0) return 1;
        encryptMs = std::min(encryptMs, NowMs() - start);
        start = NowMs();
        if (cryptor.DecryptFile(encrypted, decrypted) != 0) return 1;
        decryptMs = std::min(decryptMs, NowMs() - start);
        start = NowMs();
        if (password.EncryptFile(empty, work + L"\\empty.age") != 0) return 1;
        kdfMs = std::min(kdfMs, NowMs() - start);
    }
    std::printf("encrypt_age=%.1f\ndecrypt_age=%.1f\nkdf_age=%.1f\n", encryptMs, decryptMs, kdfMs);
    return 0;
}

}  // namespace

int main() {
    int argc = 0;
    std::unique_ptr<wchar_t*, ArgvDeleter> argv(CommandLineToArgvW(GetCommandLineW(), &argc));
    if (!argv || (argc != 3 && argc != 5)) {
        std::fputs("usage: crypto_bench <plain file> <work folder> [<recipient> <identity file>]\n",
                   stderr);
        return 2;
    }
    if (argc == 5) return AgeRounds(argv.get()[1], argv.get()[2], argv.get()[3], argv.get()[4]);
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
