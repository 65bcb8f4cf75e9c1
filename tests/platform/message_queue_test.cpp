#include "platform/platform.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr DWORD kPatience = 10000;
const HWND kThreadOnly = reinterpret_cast<HWND>(static_cast<intptr_t>(-1));

LRESULT RecordInto(HWND, UINT msg, WPARAM, LPARAM lParam, void *user) {
    static_cast<std::vector<LPARAM> *>(user)->push_back(lParam);
    return static_cast<LRESULT>(msg);
}

void Drain() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
}

TEST(MessageQueue, PeekTakesTheFirstMatchAndHonoursFilters) {
    Drain();
    std::vector<LPARAM> seen;
    HWND w = KavCreateWindow(RecordInto, &seen);
    ASSERT_NE(w, nullptr);
    DWORD self = GetCurrentThreadId();
    PostThreadMessageA(self, WM_USER + 1, 0, 1);
    PostMessageA(w, WM_USER + 3, 0, 2);
    PostThreadMessageA(self, WM_USER + 2, 0, 3);
    PostThreadMessageA(self, WM_USER + 1, 0, 4);

    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_USER + 2, WM_USER + 2, PM_NOREMOVE));
    EXPECT_EQ(msg.lParam, 3);
    ASSERT_TRUE(PeekMessageA(&msg, w, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.lParam, 2);
    EXPECT_EQ(msg.hwnd, w);
    EXPECT_EQ(DispatchMessageA(&msg), WM_USER + 3);
    EXPECT_EQ(seen, std::vector<LPARAM>{2});
    EXPECT_FALSE(PeekMessageA(&msg, w, 0, 0, PM_REMOVE));
    // A reversed range wraps: >= WM_USER+2 or <= WM_USER.
    ASSERT_TRUE(PeekMessageA(&msg, kThreadOnly, WM_USER + 2, WM_USER, PM_REMOVE));
    EXPECT_EQ(msg.lParam, 3);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.lParam, 1);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.lParam, 4);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));

    // Destroying a window drops what is queued for it and fails later posts.
    PostMessageA(w, WM_USER, 0, 5);
    EXPECT_TRUE(KavDestroyWindow(w));
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_FALSE(PostMessageA(w, WM_USER, 0, 6));
    EXPECT_FALSE(PeekMessageA(&msg, w, 0, 0, PM_REMOVE));
    EXPECT_EQ(GetMessageA(&msg, w, 0, 0), -1);
}

TEST(MessageQueue, QuitComesAfterQueuedMessagesWhateverTheFilter) {
    Drain();
    PostThreadMessageA(GetCurrentThreadId(), WM_USER, 0, 1);
    PostQuitMessage(3);
    MSG msg;
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
    EXPECT_EQ(msg.lParam, 1);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(GetMessageA(&msg, nullptr, WM_USER, WM_USER), FALSE);
    EXPECT_EQ(msg.wParam, 3u);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST(MessageQueue, RegisteredMessagesAreStablePerNameIgnoringCase) {
    UINT a = RegisterWindowMessageA("Speech Engine");
    EXPECT_GE(a, 0xC000u);
    EXPECT_EQ(RegisterWindowMessageA("SPEECH engine"), a);
    UINT b = RegisterWindowMessageA("kavrel test \xE9t\xE9");
    EXPECT_NE(b, a);
    EXPECT_GE(b, 0xC000u);
    EXPECT_EQ(RegisterWindowMessageA("KAVREL TEST \xC9T\xC9"), b);
    EXPECT_EQ(RegisterWindowMessageA("kavrel test another"), b + 1);
    EXPECT_EQ(RegisterWindowMessageA(""), 0u);
}

// A worker echoes every message back, to the window of the main thread when
// one is given; the main thread blocks in GetMessage for each echo.
struct Echo {
    DWORD client;
    HWND window;
};

DWORD WINAPI EchoThread(LPVOID p) {
    auto *echo = static_cast<Echo *>(p);
    MSG msg;
    DWORD count = 0;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        ++count;
        if (echo->window != nullptr)
            PostMessageA(echo->window, msg.message, msg.wParam, msg.lParam + 1);
        else
            PostThreadMessageA(echo->client, msg.message, msg.wParam, msg.lParam + 1);
    }
    return count;
}

TEST(MessageQueue, GetMessageWakesForPostsFromOtherThreads) {
    Drain();
    std::vector<LPARAM> seen;
    Echo echo{GetCurrentThreadId(), nullptr};
    DWORD id = 0;
    HANDLE h = CreateThread(nullptr, 0, EchoThread, &echo, CREATE_SUSPENDED, &id);
    ASSERT_NE(h, nullptr);
    ResumeThread(h);
    MSG msg;
    for (LPARAM i = 0; i < 200; i += 2) {
        if (i == 100) echo.window = KavCreateWindow(RecordInto, &seen);  // worker is idle in GetMessage here
        ASSERT_TRUE(PostThreadMessageA(id, WM_USER, 0, i));
        ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
        ASSERT_EQ(msg.lParam, i + 1);
        ASSERT_EQ(msg.hwnd, echo.window);
        DispatchMessageA(&msg);
    }
    EXPECT_EQ(seen.size(), 50u);
    PostThreadMessageA(id, WM_QUIT, 0, 0);
    ASSERT_EQ(WaitForSingleObject(h, kPatience), WAIT_OBJECT_0);
    DWORD count = 0;
    GetExitCodeThread(h, &count);
    EXPECT_EQ(count, 100u);
    CloseHandle(h);
    KavDestroyWindow(echo.window);
}

TEST(MessageQueue, WindowsDieWithTheirThread) {
    static HWND made = nullptr;
    HANDLE h = CreateThread(nullptr, 0, [](LPVOID) -> DWORD {
        made = KavCreateWindow([](HWND, UINT, WPARAM, LPARAM, void *) -> LRESULT { return 0; }, nullptr);
        return 0;
    }, nullptr, 0, nullptr);
    ASSERT_EQ(WaitForSingleObject(h, kPatience), WAIT_OBJECT_0);
    CloseHandle(h);
    ASSERT_NE(made, nullptr);
    EXPECT_LT(reinterpret_cast<uintptr_t>(made), 0x80000000u);
    EXPECT_FALSE(PostMessageA(made, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

}  // namespace
