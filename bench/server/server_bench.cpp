// Exchange-server scaling: generated exchange folders of 1,000, 10,000 and
// 100,000 devices; times of opening the folder, of reading it again after a
// change, of listing every device by index (with nothing changed, and right
// after a change) and of one tick, each with its cost per device; and the
// time of one lookup by id.
#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "server/core/device_id.h"
#include "server/core/info_line.h"
#include "server/server_engine.h"

namespace {

using velmor::server::DeviceId;
using velmor::server::ServerEngine;

std::string IdText(unsigned n) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%08X-1234-5678-9ABC-%012X", n * 2654435761u, n);
    return buf;
}

bool WriteAll(const std::wstring& path, const std::string& bytes) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
    return ok && written == bytes.size();
}

void RemoveFolder(const std::wstring& dir) {
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((dir + L"\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                DeleteFileW((dir + L"\\" + found.cFileName).c_str());
            }
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    RemoveDirectoryW(dir.c_str());
}

std::string StatusLine(unsigned i, unsigned crc) {
    return IdText(i) + "\tdev\td" + std::to_string(i) + ".dat\t2024-05-31 14-30-05\t" +
           std::to_string(crc) + "\r\n";
}

// Status.txt with one line per device; the first device's crc is 1000 +
// round, so that every round rewrites the file with the same size.
bool WriteStatus(const std::wstring& dir, unsigned devices, unsigned round) {
    std::string status;
    for (unsigned i = 0; i < devices; ++i)
        status += StatusLine(i, i == 0 ? 1000 + round % 1000 : i);
    return WriteAll(dir + L"\\Status.txt", status);
}

// config.xml, Status.txt and Stack.txt with a line per device; the data
// file of every second device exists.
bool Generate(const std::wstring& dir, unsigned devices) {
    CreateDirectoryW(dir.c_str(), nullptr);
    std::string config = "<?xml version=\"1.0\"?>\r\n<DEVICES>\r\n";
    std::string stack;
    for (unsigned i = 0; i < devices; ++i) {
        const std::string id = IdText(i);
        config += "<PPC DEVICE_ID=\"" + id + "\" PSEUDONIM=\"Device " + std::to_string(i) +
                  "\" DIRECTORY=\"d" + std::to_string(i) + "\"/>\r\n";
        stack += id + "\tdev\ts" + std::to_string(i) + ".dat\t2024-05-31 15-00-00\t1\r\n";
        if (i % 2 == 0 && !WriteAll(dir + L"\\d" + std::to_wstring(i) + L".dat", "x")) return false;
    }
    config += "</DEVICES>\r\n";
    return WriteAll(dir + L"\\config.xml", config) && WriteStatus(dir, devices, 0) &&
           WriteAll(dir + L"\\Stack.txt", stack);
}

double NowMs() {
    static LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(freq.QuadPart);
}

template <class F>
double Best(int runs, F f) {
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        const double start = NowMs();
        f();
        best = std::min(best, NowMs() - start);
    }
    return best;
}

struct Row {
    unsigned devices;
    double open, reread, list, listChanged, tick, lookup;
};

// Every device by index, as a host lists them; false when a line is missing.
bool ListAll(ServerEngine& engine) {
    const long count = engine.GetPPCCount();
    for (long i = 0; i < count; ++i) {
        if (engine.GetPPCInfoByIndex(i).empty()) return false;
    }
    return true;
}

std::wstring CrcOfFirst(ServerEngine& engine) {
    return velmor::server::ExtractField(engine.GetPPCInfoByIndex(0), L"crc");
}

