// MyDinArray growth, removal, search and sort; the ready queue.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "server/core/device_id.h"
#include "server/core/my_din_array.h"
#include "server/core/ppc_queue.h"

namespace velmor::server {
namespace {

int CompareInts(const void* a, const void* b) {
    const int x = *static_cast<const int*>(a);
    const int y = *static_cast<const int*>(b);
    return x < y ? -1 : (x > y ? 1 : 0);
}

void Append(MyDinArray& a, int v) { *static_cast<int*>(a.AddSlot()) = v; }

std::vector<int> Contents(const MyDinArray& a) {
    std::vector<int> out;
    for (std::uint32_t i = 0; i < a.Count(); ++i) out.push_back(*static_cast<const int*>(a.At(i)));
    return out;
}

DeviceId Id(unsigned n) {
    DeviceId id{};
    id.Data1 = n;
    return id;
}

TEST(ServerDinArray, CapacityGrowsLinearlyByTheStep) {
    MyDinArray a;
    a.Configure(16, 8, sizeof(int));
    ASSERT_TRUE(a.Reset(-1));
    EXPECT_EQ(16u, a.Capacity());
    for (int i = 0; i < 16; ++i) Append(a, i);
    EXPECT_EQ(16u, a.Capacity());
    Append(a, 16);
    EXPECT_EQ(24u, a.Capacity());
    for (int i = 17; i < 1000; ++i) Append(a, i);
    EXPECT_EQ(1000u, a.Count());
    EXPECT_EQ(1000u, a.Capacity());  // 16 + 123 * 8
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(i, Contents(a)[static_cast<std::size_t>(i)]);
    // Reset empties and gives the asked capacity; contents were kept until then.
    ASSERT_TRUE(a.Reset(4));
    EXPECT_EQ(0u, a.Count());
    EXPECT_EQ(4u, a.Capacity());
}

TEST(ServerDinArray, NeverResetStartsAtZeroAndGrowsByTheStep) {
    MyDinArray a;
    a.Configure(16, 8, sizeof(int));
    EXPECT_EQ(0u, a.Capacity());
    Append(a, 1);
    EXPECT_EQ(8u, a.Capacity());
    for (int i = 0; i < 8; ++i) Append(a, i);
    EXPECT_EQ(16u, a.Capacity());
}

TEST(ServerDinArray, ImpossibleResetChangesNothing) {
    MyDinArray a;
    a.Configure(16, 8, 1u << 30);
    EXPECT_FALSE(a.Reset(1000));
    EXPECT_EQ(0u, a.Capacity());
    EXPECT_EQ(nullptr, a.AddSlot());  // 8 elements of 1 GiB do not fit 32-bit sizes
    EXPECT_EQ(0u, a.Count());
}

TEST(ServerDinArray, RemoveKeepsOrderAndIgnoresOutOfRange) {
    MyDinArray a;
    a.Configure(16, 8, sizeof(int));
    a.Reset(-1);
    for (int v : {1, 2, 3, 4}) Append(a, v);
    a.RemoveAt(1);
    EXPECT_EQ((std::vector<int>{1, 3, 4}), Contents(a));
    a.RemoveAt(3);
    a.RemoveAt(100);
    EXPECT_EQ((std::vector<int>{1, 3, 4}), Contents(a));
    a.RemoveAt(2);
    EXPECT_EQ((std::vector<int>{1, 3}), Contents(a));
}

TEST(ServerDinArray, SortAndBinarySearch) {
    MyDinArray a;
    a.Configure(16, 8, sizeof(int));
    a.Reset(-1);
    int key = 5;
    EXPECT_EQ(nullptr, a.Search(&key, CompareInts));  // empty
    for (int v : {9, 1, 7, 3, 5, 11, 13}) Append(a, v);
    a.Sort(CompareInts);
    EXPECT_EQ((std::vector<int>{1, 3, 5, 7, 9, 11, 13}), Contents(a));
    for (int v : {1, 3, 5, 7, 9, 11, 13}) {
        const void* hit = a.Search(&v, CompareInts);
        ASSERT_NE(nullptr, hit) << v;
        EXPECT_EQ(v, *static_cast<const int*>(hit));
    }
    for (int v : {0, 2, 14}) EXPECT_EQ(nullptr, a.Search(&v, CompareInts)) << v;
}

TEST(ServerQueue, KeepsFirstPutOrderAndOverwritesInPlace) {
    PPCQueue q;
    EXPECT_FALSE(q.PopFront());
    q.Put({Id(1), 10});
    q.Put({Id(2), 20});
    q.Put({Id(1), 11});
    ASSERT_EQ(2u, q.Count());
    EXPECT_EQ(1u, q.At(0).id.Data1);
    EXPECT_EQ(11u, q.At(0).crc);
    EXPECT_EQ(1, q.IndexOf(Id(2)));
    EXPECT_EQ(-1, q.IndexOf(Id(3)));
    q.Remove(Id(1));
    q.Remove(Id(3));
    ASSERT_EQ(1u, q.Count());
    EXPECT_EQ(2u, q.Front().id.Data1);
    q.Put({Id(1), 12});  // put again after removal: goes to the back
    EXPECT_EQ(1, q.IndexOf(Id(1)));
    EXPECT_TRUE(q.PopFront());
    EXPECT_EQ(0, q.IndexOf(Id(1)));
    q.Clear();
    EXPECT_EQ(0u, q.Count());
    EXPECT_EQ(-1, q.IndexOf(Id(1)));
}

TEST(ServerQueue, PositionsStayRightThroughManyRemovals) {
    PPCQueue q;
    for (unsigned i = 0; i < 500; ++i) q.Put({Id(i), i});
    for (unsigned i = 0; i < 500; i += 3) q.Remove(Id(i));
    std::vector<unsigned> expected;
    for (unsigned i = 0; i < 500; ++i) {
        if (i % 3) expected.push_back(i);
    }
    ASSERT_EQ(expected.size(), q.Count());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(static_cast<long>(i), q.IndexOf(Id(expected[i])));
        EXPECT_EQ(expected[i], q.At(static_cast<std::uint32_t>(i)).crc);
    }
}

}  // namespace
}  // namespace velmor::server
