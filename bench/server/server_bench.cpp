// Exchange-server scaling: generated exchange folders of 1,000, 10,000 and
// 100,000 devices; times of opening the folder, of one lookup by id and of
// one tick, and the cost per device.
#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "server/device_id.h"
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

// config.xml, Status.txt and Stack.txt with a line per device; the data
// file of every second device exists.
bool Generate(const std::wstring& dir, unsigned devices) {
    CreateDirectoryW(dir.c_str(), nullptr);
    std::string config = "<?xml version=\"1.0\"?>\r\n<DEVICES>\r\n";
    std::string status, stack;
    for (unsigned i = 0; i < devices; ++i) {
        const std::string id = IdText(i);
        config += "<PPC DEVICE_ID=\"" + id + "\" PSEUDONIM=\"Device " + std::to_string(i) +
                  "\" DIRECTORY=\"d" + std::to_string(i) + "\"/>\r\n";
        status += id + "\tdev\td" + std::to_string(i) + ".dat\t2024-05-31 14-30-05\t" +
                  std::to_string(i) + "\r\n";
        stack += id + "\tdev\ts" + std::to_string(i) + ".dat\t2024-05-31 15-00-00\t1\r\n";
        if (i % 2 == 0 && !WriteAll(dir + L"\\d" + std::to_wstring(i) + L".dat", "x")) return false;
    }
    config += "</DEVICES>\r\n";
    return WriteAll(dir + L"\\config.xml", config) && WriteAll(dir + L"\\Status.txt", status) &&
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
    double open, lookup, tick;
};

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
        Row row{devices, 0, 0, 0};
        row.open = Best(runs, [&] { engine.SetExchangeDir(dir); });
        if (engine.GetPPCCount() != static_cast<long>(devices) ||
            engine.Refresh() != static_cast<int>(devices / 2)) {
            std::fprintf(stderr, "unexpected device state at %u devices\n", devices);
            return 2;
        }
        const std::string lastText = IdText(devices - 2);
        const DeviceId last =
            velmor::server::ParseDeviceId(std::wstring(lastText.begin(), lastText.end()));
        row.lookup = Best(runs, [&] { engine.GetPPCInfo(last); });
        engine.Tick();  // the first tick fills the queue; later ones update it
        row.tick = Best(runs, [&] { engine.Tick(); });
        if (engine.ReadyQueue().Count() != devices / 2) {
            std::fprintf(stderr, "unexpected queue at %u devices\n", devices);
            return 2;
        }
        rows.push_back(row);
        RemoveFolder(dir);
    }

    std::printf("%-9s %14s %10s %14s %10s %14s %10s\n", "devices", "SetExchangeDir", "us/device",
                "GetPPCInfo", "us/device", "tick", "us/device");
    for (const Row& r : rows) {
        const double n = r.devices;
        std::printf("%-9u %11.1f ms %10.2f %11.1f ms %10.2f %11.1f ms %10.2f\n", r.devices, r.open,
                    1000 * r.open / n, r.lookup, 1000 * r.lookup / n, r.tick, 1000 * r.tick / n);
    }
    const Row& a = rows.front();
    const Row& b = rows.back();
    const double growOpen = (b.open / b.devices) / (a.open / a.devices);
    const double growLookup = (b.lookup / b.devices) / (a.lookup / a.devices);
    const double growTick = (b.tick / b.devices) / (a.tick / a.devices);
    std::printf("%-9s %14.2fx %10s %14.2fx %10s %14.2fx\n", "growth", growOpen, "", growLookup, "",
                growTick);
    const bool flat = growOpen <= 1.5 && growLookup <= 1.5 && growTick <= 1.5;
    std::printf("per-device cost from 1,000 to 100,000 devices: %s (limit 1.5x)\n",
                flat ? "flat" : "GROWS");
    CoUninitialize();
    return flat ? 0 : 1;
}
