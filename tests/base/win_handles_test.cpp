// The platform's owners close their handle and leave the thread's last-error code as it was,
// even when the close itself fails.
#include <gtest/gtest.h>
#include <windows.h>

#include "base/win/handle_traits.h"
#include "common/temp_dir.h"

namespace velmor {
namespace {

constexpr DWORD kEarlierError = 4242;

// Resets the owner with the earlier failure pending and says whether it was still pending.
template <class Owner>
bool ResetKeepsLastError(Owner& owner) {
    SetLastError(kEarlierError);
    owner.reset();
    return GetLastError() == kEarlierError && !owner;
}

TEST(Win32HandlesTest, ResetKeepsTheLastError) {
    test::TempDir dir;
    const std::wstring path = dir.file(L"file.bin");

    ScopedFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file);
    const HANDLE raw = file.get();
    EXPECT_TRUE(ResetKeepsLastError(file));
    DWORD flags = 0;
    EXPECT_FALSE(GetHandleInformation(raw, &flags)) << "the file stays open";

    WIN32_FIND_DATAW found{};
    ScopedFindHandle find(FindFirstFileW(dir.file(L"*").c_str(), &found));
    ASSERT_TRUE(find);
    EXPECT_TRUE(ResetKeepsLastError(find));

    ScopedHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(event);
    EXPECT_TRUE(ResetKeepsLastError(event));

    ScopedHKey key;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, key.receive()));
    EXPECT_TRUE(ResetKeepsLastError(key));

    ScopedLocalMemory<void> memory(LocalAlloc(LMEM_FIXED, 16));
    ASSERT_TRUE(memory);
    EXPECT_TRUE(ResetKeepsLastError(memory));

    // A close that fails sets an error of its own, which the owner drops.
    ScopedHandle closed(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(CloseHandle(closed.get()));
    EXPECT_TRUE(ResetKeepsLastError(closed));
}

TEST(Win32HandlesTest, FileOwnersTakeNullAndInvalidForNothing) {
    EXPECT_FALSE(ScopedFileHandle(INVALID_HANDLE_VALUE));
    EXPECT_FALSE(ScopedFileHandle(nullptr));
    EXPECT_FALSE(ScopedFindHandle());
    EXPECT_FALSE(ScopedWindow());
}

}  // namespace
}  // namespace velmor
