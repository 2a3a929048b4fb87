// A host that connects to the progress events of OrvZip and OrvFtp through connection points,
// as VBA, Delphi and 1C do, against the registered library and the local FTP server.
#include <gtest/gtest.h>

#include <ocidl.h>

#include <functional>
#include <vector>

#include "../ftp/ftp_test_files.h"
#include "../ftp/ftp_test_server.h"
#include "VelmorCOM_h.h"
#include "common/com_test_util.h"

namespace {

using velmor::ComPtr;
using velmor::ScopedBstr;
using velmor::ftp::testing::FileExistsOnDisk;
using velmor::ftp::testing::ReadWholeFile;
using velmor::ftp::testing::TestServer;
using velmor::ftp::testing::WriteWholeFile;

struct Event {
    std::wstring name;
    double done, total;
};

// A sink of the source dispinterface: records every Progress and runs `onEvent`, whose answer
// is the cancel flag it hands back.
class Sink final : public IDispatch {
public:
    std::vector<Event> events;
    std::function<bool(size_t index)> onEvent = [](size_t) { return false; };
    HRESULT answer = S_OK;  // what Invoke returns: a failing sink

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        *out = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
                       IsEqualIID(iid, DIID__IOrvZipEvents) ||
                       IsEqualIID(iid, DIID__IOrvFtpEvents) ||
                       IsEqualIID(iid, DIID__IOrvCryptoEvents)
                   ? this
                   : nullptr;
        return *out ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* p, VARIANT*, EXCEPINFO*,
                        UINT*) override {
        EXPECT_EQ(1, id);
        EXPECT_EQ(4u, p->cArgs);
        EXPECT_EQ(VT_BOOL | VT_BYREF, p->rgvarg[0].vt);
        events.push_back({p->rgvarg[3].bstrVal, p->rgvarg[2].dblVal, p->rgvarg[1].dblVal});
        if (onEvent(events.size() - 1)) *p->rgvarg[0].pboolVal = VARIANT_TRUE;
        return answer;
    }
};

// Connects through the container with the IID the class information names.
DWORD Advise(IUnknown* object, Sink& sink, ComPtr<IConnectionPoint>* point) {
    ComPtr<IProvideClassInfo2> info;
    ComPtr<IConnectionPointContainer> container;
    GUID source{};
    EXPECT_EQ(S_OK, object->QueryInterface(IID_IProvideClassInfo2, info.receiveVoid()));
    EXPECT_EQ(S_OK, info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source));
    ComPtr<ITypeInfo> coclass;
    EXPECT_EQ(S_OK, info->GetClassInfo(coclass.receive()));
    EXPECT_EQ(S_OK, object->QueryInterface(IID_IConnectionPointContainer, container.receiveVoid()));
    EXPECT_EQ(S_OK, container->FindConnectionPoint(source, point->receive()));
    DWORD cookie = 0;
    EXPECT_EQ(S_OK, (*point)->Advise(&sink, &cookie));
    return cookie;
}

// Start with 0, done never falling, the end with done = total when the call completed.
void ExpectPaced(const std::vector<Event>& events, long result) {
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(0, events.front().done);
    for (size_t i = 1; i < events.size(); ++i) EXPECT_GE(events[i].done, events[i - 1].done);
    if (result == 0) {
        EXPECT_EQ(events.back().total, events.back().done);
    }
}

// Data that deflates at a realistic pace: words of a small alphabet.
std::vector<BYTE> Text(size_t size, unsigned seed) {
    std::vector<BYTE> bytes(size);
    for (BYTE& b : bytes) {
        seed = seed * 1103515245 + 12345;
        b = (seed >> 16) % 7 == 0 ? ' ' : static_cast<BYTE>('a' + (seed >> 20) % 16);
    }
    return bytes;
}

class EventsTest : public ::testing::Test {
protected:
    velmor::test::ComApartment apartment;
    velmor::test::TempDir folder;
    ComPtr<IOrvZip2> zip;
    std::wstring list;

    void SetUp() override {
        ASSERT_EQ(S_OK, velmor::test::CreateComponent(CLSID_OrvZip, IID_IOrvZip2, &zip));
        for (int i = 0; i < 4; ++i) {
            const std::wstring name = L"part" + std::to_wstring(i) + L".txt";
            WriteWholeFile(folder / name, Text(12 << 20, i));
            list += (list.empty() ? L"" : L"\t") + name + L"\t" + folder.file(name);
        }
    }
    long Pack(const std::wstring& archive) {
        long result = -1;
        EXPECT_EQ(S_OK, zip->Pack(ScopedBstr(archive).get(), ScopedBstr(list).get(), &result));
        return result;
    }
    long Unpack(const std::wstring& archive, const std::wstring& to) {
        long result = -1;
        EXPECT_EQ(S_OK, zip->Unpack(ScopedBstr(archive).get(), ScopedBstr(to).get(), &result));
        return result;
    }
};

