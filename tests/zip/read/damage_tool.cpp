// damage_tool WORKFOLDER SEED...: unpacks thousands of deterministic mutations of each seed
// archive and checks that none crashes, hangs, returns an unknown code, or leaves anything
// outside its extraction folder. Prints one summary line per seed; exit code 1 on a fault.
#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "test_archive_builder.h"
#include "test_sandbox.h"
#include "zip/archive_listing.h"
#include "zip/unpack.h"
#include "zip/format/crc32.h"

namespace {

using velmor::zip::test::GetU32;
using velmor::zip::test::ListTree;
using velmor::zip::test::PutU16;
using velmor::zip::test::PutU32;
using velmor::zip::test::RemoveTree;
using velmor::zip::test::WriteFileBytes;

uint16_t GetU16(const std::string& b, size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) |
                                 (static_cast<uint8_t>(b[at + 1]) << 8));
}

uint64_t GetU64(const std::string& b, size_t at) {
    return GetU32(b, at) | (uint64_t{GetU32(b, at + 4)} << 32);
}

// Where the records of a well-formed seed lie.
struct Layout {
    std::vector<size_t> local;    // local header offsets
    std::vector<size_t> central;  // central header offsets
    size_t end = 0;
    size_t zip64End = 0;  // the Zip64 end record and its locator, where present
    size_t zip64Locator = 0;
};

bool ParseLayout(const std::string& b, Layout* layout) {
    if (b.size() < 22) return false;
    size_t end = b.size() - 22;
    while (end > 0 && GetU32(b, end) != 0x06054b50) --end;
    if (GetU32(b, end) != 0x06054b50) return false;
    layout->end = end;
    size_t count = GetU16(b, end + 10);
    size_t at = GetU32(b, end + 16);
    if (end >= 20 && GetU32(b, end - 20) == 0x07064b50) {
        layout->zip64Locator = end - 20;
        layout->zip64End = static_cast<size_t>(GetU64(b, end - 12));
        if (layout->zip64End + 56 > layout->zip64Locator) return false;
        count = static_cast<size_t>(GetU64(b, layout->zip64End + 32));
        at = static_cast<size_t>(GetU64(b, layout->zip64End + 48));
    }
    for (size_t i = 0; i < count; ++i) {
        if (at + 46 > b.size() || GetU32(b, at) != 0x02014b50) return false;
        layout->central.push_back(at);
        layout->local.push_back(GetU32(b, at + 42));
        at += 46 + GetU16(b, at + 28) + GetU16(b, at + 30) + GetU16(b, at + 32);
    }
    return true;
}

// Where the pieces of a WinZip AES entry's data lie.
struct AesPieces {
    size_t entry = 0;
    size_t block = 0;  // its local 0x9901 block
    size_t salt = 0;
    size_t saltSize = 0;
    size_t content = 0;  // after the 2-byte verifier
    size_t code = 0;     // the 10-byte authentication code
};

std::vector<AesPieces> FindAesEntries(const std::string& b, const Layout& layout) {
    std::vector<AesPieces> found;
    for (size_t e = 0; e < layout.central.size(); ++e) {
        if (GetU16(b, layout.central[e] + 10) != 99) continue;
        const size_t local = layout.local[e];
        const size_t extra = local + 30 + GetU16(b, local + 26);
        const size_t extraEnd = extra + GetU16(b, local + 28);
        for (size_t at = extra; at + 11 <= extraEnd; at += 4 + GetU16(b, at + 2)) {
            if (GetU16(b, at) != 0x9901) continue;
            AesPieces pieces;
            pieces.entry = e;
            pieces.block = at;
            pieces.salt = extraEnd;
            pieces.saltSize = 4 + 4 * static_cast<uint8_t>(b[at + 8]);
            pieces.content = pieces.salt + pieces.saltSize + 2;
            pieces.code = pieces.salt + GetU32(b, layout.central[e] + 20) - 10;
            found.push_back(pieces);
        }
    }
    return found;
}

