// ftp_com_bench getfiles|putfiles|getfile|putfile SERVER USER PASSWORD FROM TO
// One transfer through the registered library's OrvFtp, as a host makes it:
// SpeedLimit 0, no window, GetFiles/PutFiles with vtRecurse. Prints
// "result=N seconds=S" (the transfer alone, the login not counted).
#include <windows.h>

#include <cstdio>
#include <string>

#include "VelmorCOM_h.h"
#include "module/com_ptr.h"
#include "module/scoped_bstr.h"

namespace {

using velmor::ComPtr;
using velmor::ScopedBstr;

double Now() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 7) {
        std::fprintf(stderr,
                     "usage: ftp_com_bench getfiles|putfiles|getfile|putfile SERVER USER "
                     "PASSWORD FROM TO\n");
        return 2;
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    long result = -1;
    double seconds = 0;
    {
        ComPtr<IOrvFtp3> ftp;
        if (FAILED(CoCreateInstance(CLSID_OrvFtp, nullptr, CLSCTX_INPROC_SERVER, IID_IOrvFtp3,
                                    reinterpret_cast<void**>(ftp.receive())))) {
            std::fprintf(stderr, "OrvFtp is not registered\n");
            return 2;
        }
        ftp->put_ShowProgressWindow(VARIANT_FALSE);
        ftp->put_SpeedLimit(0);
        ftp->OpenSession(&result);
        if (result == 0) {
            ftp->Connect(ScopedBstr(argv[2]).get(), ScopedBstr(argv[3]).get(),
                         ScopedBstr(argv[4]).get(), &result);
        }
        const std::wstring action = argv[1];
        const ScopedBstr from(argv[5]), to(argv[6]);
        const double start = Now();
        if (result == 0) {
            if (action == L"getfiles") {
                ftp->GetFiles(from.get(), to.get(), vtRecurse, &result);
            } else if (action == L"putfiles") {
                ftp->PutFiles(from.get(), to.get(), vtRecurse, &result);
            } else if (action == L"getfile") {
                ftp->GetFile(to.get(), from.get(), &result);  // GetFile(local, remote)
            } else {
                ftp->PutFile(from.get(), to.get(), &result);
            }
        }
        seconds = Now() - start;
        ftp->CloseSession();
    }
    CoUninitialize();
    std::printf("result=%ld seconds=%.3f\n", result, seconds);
    return result == 0 ? 0 : 1;
}
