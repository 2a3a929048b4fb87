// A small early-bound host: creates OrvGps and OrvZip by CLSID through the generated header and
// calls them through their v-tables.
#include <windows.h>

#include <cstdio>

#include "VelmorCOM_h.h"

int main() {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
    int rc = 0;
    IOrvGps* gps = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_OrvGps, nullptr, CLSCTX_INPROC_SERVER, IID_IOrvGps,
                                  reinterpret_cast<void**>(&gps));
    if (SUCCEEDED(hr)) {
        double metres = 0;
        gps->Distance(5545.2, 3737.0, 5956.0, 3019.0, &metres);  // Moscow to Saint Petersburg
        std::printf("Moscow - Saint Petersburg: %.0f m\n", metres);
        gps->Release();
    } else {
        std::printf("OrvGps is not registered (0x%08lx)\n", static_cast<unsigned long>(hr));
        rc = 1;
    }
    IOrvZip* zip = nullptr;
    hr = CoCreateInstance(CLSID_OrvZip, nullptr, CLSCTX_INPROC_SERVER, IID_IOrvZip,
                          reinterpret_cast<void**>(&zip));
    if (SUCCEEDED(hr)) {
        BSTR text = nullptr;
        zip->ErrDescription(55, &text);
        std::printf("OrvZip message 55 has %u characters\n", text ? SysStringLen(text) : 0u);
        SysFreeString(text);
        zip->Release();
    }
    CoUninitialize();
    return rc;
}
