#include "platform/win32/threadmessage.h"

#include <atomic>
#include <future>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

TEST(ThreadMessage, MessagesArriveInOrderAndQuitEndsTheLoop)
{
    std::promise<DWORD> told;
    std::future<DWORD> id = told.get_future();
    std::vector<UINT> received;
    std::thread worker([&told, &received] {
        told.set_value(GetCurrentThreadId());
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) received.push_back(msg.message + static_cast<UINT>(msg.wParam));
    });
    const DWORD worker_id = id.get();
    EXPECT_NE(worker_id, 0u);
    EXPECT_NE(worker_id, GetCurrentThreadId());
    EXPECT_TRUE(PostThreadMessageA(worker_id, WM_USER + 1, 10, 0));
    EXPECT_TRUE(PostThreadMessageA(worker_id, WM_USER + 2, 20, 0));
    EXPECT_TRUE(PostThreadMessageA(worker_id, WM_QUIT, 0, 0));
    worker.join();
    EXPECT_EQ(received, (std::vector<UINT>{WM_USER + 11, WM_USER + 22}));
    // The ended thread's queue is gone.
    EXPECT_FALSE(PostThreadMessageA(worker_id, WM_USER, 0, 0));
}

TEST(ThreadMessage, OwnQueueAndUnknownThreads)
{
    PostThreadMessageA(GetCurrentThreadId(), WM_USER + 5, 7, -3);
    PostQuitMessage(4);
    MSG msg;
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), 1);
    EXPECT_EQ(msg.message, WM_USER + 5);
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_EQ(msg.lParam, -3);
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), 0);
    EXPECT_EQ(msg.wParam, 4u);
    EXPECT_EQ(GetMessageA(nullptr, nullptr, 0, 0), -1);
    EXPECT_FALSE(PostThreadMessageA(0xFFFFFFF0u, WM_USER, 0, 0));
}

TEST(ThreadMessage, AutoResetAndManualResetEvents)
{
    HANDLE automatic = CreateEventA(nullptr, 0, 0, nullptr);
    HANDLE manual = CreateEventA(nullptr, 1, 1, nullptr);
    ASSERT_NE(automatic, nullptr);
    EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_TIMEOUT);
    EXPECT_TRUE(SetEvent(automatic));
    EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_TIMEOUT); // cleared by the wait

    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0); // stays set
    EXPECT_TRUE(ResetEvent(manual));
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_TIMEOUT);

    // A waiter on another thread wakes when the event is set.
    std::thread setter([automatic] { SetEvent(automatic); });
    EXPECT_EQ(WaitForSingleObject(automatic, INFINITE), WAIT_OBJECT_0);
    setter.join();

    EXPECT_EQ(WaitForSingleObject(nullptr, 0), WAIT_FAILED);
    EXPECT_FALSE(SetEvent(nullptr));
    EXPECT_TRUE(CloseHandle(automatic));
    EXPECT_TRUE(CloseHandle(manual));
}
