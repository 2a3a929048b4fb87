// A host with many single-threaded apartments: eight threads, each its own apartment, start
// together so that the first class-object and type-information loads of a fresh process race,
// then create every class by ProgID and call it late-bound and early-bound in a tight loop,
// checking every answer. Run without arguments it repeats that in fresh processes; at the end
// of each process the library must be ready to unload.
#include <windows.h>
#include <objbase.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "VelmorCOM_h.h"
#include "module/com_ptr.h"
#include "module/scoped_bstr.h"
#include "velmor_version.h"

using velmor::ComPtr;
using velmor::ScopedBstr;
using velmor::ScopedVariant;

namespace {

constexpr int kThreads = 8;
constexpr int kRounds = 8;        // fresh processes
constexpr int kIterations = 150;  // per thread and process
constexpr DWORD kRoundTimeoutMs = 60000;
constexpr int kStaggerMicroseconds = 25;

const wchar_t kInfoLine[] =
    L"\"6B29FC40-CA47-1067-B31D-00DD010662DA\",\"van\",\"vans\",\"van_0042.dat\","
    L"\"2026-12-09 10-42-17\",\"0000000042\"";
const double kDistance = 111699.654;  // 55 00.0 N 37 00.0 E to 56 00.0 N 37 00.0 E

// The first fault of the process, and how many there were.
class Faults {
public:
    void Add(const std::string& what) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (count_++ == 0) first_ = what;
    }
    int count() const { return count_; }
    const std::string& first() const { return first_; }

private:
    std::mutex mutex_;
    int count_ = 0;
    std::string first_;
};

Faults g_faults;

void Check(bool ok, const char* progId, const char* what) {
    if (!ok) g_faults.Add(std::string(progId) + ": " + what);
}

// One argument of a late-bound call, in declaration order.
struct Arg {
    VARTYPE type;
    double number;
    const wchar_t* text;
};

struct LateCall {
    const wchar_t* method;
    DISPID id;
    std::vector<Arg> args;
    std::function<bool(const VARIANT&)> check;
};

struct ClassCase {
    const char* name;
    const wchar_t* progId;
    const IID* iid;
    std::vector<LateCall> late;
    std::function<bool(IUnknown*)> early;
};

bool IsText(const VARIANT& v, const wchar_t* text) {
    return v.vt == VT_BSTR &&
           std::wstring(v.bstrVal ? v.bstrVal : L"", SysStringLen(v.bstrVal)) == text;
}
bool IsLong(const VARIANT& v, long n) { return v.vt == VT_I4 && v.lVal == n; }
bool IsDistance(double metres) { return std::fabs(metres - kDistance) < 1e-3; }

template <class I>
ComPtr<I> As(IUnknown* unknown, REFIID iid) {
    ComPtr<I> p;
    unknown->QueryInterface(iid, p.receiveVoid());
    return p;
}