// The rules of one table: order of sinks, a failing and a leaving sink, cancel, re-entrance.
TEST_F(EventsTest, ZipPackAndUnpack) {
    Sink first, second;
    ComPtr<IConnectionPoint> point;
    const DWORD firstCookie = Advise(zip.get(), first, &point);
    Advise(zip.get(), second, &point);
    std::vector<int> order;
    long inner = -1;
    first.answer = E_FAIL;  // does not keep the second from hearing
    first.onEvent = [&](size_t i) {
        order.push_back(1);
        if (i == 1) point->Unadvise(firstCookie);  // leaves in the middle of a call
        return false;
    };
    second.onEvent = [&](size_t i) {
        order.push_back(2);
        if (i == 1) zip->Test(ScopedBstr(folder.file(L"a.zip")).get(), &inner);
        return false;
    };
    const std::wstring archive = folder.file(L"a.zip");
    ASSERT_EQ(0, Pack(archive));
    ExpectPaced(second.events, 0);
    EXPECT_GE(second.events.size(), 4u);
    EXPECT_EQ(4.0 * (12 << 20), second.events.back().total);
    EXPECT_EQ(L"part0.txt", second.events.front().name);
    EXPECT_EQ(L"part3.txt", second.events.back().name);
    EXPECT_EQ(2u, first.events.size());
    EXPECT_EQ((std::vector<int>{1, 2, 1, 2}), std::vector<int>(order.begin(), order.begin() + 4));
    EXPECT_EQ(100, inner);  // the call from the handler, refused at once
    long last = -1;
    EXPECT_EQ(S_OK, zip->get_LastResult(&last));
    EXPECT_EQ(0, last);

    // Unpack: cancelled in the middle, the entries complete stay, the one being written goes.
    // On the calling thread alone, so that the call lasts well past its first paced event
    // (on the cores it can end within 100 ms).
    second.events.clear();
    second.onEvent = [](size_t i) { return i == 1; };
    const std::wstring out = folder.file(L"out");
    SetEnvironmentVariableW(L"VELMOR_PACK_THREADS", L"1");
    EXPECT_EQ(77, Unpack(archive, out));
    SetEnvironmentVariableW(L"VELMOR_PACK_THREADS", nullptr);
    ASSERT_EQ(2u, second.events.size());
    EXPECT_LT(second.events.back().done, second.events.back().total);
    int kept = 0;
    for (int i = 0; i < 4; ++i) {
        const std::wstring file = out + L"\\part" + std::to_wstring(i) + L".txt";
        if (!FileExistsOnDisk(file)) continue;
        ++kept;
        EXPECT_EQ(size_t{12} << 20, ReadWholeFile(file).size());
    }
    EXPECT_LT(kept, 4);

    // The whole Unpack, and a Pack cancelled at its second event, on workers and on the
    // calling thread alone.
    second.events.clear();
    second.onEvent = [](size_t) { return false; };
    EXPECT_EQ(0, Unpack(archive, out));
    ExpectPaced(second.events, 0);
    second.onEvent = [](size_t i) { return i == 1; };
    for (const wchar_t* threads : {L"4", L"1"}) {
        SetEnvironmentVariableW(L"VELMOR_PACK_THREADS", threads);
        second.events.clear();
        EXPECT_EQ(77, Pack(folder.file(L"b.zip")));
        EXPECT_EQ(2u, second.events.size());
    }
    SetEnvironmentVariableW(L"VELMOR_PACK_THREADS", nullptr);
}