// Names directly inside a folder (not below it).
std::vector<std::wstring> ListTop(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        names.push_back(data.cFileName);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

// A deterministic generator, so every run sees the same mutations.
struct Lcg {
    uint64_t state;
    uint32_t Next() {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<uint32_t>(state >> 33);
    }
};

class Harness {
public:
    explicit Harness(const std::wstring& work) : work_(work) {
        box_ = work_ + L"\\box";
        outer_ = box_ + L"\\up1\\up2";
        root_ = outer_ + L"\\out";
        archive_ = box_ + L"\\m.zip";
    }

    // Unpacks one mutation; false (with a message) when an invariant broke or the result
    // is not the expected one (any known result when expected is negative), or when
    // something was extracted where nothing may be.
    bool Run(const std::string& bytes, const std::string& password, const std::string& label,
             long expected, bool nothingExtracted) {
        if (runs_ == 0) {
            RemoveTree(box_);
            CreateDirectoryW(work_.c_str(), nullptr);
            CreateDirectoryW(box_.c_str(), nullptr);
            CreateDirectoryW((box_ + L"\\up1").c_str(), nullptr);
            CreateDirectoryW(outer_.c_str(), nullptr);
        }
        CreateDirectoryW(root_.c_str(), nullptr);
        WriteFileBytes(archive_, bytes);
        if (runs_ % 250 == 0) {
            std::printf("  [%d] %s\n", runs_, label.c_str());
            std::fflush(stdout);
        }
        // The seeds are too small for workers of their own accord; every fourth mutation is
        // read by two, so that their way through a damaged archive is tried too.
        SetEnvironmentVariableW(L"VELMOR_PACK_THREADS", runs_ % 4 == 0 ? L"2" : nullptr);
        const long result = velmor::zip::UnpackArchive(archive_, root_, password);
        ++runs_;
        ++codes_[result];
        if (result != 0 && result != 54 && result != 55 && result != 100) {
            std::printf("FAULT %s: unknown result %ld\n", label.c_str(), result);
            return false;
        }
        if (expected >= 0 && result != expected) {
            std::printf("FAULT %s: result %ld instead of %ld\n", label.c_str(), result, expected);
            return false;
        }
        if (nothingExtracted && !ListTree(root_).empty()) {
            std::printf("FAULT %s: entries extracted before the refusal\n", label.c_str());
            return false;
        }
        // Test reads what Unpack reads and gives its code, short of what only the disk refuses;
        // neither it nor List writes anything.
        const std::vector<std::wstring> tree = ListTree(root_);
        const long tested = velmor::zip::TestArchive(archive_, password);
        std::wstring listing;
        const long listed = velmor::zip::ListArchive(archive_, &listing);
        if (tested != result && !(result == 100 && tested == 0)) {
            std::printf("FAULT %s: Test gave %ld, Unpack %ld\n", label.c_str(), tested, result);
            return false;
        }
        if ((result == 54) != (listed == 54) || ListTree(root_) != tree) {
            std::printf("FAULT %s: List gave %ld, Unpack %ld\n", label.c_str(), listed, result);
            return false;
        }
        const std::wstring inside = L"box\\up1\\up2\\out\\";
        for (const std::wstring& path : ListTree(work_)) {
            if (path == L"box\\" || path == L"box\\m.zip" || path == L"box\\up1\\" ||
                path == L"box\\up1\\up2\\" || path.compare(0, inside.size(), inside) == 0) {
                continue;
            }
            std::printf("FAULT %s: %ls written outside the extraction folder\n", label.c_str(),
                        path.c_str());
            return false;
        }
        SetCurrentDirectoryW(work_.c_str());
        RemoveTree(root_);
        return true;
    }

    void Leave() {
        SetCurrentDirectoryW(work_.c_str());
        RemoveTree(box_);
    }

    int runs() const { return runs_; }
    std::string Codes() const {
        std::string text;
        for (const auto& code : codes_) {
            text += " " + std::to_string(code.first) + ":" + std::to_string(code.second);
        }
        return text;
    }
    void ResetCodes() { codes_.clear(); }

private:
    std::wstring work_, box_, outer_, root_, archive_;
    int runs_ = 0;
    std::map<long, int> codes_;
};

}  // namespace

