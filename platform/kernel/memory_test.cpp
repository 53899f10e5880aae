// Memory blocks: movable and fixed, zero-filled, locks, resizing, misuse and
// injected allocation failures.
#include <cstring>

#include <gtest/gtest.h>
#include <windows.h>

#include "TempMachine.h"

namespace {

using nv::testing::TempMachine;
constexpr DWORD kSentinel = 0xDEADBEEF;

TEST(Memory, MovableBlocksLockAndUnlock) {
    TempMachine m;
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, 100);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GlobalSize(h), 100u);
    char* p = static_cast<char*>(GlobalLock(h));
    ASSERT_NE(p, nullptr);
    EXPECT_NE(static_cast<void*>(p), h);  // a movable handle is not the address
    std::strcpy(p, "[CreateGroup(Norvalk)]");
    EXPECT_EQ(GlobalLock(h), p);
    EXPECT_EQ(GlobalFlags(h) & GMEM_LOCKCOUNT, 2u);
    EXPECT_EQ(GlobalHandle(p), h);
    EXPECT_TRUE(GlobalUnlock(h));  // still locked once
    SetLastError(kSentinel);
    EXPECT_FALSE(GlobalUnlock(h));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(NO_ERROR));
    SetLastError(kSentinel);
    EXPECT_FALSE(GlobalUnlock(h));  // not locked any more
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_LOCKED));

    // Growing an unlocked block keeps its content and its handle.
    EXPECT_EQ(GlobalReAlloc(h, 4000, GMEM_ZEROINIT), h);
    p = static_cast<char*>(GlobalLock(h));
    EXPECT_STREQ(p, "[CreateGroup(Norvalk)]");
    EXPECT_EQ(p[3999], 0);
    // Locked, it may grow only when allowed to move.
    SetLastError(kSentinel);
    EXPECT_EQ(GlobalReAlloc(h, 8000, 0), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_EQ(GlobalSize(h), 4000u);
    EXPECT_EQ(GlobalReAlloc(h, 8000, GMEM_MOVEABLE), h);
    GlobalUnlock(h);

    EXPECT_EQ(GlobalFree(h), nullptr);
    SetLastError(kSentinel);
    EXPECT_EQ(GlobalFree(h), h);  // a freed handle fails cleanly
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(GlobalLock(h), nullptr);
    EXPECT_EQ(GlobalSize(h), 0u);
    EXPECT_EQ(GlobalFlags(h), static_cast<UINT>(GMEM_INVALID_HANDLE));
    EXPECT_NE(GlobalAlloc(GHND, 10), h);  // and is not handed out again at once
}

TEST(Memory, FixedAndZeroFilledBlocks) {
    TempMachine m;
    HGLOBAL fixed = GlobalAlloc(GPTR, 64);
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(GlobalLock(fixed), fixed);  // a fixed block's handle is its address
    const char zeros[64] = {};
    EXPECT_EQ(std::memcmp(fixed, zeros, 64), 0);
    EXPECT_EQ(GlobalHandle(fixed), fixed);
    // A fixed block grows only when it may move, and then its handle changes.
    EXPECT_EQ(GlobalReAlloc(fixed, 1 << 20, 0), nullptr);
    HGLOBAL moved = GlobalReAlloc(fixed, 1 << 20, GMEM_MOVEABLE | GMEM_ZEROINIT);
    ASSERT_NE(moved, nullptr);
    EXPECT_EQ(GlobalSize(moved), static_cast<SIZE_T>(1 << 20));
    EXPECT_EQ(static_cast<char*>(moved)[(1 << 20) - 1], 0);
    EXPECT_EQ(GlobalFree(moved), nullptr);

    HLOCAL l = LocalAlloc(LHND, 32);
    ASSERT_NE(l, nullptr);
    auto* lp = static_cast<unsigned char*>(LocalLock(l));
    EXPECT_EQ(lp[31], 0);
    EXPECT_FALSE(LocalUnlock(l));
    EXPECT_EQ(LocalReAlloc(l, 0, LMEM_MODIFY | LMEM_DISCARDABLE), l);
    EXPECT_EQ(LocalFlags(l) & LMEM_DISCARDABLE, static_cast<UINT>(LMEM_DISCARDABLE));
    EXPECT_EQ(LocalReAlloc(l, 0, LMEM_MOVEABLE), l);  // size 0 discards an unlocked movable block
    EXPECT_EQ(LocalFlags(l) & LMEM_DISCARDED, static_cast<UINT>(LMEM_DISCARDED));
    EXPECT_EQ(LocalSize(l), 0u);
    SetLastError(kSentinel);
    EXPECT_EQ(LocalLock(l), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISCARDED));
    EXPECT_EQ(LocalFree(l), nullptr);

    HLOCAL empty = LocalAlloc(LMEM_FIXED, 0);  // a fixed block of 0 bytes still has an address
    EXPECT_NE(empty, nullptr);
    EXPECT_EQ(LocalFree(empty), nullptr);
}

TEST(Memory, TheNthAllocationFails) {
    auto s = TempMachine::defaultSettings();
    s.failAllocation = 3;
    TempMachine m(s);
    HGLOBAL a = GlobalAlloc(GHND, 10);
    HGLOBAL b = LocalAlloc(LPTR, 10);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    SetLastError(kSentinel);
    EXPECT_EQ(GlobalReAlloc(a, 2000, GMEM_MOVEABLE), nullptr);  // the third allocation
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_EQ(GlobalSize(a), 10u);  // the block is as it was
    HGLOBAL c = GlobalAlloc(GMEM_MOVEABLE, 10);  // the fourth works again
    EXPECT_NE(c, nullptr);
    GlobalFree(a);
    LocalFree(b);
    GlobalFree(c);
}

TEST(MemoryDeathTest, AMovableHandleIsNoPointer) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    TempMachine m;
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, 16);
    ASSERT_NE(h, nullptr);
    EXPECT_DEATH({ static_cast<volatile char*>(h)[0] = 'x'; }, "");
}

}  // namespace
