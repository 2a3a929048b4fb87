// events_bench ARCHIVE LISTFILE FOLDER RUNS: OrvZip's Pack and Unpack of a list through the
// registered library, each run once with a sink connected to the progress events and once
// without, alternating; prints the best time of each and the ratios.
#include <windows.h>
#include <ocidl.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>

#include "VelmorCOM_h.h"
#include "module/com_ptr.h"
#include "module/scoped_bstr.h"

namespace {

using velmor::ComPtr;
using velmor::ScopedBstr;

// Counts the events and does nothing else, as the cheapest host would.
class CountingSink final : public IDispatch {
public:
    long events = 0;
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        const bool known = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
                           IsEqualIID(iid, DIID__IOrvZipEvents);
        *out = known ? this : nullptr;
        return known ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                        UINT*) override {
        ++events;
        return S_OK;
    }
};

double Now() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

// The "name<TAB>path" lines of the list file as one Pack list (UTF-8 file, ASCII names).
std::wstring PackList(const wchar_t* listFile) {
    std::ifstream in(listFile, std::ios::binary);
    std::wstring list;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        if (!list.empty()) list += L'\t';
        list += std::wstring(line.begin(), line.end());
    }
    return list;
}

}  // namespace

int main() {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 5) {
        std::fprintf(stderr, "usage: events_bench ARCHIVE LISTFILE FOLDER RUNS\n");
        return 2;
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    int status = 1;
    {
        ComPtr<IOrvZip> zip;
        ComPtr<IConnectionPointContainer> container;
        ComPtr<IConnectionPoint> point;
        if (FAILED(CoCreateInstance(CLSID_OrvZip, nullptr, CLSCTX_INPROC_SERVER, IID_IOrvZip,
                                    zip.receiveVoid())) ||
            FAILED(zip.queryInterface(IID_IConnectionPointContainer, &container)) ||
            FAILED(container->FindConnectionPoint(DIID__IOrvZipEvents, point.receive()))) {
            std::fprintf(stderr, "OrvZip is not registered\n");
            return 1;
        }
        const ScopedBstr archive(argv[1]), list(PackList(argv[2])), folder(argv[3]);
        const int runs = std::max(1, _wtoi(argv[4]));
        CountingSink sink;
        double best[2][2] = {{1e9, 1e9}, {1e9, 1e9}};  // [connected][pack, unpack]
        long failures = 0;
        for (int i = 0; i < 2 * runs; ++i) {
            const int connected = i % 2;
            DWORD cookie = 0;
            if (connected) point->Advise(&sink, &cookie);
            long result = -1;
            double t0 = Now();
            zip->Pack(archive.get(), list.get(), &result);
            best[connected][0] = std::min(best[connected][0], Now() - t0);
            failures += result != 0;
            t0 = Now();
            zip->Unpack(archive.get(), folder.get(), &result);
            best[connected][1] = std::min(best[connected][1], Now() - t0);
            failures += result != 0;
            if (connected) point->Unadvise(cookie);
        }
        std::printf("pack_none=%.3f pack_events=%.3f pack_ratio=%.3f\n", best[0][0], best[1][0],
                    best[1][0] / best[0][0]);
        std::printf("unpack_none=%.3f unpack_events=%.3f unpack_ratio=%.3f\n", best[0][1],
                    best[1][1], best[1][1] / best[0][1]);
        std::printf("events_per_connected_run=%.1f failures=%ld\n",
                    static_cast<double>(sink.events) / runs, failures);
        status = failures == 0 ? 0 : 1;
    }
    CoUninitialize();
    LocalFree(argv);
    return status;
}