double PerDevice(double ms, unsigned devices) { return 1000 * ms / devices; }

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    std::vector<unsigned> sizes;
    for (int i = 2; i < argc; ++i) sizes.push_back(static_cast<unsigned>(std::atoi(argv[i])));
    if (sizes.empty()) sizes = {1000u, 10000u, 100000u};
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);

    std::vector<Row> rows;
    for (unsigned devices : sizes) {
        const std::wstring dir =
            std::wstring(temp) + L"orv_server_bench_" + std::to_wstring(devices);
        RemoveFolder(dir);
        if (!Generate(dir, devices)) {
            std::fprintf(stderr, "cannot generate %u devices\n", devices);
            return 2;
        }
        std::fprintf(stderr, "%u devices generated\n", devices);
        ServerEngine engine;
        Row row{devices, 0, 1e300, 0, 1e300, 0, 0};
        row.open = Best(runs, [&] { engine.SetExchangeDir(dir); });
        if (engine.GetPPCCount() != static_cast<long>(devices) ||
            engine.Refresh() != static_cast<int>(devices / 2)) {
            std::fprintf(stderr, "unexpected device state at %u devices\n", devices);
            return 2;
        }
        // Each round rewrites Status.txt with the same size and checks that
        // the first device shows the new crc, so the timed part read it again.
        unsigned round = 0;
        bool ok = true;
        auto change = [&] {
            ok = ok && WriteStatus(dir, devices, ++round);
            return std::to_wstring(1000 + round % 1000);
        };
        auto expect = [&](const std::wstring& crc) {
            ok = ok && CrcOfFirst(engine) == std::wstring(10 - crc.size(), L'0') + crc;
        };
        for (int i = 0; i < runs; ++i) {
            const std::wstring crc = change();
            const double start = NowMs();
            engine.Refresh();
            row.reread = std::min(row.reread, NowMs() - start);
            expect(crc);
        }
        row.list = Best(runs, [&] { ok = ok && ListAll(engine); });
        for (int i = 0; i < runs; ++i) {
            const std::wstring crc = change();
            const double start = NowMs();
            ok = ok && ListAll(engine);
            row.listChanged = std::min(row.listChanged, NowMs() - start);
            expect(crc);
        }
        const std::string lastText = IdText(devices - 2);
        const DeviceId last =
            velmor::server::ParseDeviceId(std::wstring(lastText.begin(), lastText.end()));
        row.lookup = Best(runs, [&] { ok = ok && !engine.GetPPCInfo(last).empty(); });
        engine.Tick();  // the first tick fills the queue; later ones update it
        row.tick = Best(runs, [&] { engine.Tick(); });
        if (!ok || engine.ReadyQueue().Count() != devices / 2) {
            std::fprintf(stderr, "unexpected results at %u devices\n", devices);
            return 2;
        }
        rows.push_back(row);
        RemoveFolder(dir);
    }

    std::printf("%-8s %21s %21s %21s %21s %21s %12s\n", "", "SetExchangeDir", "re-read",
                "list by index", "list after change", "tick", "GetPPCInfo");
    std::printf("%-8s", "devices");
    for (int i = 0; i < 5; ++i) std::printf(" %10s %10s", "ms", "us/device");
    std::printf(" %12s\n", "us");
    for (const Row& r : rows) {
        std::printf("%-8u", r.devices);
        for (double ms : {r.open, r.reread, r.list, r.listChanged, r.tick}) {
            std::printf(" %10.1f %10.2f", ms, PerDevice(ms, r.devices));
        }
        std::printf(" %12.1f\n", 1000 * r.lookup);
    }
    const Row& a = rows.front();
    const Row& b = rows.back();
    auto growth = [&](double Row::*field) {
        return PerDevice(b.*field, b.devices) / PerDevice(a.*field, a.devices);
    };
    double worst = 0;
    std::printf("%-8s", "growth");
    for (double Row::*field :
         {&Row::open, &Row::reread, &Row::list, &Row::listChanged, &Row::tick}) {
        const double g = growth(field);
        worst = std::max(worst, g);
        std::printf(" %10s %9.2fx", "", g);
    }
    std::printf("\n");
    const bool flat = worst <= 1.5;
    std::printf("per-device cost from %u to %u devices: %s (limit 1.5x)\n", a.devices, b.devices,
                flat ? "flat" : "GROWS");
    bool inPoll = true;
    for (const Row& r : rows) {
        if (r.devices != 10000) continue;
        inPoll = r.listChanged <= velmor::server::kPollIntervalMs / 5.0;
        std::printf(
            "listing 10,000 devices after a change: %.0f ms of the %d ms poll (limit a "
            "fifth)\n",
            r.listChanged, velmor::server::kPollIntervalMs);
    }
    CoUninitialize();
    return flat && inPoll ? 0 : 1;
}
