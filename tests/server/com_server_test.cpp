// OrvServer through COM: the method table's argument handling, and the
// lifetime rules of the timer across several objects.
#include <gtest/gtest.h>

#include "VelmorCOM_h.h"
#include "com_test_util.h"
#include "engine_fixture.h"
#include "server/core/info_line.h"

namespace velmor::server::test {
namespace {

using velmor::ComPtr;
using velmor::ScopedBstr;

class ComServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(apartment_.result()));
        ASSERT_EQ(S_OK, Create(&server_));
    }
    static HRESULT Create(ComPtr<IOrvServer>* out) {
        return velmor::test::CreateComponent(CLSID_OrvServer, IID_IOrvServer, out);
    }
    std::wstring Info(const wchar_t* id) {
        ScopedBstr in(id), out;
        EXPECT_EQ(S_OK, server_->GetPPCInfo(in.get(), out.receive()));
        return out.str();
    }

    velmor::test::ComApartment apartment_;
    ComPtr<IOrvServer> server_;
    TempFolder dir_;
};

// Dispatches this thread's messages for ms milliseconds.
void Pump(DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    while (GetTickCount64() < end) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
}

TEST_F(ComServerTest, FreshObjectAndOddArguments) {
    ScopedBstr text;
    long count = -1;
    EXPECT_EQ(S_OK, server_->Version(text.receive()));
    EXPECT_EQ(L"1.65.0.0", text.str());
    EXPECT_EQ(S_OK, server_->GetPPCCount(&count));
    EXPECT_EQ(0, count);
    EXPECT_EQ(S_OK, server_->GetPPCInfoByIndex(0, text.receive()));
    EXPECT_EQ(L"", text.str());
    EXPECT_EQ(S_OK, server_->GetExchangeDir(text.receive()));
    EXPECT_EQ(L"", text.str());
    // Null pointers and null strings.
    EXPECT_EQ(E_POINTER, server_->Version(nullptr));
    EXPECT_EQ(E_POINTER, server_->GetPPCCount(nullptr));
    EXPECT_EQ(E_POINTER, server_->GetPPCInfo(nullptr, nullptr));
    EXPECT_EQ(S_OK, server_->SetExchangeDir(nullptr));
    EXPECT_EQ(S_OK, server_->ProcessDone(nullptr));
    EXPECT_EQ(S_OK, server_->AddPPCId(nullptr));
    EXPECT_EQ(S_OK, server_->GetFieldPPCInfo(nullptr, nullptr, text.receive()));
    EXPECT_EQ(L"", text.str());
    EXPECT_EQ(S_OK, server_->DisableServer());
    EXPECT_EQ(S_OK, server_->ClearPPCId());
}

TEST_F(ComServerTest, IdTextsOfTheWrongShapeFindNothing) {
    dir_.Write(L"config.xml", Config(Ppc(kIdA, "A", "d")));
    dir_.Write(L"A.dat", "a");
    dir_.Write(L"Status.txt", Line(kIdA, "A.dat"));
    ScopedBstr path(dir_.path());
    ASSERT_EQ(S_OK, server_->SetExchangeDir(path.get()));
    EXPECT_NE(L"", Info(Wide(kIdA).c_str()));
    EXPECT_EQ(L"", Info((L"{" + Wide(kIdA) + L"}").c_str()));
    EXPECT_EQ(L"", Info(L""));
    EXPECT_EQ(L"", Info(std::wstring(100000, L'A').c_str()));
    EXPECT_EQ(L"", Info(L"00000000-0000-0000-0000-000000000000"));
    // A malformed id text acknowledges nothing and filters nothing.
    for (const wchar_t* bad : {L"", L"A", L"{AAAAAAAA-0000-0000-0000-000000000001}"}) {
        ScopedBstr id(bad);
        EXPECT_EQ(S_OK, server_->ProcessDone(id.get()));
        EXPECT_EQ(S_OK, server_->AddPPCId(id.get()));
    }
    EXPECT_TRUE(dir_.Exists(L"A.dat"));
    EXPECT_NE(L"", ExtractField(Info(Wide(kIdA).c_str()), L"file"));
    ScopedBstr field, line(Info(Wide(kIdA).c_str())), name(L"FILE");
    EXPECT_EQ(S_OK, server_->GetFieldPPCInfo(line.get(), name.get(), field.receive()));
    EXPECT_EQ(L"A.dat", field.str());
}

// The object whose engine the ticks drive goes away while another object's
// timer keeps running: the ticks must find no engine and do nothing.
TEST_F(ComServerTest, TicksNeverReachADestroyedObject) {
    dir_.Write(L"config.xml", Config(Ppc(kIdA, "A", "d")));
    dir_.Write(L"A.dat", "a");
    dir_.Write(L"Status.txt", Line(kIdA, "A.dat"));
    ScopedBstr path(dir_.path());
    ASSERT_EQ(S_OK, server_->SetExchangeDir(path.get()));
    ASSERT_EQ(S_OK, server_->EnableServer());
    ASSERT_EQ(S_OK, server_->EnableServer());
    {
        ComPtr<IOrvServer> newest;
        ASSERT_EQ(S_OK, Create(&newest));
        ASSERT_EQ(S_OK, newest->SetExchangeDir(path.get()));
        ASSERT_EQ(S_OK, newest->EnableServer());
    }  // released with its timer running
    Pump(5600);
    ASSERT_EQ(S_OK, server_->DisableServer());
    // The survivor still answers.
    EXPECT_EQ(L"A.dat", ExtractField(Info(Wide(kIdA).c_str()), L"file"));
}

}  // namespace
}  // namespace velmor::server::test