TEST_F(EventsTest, FtpGetAndPutWithoutWindow) {
    if (!TestServer::Available()) GTEST_SKIP() << "no local FTP server";
    ComPtr<IOrvFtp2> ftp;
    ASSERT_EQ(S_OK, velmor::test::CreateComponent(CLSID_OrvFtp, IID_IOrvFtp2, &ftp));
    VARIANT_BOOL shown = VARIANT_FALSE;
    EXPECT_EQ(S_OK, ftp->get_ShowProgressWindow(&shown));
    EXPECT_EQ(VARIANT_TRUE, shown);
    ASSERT_EQ(S_OK, ftp->put_ShowProgressWindow(VARIANT_FALSE));
    long result = -1;
    ftp->CloseSession();
    ASSERT_EQ(S_OK, ftp->OpenSession(&result));
    ASSERT_EQ(S_OK,
              ftp->Connect(ScopedBstr(TestServer::Address()).get(), ScopedBstr(L"tester").get(),
                           ScopedBstr(L"secret").get(), &result));
    ASSERT_EQ(0, result);
    Sink sink;
    ComPtr<IConnectionPoint> point;
    Advise(ftp.get(), sink, &point);

    const std::wstring local = folder.file(L"part0.txt");
    const std::wstring remote = L"events-up.txt";
    const auto put = [&] {
        EXPECT_EQ(S_OK, ftp->PutFile(ScopedBstr(local).get(), ScopedBstr(remote).get(), &result));
        return result;
    };
    const auto get = [&](const std::wstring& to, const std::wstring& from) {
        EXPECT_EQ(S_OK, ftp->GetFile(ScopedBstr(to).get(), ScopedBstr(from).get(), &result));
        return result;
    };
    // An upload cancelled in the middle leaves nothing on the server; a whole one arrives.
    sink.onEvent = [](size_t i) { return i == 1; };
    EXPECT_EQ(77, put());
    EXPECT_FALSE(FileExistsOnDisk(TestServer::RootFile(remote)));
    sink.onEvent = [](size_t) { return false; };
    sink.events.clear();
    EXPECT_EQ(0, put());
    ExpectPaced(sink.events, 0);
    EXPECT_EQ(remote, sink.events.back().name);
    EXPECT_EQ(size_t{12} << 20, ReadWholeFile(TestServer::RootFile(remote)).size());
    EXPECT_EQ(S_OK, ftp->get_LastResult(&result));
    EXPECT_EQ(0, result);

    // Downloads are paced at a chunk per pause: a small file gives several events.
    sink.events.clear();
    EXPECT_EQ(0, get(folder.file(L"ten.bin"), L"ten_thousand.bin"));
    ExpectPaced(sink.events, 0);
    EXPECT_GE(sink.events.size(), 3u);
    EXPECT_EQ(10000, sink.events.back().total);
    sink.onEvent = [](size_t i) { return i == 1; };
    sink.events.clear();
    EXPECT_EQ(77, get(folder.file(L"cut.bin"), L"ten_thousand.bin"));
    EXPECT_FALSE(FileExistsOnDisk(folder.file(L"cut.bin")));
    ftp->CloseSession();
}

// Files in both formats: paced events named after the input; a cancel at any point gives 77
// and leaves an existing target as it was.
TEST_F(EventsTest, CryptoFiles) {
    ComPtr<IOrvCrypto2> crypto;
    ASSERT_EQ(S_OK, velmor::test::CreateComponent(CLSID_OrvCrypto, IID_IOrvCrypto2, &crypto));
    Sink sink;
    ComPtr<IConnectionPoint> point;
    Advise(crypto.get(), sink, &point);
    const std::wstring plain = folder.file(L"part0.txt");
    const std::wstring kept = folder.file(L"kept.txt");
    const std::vector<BYTE> keep = {'k', 'e', 'e', 'p'};
    const auto run = [&](bool encrypt, const std::wstring& from, const std::wstring& to) {
        long result = -1;
        ScopedBstr a(from), b(to);
        EXPECT_EQ(S_OK, encrypt ? crypto->EncryptFile(a.get(), b.get(), &result)
                                : crypto->DecryptFile(a.get(), b.get(), &result));
        long last = -2;
        EXPECT_EQ(S_OK, crypto->get_LastResult(&last));
        EXPECT_EQ(result, last);
        return result;
    };
    for (long format : {1, 0}) {
        SCOPED_TRACE(format);
        ASSERT_EQ(S_OK, crypto->put_Format(format));
        const std::wstring sealed = folder.file(format == 1 ? L"part0.age" : L"part0.enc");
        sink.onEvent = [](size_t) { return false; };
        sink.events.clear();
        ASSERT_EQ(0, run(true, plain, sealed));
        ExpectPaced(sink.events, 0);
        EXPECT_EQ(plain, sink.events.front().name);
        EXPECT_EQ(double(12 << 20), sink.events.back().total);
        for (bool encrypt : {true, false}) {
            for (size_t at : {0, 1}) {
                WriteWholeFile(kept, keep);
                sink.events.clear();
                sink.onEvent = [at](size_t i) { return i == at; };
                EXPECT_EQ(77, run(encrypt, encrypt ? plain : sealed, kept)) << encrypt << at;
                EXPECT_EQ(at + 1, sink.events.size());
                EXPECT_EQ(keep, ReadWholeFile(kept));
            }
        }
        sink.onEvent = [](size_t) { return false; };
        sink.events.clear();
        ASSERT_EQ(0, run(false, sealed, kept));
        EXPECT_EQ(ReadWholeFile(plain), ReadWholeFile(kept));
    }
}

}  // namespace