int main() {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == nullptr || argc < 3) {
        std::fprintf(stderr, "usage: damage_tool WORKFOLDER [-pPASSWORD] [-z] SEED...\n");
        return 2;
    }
    Harness harness(argv[1]);
    // Files that appear at the drive roots would mean an escape by an absolute name.
    const auto rootsBefore = std::make_pair(ListTop(L"Z:\\"), ListTop(L"C:\\"));
    bool ok = true;
    std::string password;
    bool zip64Only = false;  // -z: the seeds after it get the Zip64 mutations alone
    for (int a = 2; a < argc && ok; ++a) {
        const std::wstring arg = argv[a];
        if (arg.compare(0, 2, L"-p") == 0) {
            password.assign(arg.begin() + 2, arg.end());
            continue;
        }
        if (arg == L"-z") {
            zip64Only = true;
            continue;
        }
        bool found = false;
        const std::string seed = velmor::zip::test::ReadFileBytes(arg, &found);
        Layout layout;
        if (!found || !ParseLayout(seed, &layout)) {
            std::printf("FAULT cannot use seed %ls\n", arg.c_str());
            return 1;
        }
        harness.ResetCodes();
        const int before = harness.runs();
        auto run = [&](const std::string& bytes, const std::string& what, long expected = -1,
                       bool nothingExtracted = false) {
            if (ok) {
                ok = harness.Run(bytes, password, std::string(arg.begin(), arg.end()) + " " + what,
                                 expected, nothingExtracted);
            }
        };

        run(seed, "unchanged");
        // The non-recursive zip bomb: every central entry points at the first entry's data.
        // Refused before anything is extracted.
        if (layout.central.size() > 1) {
            const size_t first = layout.central[0], next = layout.central[1];
            const size_t directory = layout.central.front();
            const size_t directoryEnd = layout.zip64End ? layout.zip64End : layout.end;
            std::string bomb = seed.substr(0, directory);
            for (size_t i = 0; i < layout.central.size(); ++i)
                bomb += seed.substr(first, next - first);
            const size_t shift = bomb.size() - directoryEnd;
            bomb += seed.substr(directoryEnd);
            const size_t size = bomb.size() - seed.size() + (directoryEnd - directory);
            if (layout.zip64End) {
                PutU32(bomb, layout.zip64End + shift + 40, static_cast<uint32_t>(size));
                PutU32(bomb, layout.zip64Locator + shift + 8,
                       static_cast<uint32_t>(layout.zip64End + shift));
            }
            if (GetU32(bomb, layout.end + shift + 12) != 0xFFFFFFFF) {
                PutU32(bomb, layout.end + shift + 12, static_cast<uint32_t>(size));
            }
            run(bomb, "every entry pointing at the first one's data", 100, true);
        }
        if (zip64Only) {
            if (!layout.zip64End) {
                std::printf("FAULT seed %ls has no Zip64 end record\n", arg.c_str());
                return 1;
            }
            // Cut anywhere in the Zip64 records and the end record; every byte of them changed.
            for (size_t n = layout.zip64End; n < seed.size(); ++n) {
                run(seed.substr(0, n), "truncated to " + std::to_string(n));
            }
            for (size_t at = layout.zip64End; at < layout.end; ++at) {
                std::string b = seed;
                b[at] = static_cast<char>(at % 2 ? 0xFF : b[at] ^ 0x21);
                run(b, "Zip64 record byte changed at " + std::to_string(at));
            }
            // Lying figures: counts, sizes and offsets of the record, the locator's offset,
            // and each Zip64 value of the entries' blocks, in the 64-bit range.
            const uint64_t lies[] = {0, 1, 0xFFFFFFFFull, 0x100000000ull, 1ull << 63, ~0ull};
            std::vector<size_t> fields = {layout.zip64End + 24, layout.zip64End + 32,
                                          layout.zip64End + 40, layout.zip64End + 48,
                                          layout.zip64Locator + 8};
            for (size_t e = 0; e < layout.central.size(); ++e) {
                for (size_t header : {layout.central[e], layout.local[e]}) {
                    const bool central = header == layout.central[e];
                    const size_t extra =
                        header + (central ? 46 : 30) + GetU16(seed, header + (central ? 28 : 26));
                    const size_t extraEnd = extra + GetU16(seed, header + (central ? 30 : 28));
                    for (size_t at = extra; at + 4 <= extraEnd; at += 4 + GetU16(seed, at + 2)) {
                        if (GetU16(seed, at) != 0x0001) continue;
                        for (size_t v = at + 4; v + 8 <= at + 4 + GetU16(seed, at + 2); v += 8) {
                            fields.push_back(v);
                        }
                        // The block cut short.
                        for (uint16_t size : {0, 4, 7}) {
                            std::string b = seed;
                            PutU16(b, at + 2, size);
                            run(b, "Zip64 block cut to " + std::to_string(size));
                        }
                    }
                }
            }
            for (size_t field : fields) {
                for (uint64_t lie : lies) {
                    std::string b = seed;
                    PutU32(b, field, static_cast<uint32_t>(lie));
                    PutU32(b, field + 4, static_cast<uint32_t>(lie >> 32));
                    run(b, "Zip64 figure at " + std::to_string(field) + " lying");
                }
            }
            std::printf("seed %ls: %d mutations, results%s\n", arg.c_str(), harness.runs() - before,
                        harness.Codes().c_str());
            std::fflush(stdout);
            continue;
        }
        // Truncations: in steps through the entries, every length near the directory's end.
        for (size_t n = 0; n < seed.size(); n += (n + 64 >= layout.end ? 1 : 13)) {
            run(seed.substr(0, n), "truncated to " + std::to_string(n));
        }
        // Every header byte, in turn: one bit flipped, cleared, or set to 0xFF.
        std::vector<std::pair<size_t, size_t>> headers;
        for (size_t at : layout.local) headers.push_back({at, 30});
        for (size_t at : layout.central) headers.push_back({at, 46});
        headers.push_back({layout.end, 22});
        for (const auto& h : headers) {
            for (size_t i = 0; i < h.second && h.first + i < seed.size(); ++i) {
                const size_t at = h.first + i;
                std::string b = seed;
                switch (at % 3) {
                    case 0:
                        b[at] = static_cast<char>(b[at] ^ (1 << (at / 3 % 8)));
                        break;
                    case 1:
                        b[at] = 0;
                        break;
                    default:
                        b[at] = static_cast<char>(0xFF);
                        break;
                }
                run(b, "header byte changed at " + std::to_string(at));
            }
        }
        // Bit flips in the data and names, at deterministic random places.
        Lcg random{seed.size()};
        for (int i = 0; i < 80; ++i) {
            std::string b = seed;
            const size_t at = random.Next() % seed.size();
            b[at] = static_cast<char>(b[at] ^ (1 << (random.Next() % 8)));
            run(b, "random flip at " + std::to_string(at));
        }
        // Wrong sizes and counts.
        const uint32_t values[] = {0, 1, 12, 0xFFFF, 0x7FFFFFFF, 0xFFFFFFFF};
        for (size_t e = 0; e < layout.central.size(); ++e) {
            for (uint32_t v : values) {
                for (size_t field : {size_t{20}, size_t{24}}) {  // compressed, uncompressed
                    std::string b = seed;
                    PutU32(b, layout.central[e] + field, v);
                    PutU32(b, layout.local[e] + field - 2, v);
                    run(b, "entry " + std::to_string(e) + " size field " + std::to_string(field));
                }
                std::string b = seed;
                PutU32(b, layout.central[e] + 42, v);
                run(b, "entry " + std::to_string(e) + " local offset");
            }
        }
        for (uint32_t v : {0u, 1u, 2u, 0xFFFEu, 0xFFFFu}) {
            std::string b = seed;
            PutU16(b, layout.end + 8, static_cast<uint16_t>(v));
            PutU16(b, layout.end + 10, static_cast<uint16_t>(v));
            run(b, "entry count " + std::to_string(v));
        }
        for (uint32_t v : values) {
            std::string b = seed;
            PutU32(b, layout.end + 12, v);
            run(b, "directory size");
            b = seed;
            PutU32(b, layout.end + 16, v);
            run(b, "directory offset");
        }
        // Overlapping records: entries sharing one local header, a central directory that
        // starts inside the entries, and a second copy of the directory.
        for (size_t e = 0; e + 1 < layout.central.size(); ++e) {
            std::string b = seed;
            PutU32(b, layout.central[e + 1] + 42, static_cast<uint32_t>(layout.local[e]));
            run(b, "entry " + std::to_string(e + 1) + " overlaps entry " + std::to_string(e));
            b = seed;
            PutU32(b, layout.central[e] + 42, static_cast<uint32_t>(layout.local[e] + 1));
            run(b, "local header shifted");
        }
        if (!layout.local.empty()) {
            std::string b = seed;
            PutU32(b, layout.end + 16, static_cast<uint32_t>(layout.local.back()));
            run(b, "directory inside the entries");
        }
        {
            const size_t start = layout.central.empty() ? layout.end : layout.central.front();
            std::string copy = seed.substr(0, layout.end);
            copy += seed.substr(start, layout.end - start);
            copy += seed.substr(layout.end);
            run(copy, "directory twice");
        }
        // Names that try to leave the folder, written into both headers.
        const char* escapes[] = {"../", "..\\", "/", "\\", "C:", "a:", "..", "\\\\"};
        for (size_t e = 0; e < layout.central.size(); ++e) {
            const uint16_t length = GetU16(seed, layout.central[e] + 28);
            for (const char* escape : escapes) {
                std::string name(escape);
                while (name.size() < length) name += name.size() % 3 == 2 ? "/" : ".";
                if (name.size() > length || length == 0) continue;
                std::string b = seed;
                b.replace(layout.central[e] + 46, length, name);
                b.replace(layout.local[e] + 30, length, name);
                run(b, "escaping name " + name);
                // Escape at the front, the stored rest kept.
                b = seed;
                const size_t n = std::min<size_t>(strlen(escape) * 2, length);
                std::string prefix;
                while (prefix.size() < n) prefix += escape;
                prefix.resize(n);
                b.replace(layout.central[e] + 46, n, prefix);
                b.replace(layout.local[e] + 30, n, prefix);
                run(b, "escaping prefix " + prefix);
            }
        }
        // AES entries: a changed salt or verifier is a wrong password; changed content or a
        // changed authentication code is damage, never success. Cut and rewritten blocks.
        for (const AesPieces& aes : FindAesEntries(seed, layout)) {
            const std::string entry = "AES entry " + std::to_string(aes.entry) + " ";
            auto flipped = [&](size_t at) {
                std::string b = seed;
                b[at] = static_cast<char>(b[at] ^ 0x10);
                return b;
            };
            for (size_t at = aes.salt; at < aes.content; ++at) {
                run(flipped(at), entry + "salt or verifier byte " + std::to_string(at), 55);
            }
            for (size_t at = aes.code; at < aes.code + 10; ++at) {
                run(flipped(at), entry + "code byte " + std::to_string(at), 100);
            }
            if (aes.code > aes.content) {
                for (size_t at : {aes.content, (aes.content + aes.code) / 2, aes.code - 1}) {
                    run(flipped(at), entry + "content byte " + std::to_string(at), 100);
                }
            }
            const size_t central = layout.central[aes.entry], local = layout.local[aes.entry];
            for (size_t cut : {size_t{0}, aes.saltSize - 1, aes.saltSize + 1, aes.saltSize + 11,
                               aes.code - aes.salt - 1}) {
                std::string b = seed;
                PutU32(b, central + 20, static_cast<uint32_t>(cut));
                PutU32(b, local + 18, static_cast<uint32_t>(cut));
                run(b, entry + "cut to " + std::to_string(cut));
            }
            // Version, vendor, strength and real method of the 0x9901 block, in turn.
            for (size_t field = 4; field < 11; ++field) {
                for (uint8_t v : {0, 1, 3, 4, 12, 0xFF}) {
                    std::string b = seed;
                    b[aes.block + field] = static_cast<char>(v);
                    run(b, entry + "block byte " + std::to_string(field));
                }
            }
        }
        // Names marked as UTF-8 (bit 11) that are not UTF-8, some of them overlong forms of
        // "." and "/", and Unicode Path blocks that lead out of the folder.
        const std::string notUtf8[] = {
            "\x80",         "\xC0\xAF",         "\xE0\x80\xAF", "\xF0\x80\x80\xAF",
            "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xFF",         "\xE6\x95",
            "..\xC0\xAF",   "\xC0\xAE\xC0\xAE/"};
        const std::string unicodePaths[] = {"../up.txt",     "..\\up.txt", "C:up.txt",
                                            "\\up.txt",      "/up.txt",    "\xC0\xAFup.txt",
                                            "a/../../up.txt"};
        for (size_t e = 0; e < layout.central.size(); ++e) {
            const size_t central = layout.central[e];
            const uint16_t length = GetU16(seed, central + 28);
            for (const std::string& bad : notUtf8) {
                if (bad.size() > length) continue;
                std::string b = seed;
                b.replace(central + 46, bad.size(), bad);
                b.replace(layout.local[e] + 30, bad.size(), bad);
                b[central + 9] = static_cast<char>(b[central + 9] | 0x08);
                b[layout.local[e] + 7] = static_cast<char>(b[layout.local[e] + 7] | 0x08);
                run(b, "entry " + std::to_string(e) + " UTF-8 name not UTF-8");
            }
            for (const std::string& path : unicodePaths) {
                const std::string stored = seed.substr(central + 46, length);
                std::string data = std::string(1, '\x01') + std::string(4, '\0') + path;
                PutU32(data, 1, velmor::zip::ComputeCrc32(stored.data(), stored.size()));
                const std::string block = velmor::zip::test::ExtraBlock(0x7075, data);
                const uint16_t extra = GetU16(seed, central + 30);
                std::string b = seed;
                b.insert(central + 46 + length + extra, block);
                PutU16(b, central + 30, static_cast<uint16_t>(extra + block.size()));
                const size_t end = layout.end + block.size();
                PutU32(b, end + 12, GetU32(b, end + 12) + static_cast<uint32_t>(block.size()));
                run(b, "entry " + std::to_string(e) + " Unicode Path " + path);
            }
        }
        std::printf("seed %ls: %d mutations, results%s\n", arg.c_str(), harness.runs() - before,
                    harness.Codes().c_str());
        std::fflush(stdout);
    }
    harness.Leave();
    const auto rootsAfter = std::make_pair(ListTop(L"Z:\\"), ListTop(L"C:\\"));
    if (rootsAfter != rootsBefore) {
        std::printf("FAULT something appeared or vanished at a drive root\n");
        ok = false;
    }
    std::printf("%d mutations, %s\n", harness.runs(), ok ? "no fault" : "FAULT");
    LocalFree(argv);
    return ok ? 0 : 1;
}
