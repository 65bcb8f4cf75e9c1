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

// Waits for the thread to end; its exit code, or 0xBAD when it did not end.
DWORD ExitCode(HANDLE h) {
    DWORD code = 0;
    if (WaitForSingleObject(h, kPatience) != WAIT_OBJECT_0 || !GetExitCodeThread(h, &code)) return 0xBAD;
    return code;
}

TEST(Threads, EndedThreadsSignalTheirHandleAndRefusePosts) {
    DWORD id = 0;
    HANDLE h = CreateThread(nullptr, 0, ReturnParameter, reinterpret_cast<LPVOID>(7), 0, &id);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(ExitCode(h), 7u);
    EXPECT_FALSE(PostThreadMessageA(id, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_THREAD_ID));
    EXPECT_FALSE(PostThreadMessageA(0, WM_USER, 0, 0));
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_FALSE(CloseHandle(h));
    EXPECT_EQ(WaitForSingleObject(h, 0), WAIT_FAILED);

    h = CreateThread(nullptr, 0, ExitEarly, nullptr, 0, nullptr);
    EXPECT_EQ(ExitCode(h), 77u);
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
    EXPECT_EQ(ExitCode(h), 1234u);
    EXPECT_EQ(ResumeThread(h), 0u);
    CloseHandle(h);
}

TEST(Threads, TerminateEndsPumpingSuspendedAndWaitingThreads) {
    HANDLE h = CreateThread(nullptr, 0, PumpUntilQuit, nullptr, 0, nullptr);
    ASSERT_NE(h, nullptr);
    EXPECT_TRUE(TerminateThread(h, 42));
    EXPECT_EQ(ExitCode(h), 42u);
    CloseHandle(h);

    // Never resumed: it ends without running its routine.
    static std::atomic<bool> ran{false};
    h = CreateThread(nullptr, 0, [](LPVOID) -> DWORD { ran = true; return 1; }, nullptr, CREATE_SUSPENDED,
                     nullptr);
    EXPECT_TRUE(TerminateThread(h, 9));
    EXPECT_EQ(ExitCode(h), 9u);
    EXPECT_FALSE(ran);
    CloseHandle(h);

    // Asleep in WaitMessage: terminating wakes it.
    h = CreateThread(nullptr, 0, [](LPVOID) -> DWORD {
        MSG msg;
        for (;;) {
            WaitMessage();
            if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) && msg.message == WM_QUIT) return 0;
        }
    }, nullptr, 0, nullptr);
    Sleep(10);
    EXPECT_TRUE(TerminateThread(h, 3));
    EXPECT_EQ(ExitCode(h), 3u);
    CloseHandle(h);
}

}  // namespace
