#include "platform/platform.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>

namespace {

constexpr DWORD kPatience = 10000;

TEST(Semaphore, SameNameIsTheSameObjectUntilTheLastHandleCloses) {
    std::string name = "TM_" + std::to_string(GetCurrentProcessId());
    HANDLE a = CreateSemaphoreA(nullptr, 1, 1, name.c_str());
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    HANDLE b = CreateSemaphoreA(nullptr, 1, 1, name.c_str());
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    HANDLE c = OpenSemaphoreA(SEMAPHORE_ALL_ACCESS, FALSE, name.c_str());
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(WaitForSingleObject(a, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(b, 0), WAIT_TIMEOUT);  // one count shared by all handles
    LONG previous = -1;
    EXPECT_TRUE(ReleaseSemaphore(c, 1, &previous));
    EXPECT_EQ(previous, 0);
    EXPECT_FALSE(ReleaseSemaphore(b, 1, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TOO_MANY_POSTS));
    CloseHandle(a);
    CloseHandle(b);
    CloseHandle(c);
    EXPECT_EQ(OpenSemaphoreA(SEMAPHORE_ALL_ACCESS, FALSE, name.c_str()), nullptr);
    EXPECT_EQ(CreateSemaphoreA(nullptr, 2, 1, nullptr), nullptr);
}

std::atomic<int> g_passed{0};

DWORD WINAPI TakeOnce(LPVOID semaphore) {
    if (WaitForSingleObject(semaphore, INFINITE) != WAIT_OBJECT_0) return 1;
    g_passed.fetch_add(1);
    return 0;
}

TEST(Semaphore, ReleasesLetExactlyThatManyWaitersThrough) {
    g_passed = 0;
    HANDLE s = CreateSemaphoreA(nullptr, 0, 3, nullptr);
    ASSERT_NE(s, nullptr);
    HANDLE threads[3];
    for (HANDLE &t : threads) t = CreateThread(nullptr, 0, TakeOnce, s, 0, nullptr);
    EXPECT_TRUE(ReleaseSemaphore(s, 2, nullptr));
    for (DWORD waited = 0; g_passed.load() < 2 && waited < kPatience; waited += 5) Sleep(5);
    Sleep(20);  // time for a wrongly woken third waiter to show up
    EXPECT_EQ(g_passed.load(), 2);
    EXPECT_TRUE(ReleaseSemaphore(s, 1, nullptr));
    for (HANDLE t : threads) {
        EXPECT_EQ(WaitForSingleObject(t, kPatience), WAIT_OBJECT_0);
        DWORD code = 1;
        GetExitCodeThread(t, &code);
        EXPECT_EQ(code, 0u);
        CloseHandle(t);
    }
    EXPECT_EQ(g_passed.load(), 3);
    EXPECT_EQ(WaitForSingleObject(s, 5), WAIT_TIMEOUT);
    CloseHandle(s);
}

}  // namespace
