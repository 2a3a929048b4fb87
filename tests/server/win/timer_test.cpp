// The real thread timer: a tick happens while the thread pumps messages and
// drives only the current engine.
#include <gtest/gtest.h>

#include "server/engine_fixture.h"
#include "server/win/server_timer.h"

namespace velmor::server::test {
namespace {

// Dispatches this thread's messages until done() or the time runs out.
template <class Done>
bool PumpUntil(DWORD timeoutMs, Done done) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (!done()) {
        if (GetTickCount64() >= end) return false;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
    return true;
}

TEST_F(EngineTest, RealTimerTicksTheCurrentServer) {
    OpenThreeDevices();
    dir_.Write(L"A.dat", "a");
    dir_.Write(L"Status.txt", Line(kIdA, "A.dat"));
    ASSERT_EQ(0u, engine_.ReadyQueue().Count());

    SetCurrentServer(&engine_);
    ServerTimer timer;
    timer.Start();
    ASSERT_TRUE(timer.Running());
    EXPECT_EQ(kPollIntervalMs, timer.PollInterval());
    timer.Start();  // a second start keeps the one timer
    const ULONGLONG started = GetTickCount64();
    EXPECT_TRUE(PumpUntil(8000, [&] { return engine_.ReadyQueue().Count() > 0; }));
    EXPECT_GE(GetTickCount64() - started, 4000u);  // not before the period is up
    EXPECT_TRUE(timer.Stop());
    EXPECT_FALSE(timer.Stop());
    ForgetCurrentServer(&engine_);
    EXPECT_EQ(nullptr, CurrentServer());
    // With no current server a tick does nothing.
    ServerTimerProc(nullptr, WM_TIMER, 0, 0);
}

TEST(ServerCurrentServer, ForgettingAnotherEngineKeepsTheCurrentOne) {
    ServerEngine a, b;
    SetCurrentServer(&a);
    SetCurrentServer(&b);
    ForgetCurrentServer(&a);
    EXPECT_EQ(&b, CurrentServer());
    ForgetCurrentServer(&b);
    EXPECT_EQ(nullptr, CurrentServer());
}

}  // namespace
}  // namespace velmor::server::test
