// Calls per second of OrvGps.Distance early-bound and late-bound, and of name lookups with and
// without the library's name cache.
#include <windows.h>

#include <cstdio>

#include "VelmorCOM_h.h"

namespace {

double Seconds(LARGE_INTEGER a, LARGE_INTEGER b) {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return double(b.QuadPart - a.QuadPart) / double(f.QuadPart);
}

template <class F>
double Rate(int calls, F f) {
    LARGE_INTEGER a, b;
    QueryPerformanceCounter(&a);
    for (int i = 0; i < calls; ++i) f(i);
    QueryPerformanceCounter(&b);
    return calls / Seconds(a, b);
}

}  // namespace

int main(int argc, char** argv) {
    const int calls = argc > 1 ? atoi(argv[1]) : 200000;
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
    IOrvGps* gps = nullptr;
    if (FAILED(CoCreateInstance(CLSID_OrvGps, nullptr, CLSCTX_INPROC_SERVER, IID_IOrvGps,
                                reinterpret_cast<void**>(&gps)))) {
        std::printf("OrvGps is not registered\n");
        return 1;
    }
    volatile double sink = 0;
    wchar_t nameText[] = L"Distance";
    LPOLESTR name = nameText;

    auto invoke = [&](DISPID id, int i) {
        VARIANTARG args[4];
        for (int k = 0; k < 4; ++k) {
            VariantInit(&args[k]);
            args[k].vt = VT_R8;
            args[k].dblVal = 5500.0 + k + (i & 7);
        }
        DISPPARAMS params{args, nullptr, 4, 0};
        VARIANT result;
        VariantInit(&result);
        gps->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, &result, nullptr, nullptr);
        sink = sink + result.dblVal;
    };

    const double early = Rate(calls, [&](int i) {
        double d = 0;
        gps->Distance(5545.2, 3737.0, 5945.2 + (i & 7), 3037.0, &d);
        sink = sink + d;
    });
    const double lateByName = Rate(calls, [&](int i) {
        DISPID id = 0;
        gps->GetIDsOfNames(IID_NULL, &name, 1, 0, &id);
        invoke(id, i);
    });
    DISPID cached = 0;
    gps->GetIDsOfNames(IID_NULL, &name, 1, 0, &cached);
    const double lateCached = Rate(calls, [&](int i) { invoke(cached, i); });

    const double namesCached = Rate(calls * 5, [&](int) {
        DISPID id = 0;
        gps->GetIDsOfNames(IID_NULL, &name, 1, 0, &id);
        sink = sink + id;
    });
    ITypeInfo* info = nullptr;
    gps->GetTypeInfo(0, 0, &info);
    const double namesTypeInfo = Rate(calls * 5, [&](int) {
        MEMBERID id = 0;
        info->GetIDsOfNames(&name, 1, &id);
        sink = sink + id;
    });
    info->Release();
    gps->Release();
    CoUninitialize();

    std::printf("%-48s %14s\n", "OrvGps.Distance", "calls/s");
    std::printf("%-48s %14.0f\n", "early-bound (v-table)", early);
    std::printf("%-48s %14.0f\n", "late-bound, GetIDsOfNames + Invoke each call", lateByName);
    std::printf("%-48s %14.0f\n", "late-bound, cached DISPID + Invoke", lateCached);
    std::printf("\n%-48s %14s\n", "GetIDsOfNames(\"Distance\")", "lookups/s");
    std::printf("%-48s %14.0f\n", "through the library (name cache)", namesCached);
    std::printf("%-48s %14.0f\n", "type information's own lookup", namesTypeInfo);
    std::printf("%-48s %14.2fx\n", "name cache speed-up", namesCached / namesTypeInfo);
    const bool ok = namesCached > namesTypeInfo;
    std::printf("\nname cache beats the type information: %s\n", ok ? "yes" : "NO");
    return ok ? 0 : 1;
}