const std::vector<ClassCase>& Classes() {
    static const std::vector<ClassCase> classes = {
        {"Velmor.Zip.1",
         L"Velmor.Zip.1",
         &IID_IOrvZip,
         {{L"ErrDescription",
           4,
           {{VT_I4, 55, nullptr}},
           [](const VARIANT& v) { return IsText(v, L"Неправильный пароль"); }}},
         [](IUnknown* u) {
             ComPtr<IOrvZip> zip = As<IOrvZip>(u, IID_IOrvZip);
             ScopedBstr text;
             return zip && zip->ErrDescription(53, text.receive()) == S_OK &&
                    text.str() == L"Ошибка в параметре имен файлов";
         }},
        {"Velmor.Ftp.1",
         L"Velmor.Ftp.1",
         &IID_IOrvFtp,
         {{L"SetCurDir",
           5,
           {{VT_BSTR, 0, L"/incoming"}},
           [](const VARIANT& v) { return IsLong(v, 78); }},
          {L"ErrDescription",
           10,
           {{VT_I4, 78, nullptr}},
           [](const VARIANT& v) { return IsText(v, L"Не подключен к серверу"); }}},
         [](IUnknown* u) {
             ComPtr<IOrvFtp> ftp = As<IOrvFtp>(u, IID_IOrvFtp);
             ScopedBstr name(L"data.csv");
             long result = -1;
             return ftp && ftp->FileExists(name.get(), &result) == S_OK && result == 78;
         }},
        {"Velmor.Crypto.1",
         L"Velmor.Crypto.1",
         &IID_IOrvCrypto,
         {{L"ErrDescription",
           1,
           {{VT_I4, 56, nullptr}},
           [](const VARIANT& v) { return IsText(v, L""); }}},
         [](IUnknown* u) {
             ComPtr<IOrvCrypto> crypto = As<IOrvCrypto>(u, IID_IOrvCrypto);
             ScopedBstr text;
             return crypto && crypto->ErrDescription(1, text.receive()) == S_OK &&
                    text.str() == L"Неизвестная ошибка";
         }},
        {"Velmor.OrvServer.1",
         L"Velmor.OrvServer.1",
         &IID_IOrvServer,
         {{L"Version", 12, {}, [](const VARIANT& v) { return IsText(v, VELMOR_VERSION_WTEXT); }},
          {L"GetFieldPPCInfo",
           8,
           {{VT_BSTR, 0, kInfoLine}, {VT_BSTR, 0, L"file"}},
           [](const VARIANT& v) { return IsText(v, L"van_0042.dat"); }}},
         [](IUnknown* u) {
             ComPtr<IOrvServer> server = As<IOrvServer>(u, IID_IOrvServer);
             ScopedBstr line(kInfoLine), name(L"pseudonim"), field, dir;
             return server &&
                    server->GetFieldPPCInfo(line.get(), name.get(), field.receive()) == S_OK &&
                    field.str() == L"van" && server->GetExchangeDir(dir.receive()) == S_OK &&
                    dir.str().empty();
         }},
        {"Velmor.OrvGps.1",
         L"Velmor.OrvGps.1",
         &IID_IOrvGps,
         {{L"Distance",
           1,
           {{VT_R8, 5500.0, nullptr},
            {VT_R8, 3700.0, nullptr},
            {VT_R8, 5600.0, nullptr},
            {VT_R8, 3700.0, nullptr}},
           [](const VARIANT& v) { return v.vt == VT_R8 && IsDistance(v.dblVal); }}},
         [](IUnknown* u) {
             ComPtr<IOrvGps> gps = As<IOrvGps>(u, IID_IOrvGps);
             double metres = 0;
             return gps && gps->Distance(5500.0, 3700.0, 5600.0, 3700.0, &metres) == S_OK &&
                    IsDistance(metres);
         }},
    };
    return classes;
}

void CallLate(IDispatch* dispatch, const ClassCase& c, const LateCall& call) {
    LPOLESTR name = const_cast<LPOLESTR>(call.method);
    DISPID id = DISPID_UNKNOWN;
    HRESULT hr = dispatch->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
    Check(hr == S_OK && id == call.id, c.name, "GetIDsOfNames");
    if (hr != S_OK) return;
    // Arguments go in reverse order.
    std::vector<VARIANT> args(call.args.size());
    for (size_t i = 0; i < call.args.size(); ++i) {
        const Arg& a = call.args[i];
        VARIANT& v = args[call.args.size() - 1 - i];
        VariantInit(&v);
        v.vt = a.type;
        if (a.type == VT_BSTR) v.bstrVal = SysAllocString(a.text);
        if (a.type == VT_I4) v.lVal = static_cast<LONG>(a.number);
        if (a.type == VT_R8) v.dblVal = a.number;
    }
    DISPPARAMS params = {args.data(), nullptr, static_cast<UINT>(args.size()), 0};
    ScopedVariant result;
    hr = dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result.get(),
                          nullptr, nullptr);
    Check(hr == S_OK && call.check(result.ref()), c.name, "Invoke");
    for (VARIANT& v : args) VariantClear(&v);
}

