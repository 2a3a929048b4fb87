// Timing and memory probe for the ZIP engine, driven by run.sh.
//   zip_bench pack ARCHIVE LISTFILE PASSWORD|- [aes]
//                                                 Pack job over a "name<TAB>path" list file;
//                                                 aes: the password encrypts with AES-256
//   zip_bench unpack ARCHIVE FOLDER PASSWORD|-    Unpack job
//   zip_bench test ARCHIVE PASSWORD|-             Test job (everything Unpack reads, nothing written)
//   zip_bench floor LISTFILE                      raw zlib level-8 deflate + CRC-32 of the same files
//   zip_bench createfloor LISTFILE FOLDER         Wine's own cost of making the listed files:
//                                                 each file's folders, then a bare
//                                                 CreateFile/WriteFile loop of its size in
//                                                 64 KiB writes
//   zip_bench cngfloor ENTRIES BYTES PASSWORD     what the platform's CNG alone costs an AES-256
//                                                 archive, read or written: one key derivation
//                                                 per entry, counter blocks and HMAC-SHA1 over
//                                                 BYTES
// Prints "seconds=<wall> result=<code> peak_mib=<peak private bytes growth>".
#include <windows.h>
#include <psapi.h>
#include <shellapi.h>
#include <zlib.h>

#include <cstdio>
#include <cwchar>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "zip/format/aes_crypto.h"
#include "zip/format/aes_ctr.h"
#include "zip/archive_listing.h"
#include "zip/archive_update.h"
#include "zip/folder_add.h"
#include "zip/pack.h"
#include "zip/unpack.h"

namespace {

std::wstring Widen(const std::string& s) {
    if (s.empty()) return std::wstring();
    const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), &w[0], n);
    return w;
}

std::string Narrow(const std::wstring& w) {
    if (w.empty()) return std::string();
    const int n = WideCharToMultiByte(CP_ACP, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, w.c_str(), -1, &s[0], n, nullptr, nullptr);
    s.resize(static_cast<size_t>(n - 1));
    return s;
}

std::vector<std::wstring> ListLines(const std::wstring& listFile) {
    std::ifstream in(listFile.c_str(), std::ios::binary);
    std::vector<std::wstring> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(Widen(line));
    }
    return lines;
}

double Now() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

SIZE_T PrivateBytes(bool peak) {
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
    return peak ? pmc.PeakPagefileUsage : pmc.PagefileUsage;
}

// The floor: every file read in 16 KiB pieces, deflated raw at level 8, CRC-32 computed.
// One compressor state serves all files (reset between them), as cheap as zlib allows.
long Floor(const std::vector<std::wstring>& lines) {
    std::vector<unsigned char> in(16384), out(16384);
    z_stream zs{};
    if (deflateInit2(&zs, 8, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) return 1;
    for (const std::wstring& line : lines) {
        const std::wstring path = line.substr(line.find(L'\t') + 1);
        HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               0, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            deflateEnd(&zs);
            return 1;
        }
        deflateReset(&zs);
        uLong crc = 0;
        DWORD got = 0;
        int flush = Z_NO_FLUSH;
        do {
            if (!ReadFile(h, in.data(), 16384, &got, nullptr)) got = 0;
            crc = crc32(crc, in.data(), got);
            flush = got == 0 ? Z_FINISH : Z_NO_FLUSH;
            zs.next_in = in.data();
            zs.avail_in = got;
            do {
                zs.next_out = out.data();
                zs.avail_out = 16384;
                deflate(&zs, flush);
            } while (zs.avail_out == 0);
        } while (flush != Z_FINISH);
        CloseHandle(h);
        if (crc == 0x12345678) std::printf("#");  // keeps the CRC from being optimised away
    }
    deflateEnd(&zs);
    return 0;
}

