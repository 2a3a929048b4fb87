// When a refresh must read the files again: a table of what happened since
// the last read and whether the gate lets the last read stand.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "fake_folder_changes.h"
#include "server/refresh_gate.h"

namespace velmor::server::test {
namespace {

TEST(ServerRefreshGate, ReadsAgainWheneverSomethingMayHaveChanged) {
    const std::wstring status = L"X:\\ex\\Status.txt", stack = L"X:\\ex\\Stack.txt";
    struct Step {
        const char* what;
        std::function<void(FakeChangesState&, RefreshGate&)> happen;
        bool readDue;
        bool settled;  // outcome of the read, when one is due
    };
    const Step steps[] = {
        {"first call after opening", [](auto&, auto&) {}, true, true},
        {"nothing changed", [](auto&, auto&) {}, false, true},
        {"the watch fired", [](auto& s, auto&) { s.fired = true; }, true, true},
        {"nothing changed after the re-armed read", [](auto&, auto&) {}, false, true},
        {"Status.txt appears: the watch tells",
         [&](auto& s, auto&) {
             s.stamps[status].exists = true;
             s.fired = true;
         },
         true, true},
        {"Status.txt grew", [&](auto& s, auto&) { s.stamps[status].size = 10; }, true, true},
        {"a missing Stack.txt is not asked for",
         [&](auto& s, auto&) { s.stamps[stack].lastWrite = 7; }, false, true},
        {"Stack.txt appears", [&](auto& s, auto&) { s.stamps[stack].exists = true; s.fired = true; },
         true, true},
        {"Stack.txt got a new time", [&](auto& s, auto&) { s.stamps[stack].lastWrite = 8; },
         true, false},
        {"the last read could not open a file", [](auto&, auto&) {}, true, true},
        {"the caller changed something", [](auto&, RefreshGate& g) { g.Invalidate(); }, true,
         true},
        {"re-arming breaks the watch, a new one is made",
         [](auto& s, auto&) {
             s.fired = true;
             s.rearmWorks = false;
         },
         true, true},
        {"the new watch stands", [](auto&, auto&) {}, false, true},
        {"no watch can be had: every call reads",
         [](auto& s, auto&) {
             s.fired = true;
             s.canWatch = false;
         },
         true, true},
        {"still no watch", [](auto&, auto&) {}, true, true},
        {"the watch is back", [](auto& s, auto&) { s.canWatch = true; }, true, true},
        {"and stands", [](auto&, auto&) {}, false, true},
    };
    FakeChangesState state;
    RefreshGate gate(std::make_unique<FakeFolderChanges>(state));
    gate.Open(L"X:\\ex\\", {status, stack});
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.happen(state, gate);
        ASSERT_EQ(step.readDue, gate.ReadDue());
        if (step.readDue) gate.ReadDone(step.settled);
    }
    // The first, after the broken re-arm, and one try on every call without one.
    EXPECT_EQ(5, state.watches);

    // A new folder starts over; without a folder nothing is watched.
    gate.Open(L"", {});
    EXPECT_TRUE(gate.ReadDue());
    gate.ReadDone(true);
    EXPECT_TRUE(gate.ReadDue());
    EXPECT_EQ(5, state.watches);
}

}  // namespace
}  // namespace velmor::server::test
