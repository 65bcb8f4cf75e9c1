#include "platform/platform.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

constexpr DWORD kPatience = 10000;  // ms; only a broken build waits this long

DWORD WINAPI ReturnParameter(LPVOID p) { return static_cast<DWORD>(reinterpret_cast<uintptr_t>(p)); }

// Returns the lParam of the first message it gets.
DWORD WINAPI ReturnFirstMessage(LPVOID) {
    MSG msg;
    return GetMessageA(&msg, nullptr, 0, 0) > 0 ? static_cast<DWORD>(msg.lParam) : 0xDEAD;
}

DWORD WINAPI PumpUntilQuit(LPVOID) {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    }
    return 5;
}

DWORD WINAPI ExitEarly(LPVOID) {
    ExitThread(77);
}

TEST(Threads, EndedThreadsSignalTheirHandleAndRefusePosts) {
    DWORD id = 0;
    HANDLE h = CreateThread(nullptr, 0, ReturnParameter, reinterpret_cast<LPVOID>(7), 0, &id);
    ASSERT_NE(h, nullptr);
    ASSERT_EQ(WaitForSingleObject(h, kPatience), WAIT_OBJECT_0);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(h, &code));
    EXPECT_EQ(code, 7u);
    EXPECT_FALSE(PostThreadMessageA(id, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_THREAD_ID));
    EXPECT_FALSE(PostThreadMessageA(0, WM_USER, 0, 0));
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_FALSE(CloseHandle(h));
    EXPECT_EQ(WaitForSingleObject(h, 0), WAIT_FAILED);

    h = CreateThread(nullptr, 0, ExitEarly, nullptr, 0, nullptr);
    ASSERT_EQ(WaitForSingleObject(h, kPatience), WAIT_OBJECT_0);
    EXPECT_TRUE(GetExitCodeThread(h, &code));
    EXPECT_EQ(code, 77u);
    CloseHandle(h);
}

TEST(Threads, SuspendedThreadKeepsPostsUntilResumed) {
    DWORD id = 0;
    HANDLE h = CreateThread(nullptr, 0, ReturnFirstMessage, nullptr, CREATE_SUSPENDED, &id);
    ASSERT_NE(h, nullptr);
    EXPECT_TRUE(SetThreadPriority(h, THREAD_PRIORITY_TIME_CRITICAL));
    EXPECT_FALSE(SetThreadPriority(h, 3));
    EXPECT_TRUE(PostThreadMessageA(id, WM_USER, 0, 1234));
    EXPECT_EQ(WaitForSingleObject(h, 20), WAIT_TIMEOUT);
    DWORD code = 0;
    GetExitCodeThread(h, &code);
    EXPECT_EQ(code, STILL_ACTIVE);
    EXPECT_EQ(ResumeThread(h), 1u);
    ASSERT_EQ(WaitForSingleObject(h, kPatience), WAIT_OBJECT_0);
    EXPECT_EQ(ResumeThread(h), 0u);
    GetExitCodeThread(h, &code);
    EXPECT_EQ(code, 1234u);
    CloseHandle(h);
}

TEST(Threads, TerminateEndsAPumpingThreadWithTheGivenCode) {
    HANDLE h = CreateThread(nullptr, 0, PumpUntilQuit, nullptr, 0, nullptr);
    ASSERT_NE(h, nullptr);
    EXPECT_TRUE(TerminateThread(h, 42));
    ASSERT_EQ(WaitForSingleObject(h, kPatience), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeThread(h, &code);
    EXPECT_EQ(code, 42u);
    CloseHandle(h);

    // Never resumed: it ends without running its routine.
    static std::atomic<bool> ran{false};
    h = CreateThread(nullptr, 0, [](LPVOID) -> DWORD { ran = true; return 1; }, nullptr, CREATE_SUSPENDED,
                     nullptr);
    EXPECT_TRUE(TerminateThread(h, 9));
    ASSERT_EQ(WaitForSingleObject(h, kPatience), WAIT_OBJECT_0);
    GetExitCodeThread(h, &code);
    EXPECT_EQ(code, 9u);
    EXPECT_FALSE(ran);
    CloseHandle(h);
}

TEST(Threads, TerminateWakesAThreadInWaitMessage) {
    HANDLE h = CreateThread(nullptr, 0, [](LPVOID) -> DWORD {
        MSG msg;
        for (;;) {
            WaitMessage();
            if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) && msg.message == WM_QUIT) return 0;
        }
    }, nullptr, 0, nullptr);
    Sleep(10);
    TerminateThread(h, 3);
    EXPECT_EQ(WaitForSingleObject(h, kPatience), WAIT_OBJECT_0);
    CloseHandle(h);
}

}  // namespace