// Makes every listed file below folder (by its entry name, with the source's size) in 64 KiB
// writes of zeros, its folders first, as cheaply as the platform allows. The sizes are taken
// before the clock starts again.
long CreateFloor(const std::vector<std::wstring>& lines, const std::wstring& folder,
                 double* start) {
    std::vector<std::pair<std::wstring, uint64_t>> files;
    for (const std::wstring& line : lines) {
        const size_t tab = line.find(L'\t');
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (!GetFileAttributesExW(line.substr(tab + 1).c_str(), GetFileExInfoStandard, &data))
            return 1;
        files.push_back({folder + L"\\" + line.substr(0, tab),
                         (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow});
    }
    std::vector<char> zeros(65536);
    *start = Now();
    for (const auto& [path, size] : files) {
        for (size_t at = path.find(L'\\', folder.size() + 1); at != std::wstring::npos;
             at = path.find(L'\\', at + 1)) {
            CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
        }
        HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return 1;
        for (uint64_t left = size; left > 0;) {
            const DWORD n = static_cast<DWORD>(left < zeros.size() ? left : zeros.size());
            DWORD written = 0;
            if (!WriteFile(h, zeros.data(), n, &written, nullptr) || written != n) {
                CloseHandle(h);
                return 1;
            }
            left -= n;
        }
        CloseHandle(h);
    }
    return 0;
}

// The CNG share of an AES-256 unpack, through the same primitives the reader uses.
long CngFloor(long entries, long long bytes, const std::string& password) {
    velmor::zip::AesCrypto& crypto = velmor::zip::PlatformAesCrypto();
    uint8_t derived[66] = {};
    const uint8_t salt[16] = {1, 2, 3};
    for (long i = 0; i < entries; ++i) {
        if (!crypto.DerivePbkdf2Sha1(password, salt, 16, 1000, derived, sizeof derived)) return 1;
    }
    auto cipher = crypto.CreateBlockCipher(derived, 32);
    auto mac = crypto.CreateHmacSha1(derived + 32, 32);
    if (!cipher || !mac) return 1;
    velmor::zip::AesCtrKeystream keystream(*cipher);
    std::vector<uint8_t> chunk(16384);
    for (long long left = bytes; left > 0; left -= 16384) {
        const uint32_t n = static_cast<uint32_t>(left < 16384 ? left : 16384);
        if (!mac->Update(chunk.data(), n) || !keystream.Apply(chunk.data(), n)) return 1;
    }
    return mac->Finish(derived) ? 0 : 1;
}

}  // namespace

int main() {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 3) {
        std::fprintf(stderr,
                     "usage: zip_bench pack|unpack|list|test|add|folder|floor|cngfloor ...\n");
        return 2;
    }
    const std::wstring mode = argv[1];
    const SIZE_T base = PrivateBytes(false);
    double start = Now();
    long result = 0;
    if (mode == L"pack" && argc >= 5) {
        std::wstring list;
        for (const std::wstring& line : ListLines(argv[3])) {
            if (!list.empty()) list += L'\t';
            list += line;
        }
        const std::wstring pw = argv[4];
        const bool aes = argc >= 6 && std::wstring(argv[5]) == L"aes";
        result = velmor::zip::PackFiles(
            argv[2], list, pw == L"-" ? std::string() : Narrow(pw),
            aes ? velmor::zip::EntryEncryption::Aes256 : velmor::zip::EntryEncryption::Traditional);
    } else if (mode == L"unpack" && argc >= 5) {
        const std::wstring pw = argv[4];
        result =
            velmor::zip::UnpackArchive(argv[2], argv[3], pw == L"-" ? std::string() : Narrow(pw));
    } else if (mode == L"list") {
        std::wstring text;
        result = velmor::zip::ListArchive(argv[2], &text);
    } else if (mode == L"test" && argc >= 4) {
        const std::wstring pw = argv[3];
        result = velmor::zip::TestArchive(argv[2], pw == L"-" ? std::string() : Narrow(pw));
    } else if (mode == L"add" && argc >= 4) {
        std::wstring list;
        for (const std::wstring& line : ListLines(argv[3])) {
            if (!list.empty()) list += L'\t';
            list += line;
        }
        result = velmor::zip::AddFiles(argv[2], list, std::string(),
                                       velmor::zip::EntryEncryption::Traditional);
    } else if (mode == L"folder" && argc >= 4) {
        // AddFolder of a whole tree into a new archive, as the host's call makes it.
        velmor::zip::FolderRequest request;
        request.archiveName = argv[2];
        request.folder = argv[3];
        request.flags = velmor::zip::kFolderRecurse | velmor::zip::kFolderNewArchive;
        result = velmor::zip::AddFolder(request, std::string(),
                                        velmor::zip::EntryEncryption::Traditional,
                                        velmor::zip::kDeflateLevel);
    } else if (mode == L"cngfloor" && argc >= 5) {
        result = CngFloor(std::wcstol(argv[2], nullptr, 10), std::wcstoll(argv[3], nullptr, 10),
                          Narrow(argv[4]));
    } else if (mode == L"createfloor" && argc >= 4) {
        CreateDirectoryW(argv[3], nullptr);
        result = CreateFloor(ListLines(argv[2]), argv[3], &start);
    } else if (mode == L"floor") {
        result = Floor(ListLines(argv[2]));
    } else {
        std::fprintf(stderr, "unknown mode\n");
        return 2;
    }
    const double seconds = Now() - start;
    const SIZE_T peak = PrivateBytes(true);
    std::printf("seconds=%.3f result=%ld peak_mib=%.1f\n", seconds, result,
                static_cast<double>(peak > base ? peak - base : 0) / 1048576.0);
    LocalFree(argv);
    return result == 0 ? 0 : 1;
}