void Exercise(const ClassCase& c) {
    CLSID clsid{};
    if (CLSIDFromProgID(c.progId, &clsid) != S_OK) return Check(false, c.name, "CLSIDFromProgID");
    ComPtr<IDispatch> dispatch;
    HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                  dispatch.receiveVoid());
    if (hr != S_OK) return Check(false, c.name, "CoCreateInstance");
    for (const LateCall& call : c.late) CallLate(dispatch.get(), c, call);
    Check(c.early(dispatch.get()), c.name, "early-bound call");
}

std::atomic<int> g_ready{0};

// Spins for about `microseconds`.
void Spin(int microseconds) {
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    do {
        YieldProcessor();
        QueryPerformanceCounter(&now);
    } while ((now.QuadPart - start.QuadPart) * 1000000 < frequency.QuadPart * microseconds);
}

void Apartment(int index) {
    const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(init)) g_faults.Add("CoInitializeEx");
    // Nobody goes until everybody is there, so that the first loads meet. Then the threads set
    // off a few microseconds apart, each at another class, so that some of them arrive while
    // another is still loading.
    g_ready.fetch_add(1);
    while (g_ready.load() < kThreads) YieldProcessor();
    Spin(index * kStaggerMicroseconds);
    const std::vector<ClassCase>& classes = Classes();
    for (int i = 0; i < kIterations; ++i) {
        for (size_t k = 0; k < classes.size(); ++k) Exercise(classes[(k + index) % classes.size()]);
    }
    if (SUCCEEDED(init)) CoUninitialize();
}

// The library as COM loads it: the path registered for the classes.
std::wstring RegisteredPath() {
    wchar_t path[MAX_PATH] = {};
    DWORD size = sizeof(path);
    RegGetValueW(HKEY_CLASSES_ROOT,
                 L"CLSID\\{D1784030-35C9-48C4-A68D-C8F46A423CF9}\\InprocServer32", nullptr,
                 RRF_RT_REG_SZ, nullptr, path, &size);
    return path;
}

int RunRound() {
    // Held from before the first apartment until after the last one, so that the module COM
    // loads is this one even after COM lets go of it.
    HMODULE library = LoadLibraryW(RegisteredPath().c_str());
    if (!library) {
        std::printf("the registered library cannot be loaded\n");
        return 2;
    }
    using CanUnloadFn = HRESULT(WINAPI*)();
    auto canUnloadNow = reinterpret_cast<CanUnloadFn>(GetProcAddress(library, "DllCanUnloadNow"));
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) threads.emplace_back(Apartment, i);
    for (std::thread& t : threads) t.join();
    if (!canUnloadNow || canUnloadNow() != S_OK) g_faults.Add("DllCanUnloadNow is not S_OK");
    FreeLibrary(library);
    if (g_faults.count() > 0) {
        std::printf("%d faults, the first: %s\n", g_faults.count(), g_faults.first().c_str());
        return 1;
    }
    return 0;
}

// Runs this program again with --round, as a fresh process.
int RunChild(int round) {
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(exe) + L"\" --round";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(exe, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        std::printf("round %d: the process cannot be started\n", round);
        return 1;
    }
    DWORD code = 1;
    if (WaitForSingleObject(process.hProcess, kRoundTimeoutMs) != WAIT_OBJECT_0) {
        std::printf("round %d: no answer within %lu ms\n", round, kRoundTimeoutMs);
        TerminateProcess(process.hProcess, 1);
    } else {
        GetExitCodeProcess(process.hProcess, &code);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (code != 0) std::printf("round %d failed (exit code %lu)\n", round, code);
    return code == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--round") return RunRound();
    int failed = 0;
    for (int round = 1; round <= kRounds; ++round) failed += RunChild(round);
    std::printf("%d of %d rounds without a fault\n", kRounds - failed, kRounds);
    std::fflush(stdout);
    return failed == 0 ? 0 : 1;
}
