// The owner template: every way a value leaves an owner closes it exactly once, or hands it
// on without closing it, and a close leaves errno as it found it.
#include "base/unique_resource.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <vector>

namespace velmor {
namespace {

// Records each close in the log it was made with; a close also spoils errno.
struct LoggedTraits {
    using type = int;
    std::vector<int>* log = nullptr;
    static type invalid() noexcept { return -1; }
    void close(type value) const noexcept {
        log->push_back(value);
        errno = EBADF;
    }
};
using Logged = UniqueResource<LoggedTraits>;

TEST(UniqueResourceTest, EveryValueIsClosedExactlyOnce) {
    struct Case {
        const char* name;
        void (*use)(std::vector<int>& log);
        std::vector<int> closed;
    };
    const Case cases[] = {
        {"destroyed", [](std::vector<int>& log) { Logged a(LoggedTraits{&log}, 1); }, {1}},
        {"reset to another",
         [](std::vector<int>& log) {
             Logged a(LoggedTraits{&log}, 1);
             a.reset(2);
         },
         {1, 2}},
        {"released",
         [](std::vector<int>& log) {
             Logged a(LoggedTraits{&log}, 1);
             EXPECT_EQ(1, a.release());
             EXPECT_FALSE(a);
         },
         {}},
        {"received into",
         [](std::vector<int>& log) {
             Logged a(LoggedTraits{&log}, 1);
             *a.receive() = 2;
             EXPECT_EQ(std::vector<int>{1}, log);
         },
         {1, 2}},
        {"moved out",
         [](std::vector<int>& log) {
             Logged a(LoggedTraits{&log}, 1);
             Logged b(std::move(a));
             EXPECT_FALSE(a);
             EXPECT_EQ(1, b.get());
         },
         {1}},
        {"moved over another",
         [](std::vector<int>& log) {
             Logged a(LoggedTraits{&log}, 1);
             Logged b(LoggedTraits{&log}, 2);
             b = std::move(a);
             EXPECT_EQ(std::vector<int>{2}, log);
         },
         {2, 1}},
        {"never given one", [](std::vector<int>& log) { Logged a(LoggedTraits{&log}); }, {}},
    };
    for (const Case& c : cases) {
        std::vector<int> log;
        c.use(log);
        EXPECT_EQ(c.closed, log) << c.name;
    }
}

TEST(UniqueResourceTest, ClosingKeepsErrno) {
    std::vector<int> log;
    Logged a(LoggedTraits{&log}, 1);
    errno = ERANGE;
    a.reset();
    EXPECT_EQ(ERANGE, errno);
    EXPECT_EQ(std::vector<int>{1}, log);
}

// Two values own nothing: neither is ever closed.
struct TwoInvalidTraits {
    using type = int;
    static int closes;
    static type invalid() noexcept { return -1; }
    static bool valid(type value) noexcept { return value != -1 && value != 0; }
    static void close(type) noexcept { ++closes; }
};
int TwoInvalidTraits::closes = 0;

TEST(UniqueResourceTest, TraitsCanNameMoreThanOneEmptyValue) {
    {
        UniqueResource<TwoInvalidTraits> zero(0);
        EXPECT_FALSE(zero);
    }
    {
        UniqueResource<TwoInvalidTraits> none;
        EXPECT_FALSE(none);
    }
    {
        UniqueResource<TwoInvalidTraits> some(5);
        EXPECT_TRUE(some);
    }
    EXPECT_EQ(1, TwoInvalidTraits::closes);
}

}  // namespace
}  // namespace velmor
