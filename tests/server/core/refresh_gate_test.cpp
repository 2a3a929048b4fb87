// When a refresh must read the files again, step by step through what can
// happen between two calls.
#include <gtest/gtest.h>

#include <memory>

#include "server/fake_folder_changes.h"
#include "server/core/refresh_gate.h"

namespace velmor::server::test {
namespace {

TEST(ServerRefreshGate, ReadsAgainWheneverSomethingMayHaveChanged) {
    const std::wstring status = L"X:\\ex\\Status.txt", stack = L"X:\\ex\\Stack.txt";
    FakeChangesState s;
    RefreshGate gate(std::make_unique<FakeFolderChanges>(s));
    gate.Open(L"X:\\ex\\", {status, stack});
    // Whether a read is due; a due read ends settled or not.
    auto due = [&](bool settled = true) {
        const bool d = gate.ReadDue();
        if (d) gate.ReadDone(settled);
        return d;
    };
    EXPECT_TRUE(due()) << "first call";
    EXPECT_FALSE(due()) << "nothing changed";
    s.fired = true;
    EXPECT_TRUE(due()) << "the watch fired";
    EXPECT_FALSE(due()) << "re-armed";
    s.stamps[status].exists = s.fired = true;
    EXPECT_TRUE(due()) << "Status.txt appeared";
    s.stamps[status].size = 10;
    EXPECT_TRUE(due()) << "Status.txt grew";
    s.stamps[stack].lastWrite = 7;
    EXPECT_FALSE(due()) << "a missing file is left to the watch";
    s.stamps[stack].exists = s.fired = true;
    EXPECT_TRUE(due(false)) << "Stack.txt appeared but could not be opened";
    EXPECT_TRUE(due()) << "an unsettled read is not kept";
    s.stamps[stack].lastWrite = 8;
    EXPECT_TRUE(due()) << "Stack.txt got a new time";
    gate.Invalidate();
    EXPECT_TRUE(due()) << "the caller changed something";
    s.fired = true;
    s.rearmWorks = false;
    EXPECT_TRUE(due()) << "re-arming broke the watch";
    EXPECT_FALSE(due()) << "a new watch stands";
    EXPECT_EQ(2, s.watches);
    s.fired = true;
    s.canWatch = false;
    EXPECT_TRUE(due()) << "no watch to be had";
    EXPECT_TRUE(due()) << "still none: every call reads and tries again";
    EXPECT_EQ(4, s.watches);
    s.canWatch = true;
    EXPECT_TRUE(due()) << "the watch is back";
    EXPECT_FALSE(due()) << "and stands";
    // A new folder starts over; without a folder nothing is watched.
    gate.Open(L"", {});
    EXPECT_TRUE(due());
    EXPECT_TRUE(due());
    EXPECT_EQ(5, s.watches);
}

}  // namespace
}  // namespace velmor::server::test
