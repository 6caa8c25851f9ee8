#include <gtest/gtest.h>
#include <poll.h>

#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "platform/win/Messages.h"

namespace {

constexpr UINT kFirst = WM_USER + 1;
constexpr UINT kSecond = WM_USER + 2;
constexpr UINT kThird = WM_USER + 3;
// Generous: only guards the tests against hanging.
constexpr UINT kHangGuardMs = 20000;

// A window procedure that writes down what reached it, and may react.
class TRecorder {
 public:
  void WndProc(TMessage& message) {
    Seen.push_back(message.Msg);
    SeenOn.push_back(std::this_thread::get_id());
    if (Reaction) {
      Reaction(message);
    } else {
      message.Result = DefWindowProcA(nullptr, message.Msg, message.WParam, message.LParam);
    }
  }

  TWndMethod Method() { return TWndMethod(this, &TRecorder::WndProc); }

  std::vector<UINT> Seen;
  std::vector<std::thread::id> SeenOn;
  std::function<void(TMessage&)> Reaction;
};

// Destroys the window with the test, on the thread that made it.
class TWindowGuard {
 public:
  explicit TWindowGuard(HWND window) : FWindow(window) {}
  ~TWindowGuard() {
    if (IsWindow(FWindow)) DestroyWindow(FWindow);
  }
  TWindowGuard(const TWindowGuard&) = delete;
  TWindowGuard& operator=(const TWindowGuard&) = delete;
  HWND Get() const { return FWindow; }

 private:
  HWND FWindow;
};

bool QueueIsEmpty() {
  MSG message;
  return !PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
}

// --- Order and re-entry -------------------------------------------------------

TEST(MessageOrderTest, PostsArriveInOrderWhileSendsAreHandledAtOnce) {
  TRecorder recorder;
  recorder.Reaction = [](TMessage& message) { message.Result = message.WParam * 10; };
  const TWindowGuard window(AllocateHWnd(recorder.Method()));

  ASSERT_TRUE(PostMessageA(window.Get(), kFirst, 0, 0));
  ASSERT_TRUE(PostMessageA(window.Get(), kSecond, 0, 0));
  EXPECT_EQ(SendMessageA(window.Get(), kThird, 4, 0), 40);
  EXPECT_EQ(recorder.Seen, (std::vector<UINT>{kThird}));

  ProcessMessages();
  EXPECT_EQ(recorder.Seen, (std::vector<UINT>{kThird, kFirst, kSecond}));
  EXPECT_TRUE(QueueIsEmpty());
}

TEST(MessageOrderTest, ProcessMessagesAlsoDispatchesWhatHandlersPost) {
  TRecorder recorder;
  const TWindowGuard window(AllocateHWnd(recorder.Method()));
  recorder.Reaction = [&](TMessage& message) {
    if (message.Msg == kFirst) PostMessageA(window.Get(), kSecond, 0, 0);
  };
  PostMessageA(window.Get(), kFirst, 0, 0);
  ProcessMessages();
  EXPECT_EQ(recorder.Seen, (std::vector<UINT>{kFirst, kSecond}));
}

TEST(MessageOrderTest, HandlerThatPumpsLetsLaterMessagesThrough) {
  TRecorder recorder;
  const TWindowGuard window(AllocateHWnd(recorder.Method()));
  std::vector<std::string> trace;
  recorder.Reaction = [&](TMessage& message) {
    trace.push_back("enter " + std::to_string(message.Msg - WM_USER));
    if (message.Msg == kFirst) ProcessMessages();
    trace.push_back("leave " + std::to_string(message.Msg - WM_USER));
  };
  PostMessageA(window.Get(), kFirst, 0, 0);
  PostMessageA(window.Get(), kSecond, 0, 0);
  PostMessageA(window.Get(), kThird, 0, 0);
  ProcessMessages();
  EXPECT_EQ(trace, (std::vector<std::string>{"enter 1", "enter 2", "leave 2", "enter 3", "leave 3",
                                             "leave 1"}));
}

TEST(MessageOrderTest, PeekMessageHonoursItsFiltersAndLeavesMessagesWhenAsked) {
  TRecorder first;
  TRecorder second;
  const TWindowGuard one(AllocateHWnd(first.Method()));
  const TWindowGuard two(AllocateHWnd(second.Method()));
  PostMessageA(one.Get(), kFirst, 1, 2);
  PostMessageA(two.Get(), kSecond, 3, 4);
  PostMessageA(one.Get(), kThird, 5, 6);

  MSG message{};
  ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(message.message, kFirst);
  ASSERT_TRUE(PeekMessageA(&message, two.Get(), 0, 0, PM_REMOVE));
  EXPECT_EQ(message.hwnd, two.Get());
  EXPECT_EQ(message.wParam, 3u);
  EXPECT_EQ(message.lParam, 4);
  ASSERT_TRUE(PeekMessageA(&message, nullptr, kThird, kThird, PM_REMOVE));
  EXPECT_EQ(message.message, kThird);
  EXPECT_FALSE(PeekMessageA(&message, two.Get(), 0, 0, PM_REMOVE));

  ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, kFirst);
  EXPECT_EQ(DispatchMessageA(&message), 0);
  EXPECT_EQ(first.Seen, (std::vector<UINT>{kFirst}));
  EXPECT_TRUE(second.Seen.empty());
  EXPECT_TRUE(QueueIsEmpty());
}

TEST(MessageOrderTest, QuitEndsGetMessageOnlyAfterThePostedMessages) {
  TRecorder recorder;
  const TWindowGuard window(AllocateHWnd(recorder.Method()));
  PostQuitMessage(5);
  PostMessageA(window.Get(), kFirst, 0, 0);

  ProcessMessages();
  EXPECT_EQ(recorder.Seen, (std::vector<UINT>{kFirst})) << "the quit stays queued";
  MSG message{};
  EXPECT_FALSE(GetMessageA(&message, nullptr, 0, 0));
  EXPECT_EQ(message.message, WM_QUIT);
  EXPECT_EQ(message.wParam, 5u);
  EXPECT_TRUE(QueueIsEmpty());
}

// --- Top-level windows and broadcasts -------------------------------------------

TEST(TopLevelWindowTest, BroadcastReachesEveryTopLevelWindowButNoMessageOnlyWindow) {
  TRecorder form;
  TRecorder otherForm;
  TRecorder utility;
  const TWindowGuard one(CreateTopLevelWindow("TFormKIVO", "KIVO", form.Method()));
  const TWindowGuard two(CreateTopLevelWindow("TOther", "", otherForm.Method()));
  const TWindowGuard hidden(AllocateHWnd(utility.Method()));

  ASSERT_TRUE(PostMessageA(HWND_BROADCAST, kFirst, 0x401, 7));
  ProcessMessages();
  EXPECT_EQ(form.Seen, (std::vector<UINT>{kFirst}));
  EXPECT_EQ(otherForm.Seen, (std::vector<UINT>{kFirst}));
  EXPECT_TRUE(utility.Seen.empty());

  std::uintptr_t result = 99;
  EXPECT_NE(SendMessageTimeoutA(HWND_BROADCAST, kSecond, 0, 0, SMTO_NORMAL, 1000, &result), 0);
  EXPECT_EQ(form.Seen.back(), kSecond);
  EXPECT_EQ(otherForm.Seen.back(), kSecond);
  EXPECT_TRUE(utility.Seen.empty());
}

TEST(TopLevelWindowTest, FindWindowMatchesClassAndTitleWithoutRegardToCase) {
  TRecorder recorder;
  const TWindowGuard utility(AllocateHWnd(recorder.Method()));
  const TWindowGuard older(CreateTopLevelWindow("TFormKIVO", "First", recorder.Method()));
  const TWindowGuard newer(CreateTopLevelWindow("TFormKIVO", "Second", recorder.Method()));
  const TWindowGuard other(CreateTopLevelWindow("TKivoForm", "", recorder.Method()));

  EXPECT_EQ(FindWindowA("tformkivo", nullptr), newer.Get()) << "the newest lies on top";
  EXPECT_EQ(FindWindowA("TFORMKIVO", "first"), older.Get());
  EXPECT_EQ(FindWindowA(nullptr, "second"), newer.Get());
  EXPECT_EQ(FindWindowA("TKivoForm", nullptr), other.Get());
  EXPECT_EQ(FindWindowA("TFormKIV", nullptr), nullptr);
  EXPECT_EQ(FindWindowA("TPUtilWindow", nullptr), nullptr) << "message-only windows stay hidden";

  DestroyWindow(newer.Get());
  EXPECT_EQ(FindWindowA("TFormKIVO", nullptr), older.Get());
}

// --- Destroyed windows ----------------------------------------------------------

TEST(DestroyedWindowTest, QueuedMessagesAreDroppedAndLaterPostsFail) {
  TRecorder doomed;
  TRecorder survivor;
  const HWND window = AllocateHWnd(doomed.Method());
  const TWindowGuard other(AllocateHWnd(survivor.Method()));
  PostMessageA(window, kFirst, 0, 0);
  PostMessageA(other.Get(), kSecond, 0, 0);
  PostMessageA(window, kThird, 0, 0);

  DeallocateHWnd(window);
  EXPECT_FALSE(IsWindow(window));
  MSG next{};
  ASSERT_TRUE(PeekMessageA(&next, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(next.hwnd, other.Get()) << "the destroyed window's messages left the queue";
  ProcessMessages();
  EXPECT_TRUE(doomed.Seen.empty());
  EXPECT_EQ(survivor.Seen, (std::vector<UINT>{kSecond}));

  EXPECT_FALSE(PostMessageA(window, kFirst, 0, 0));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
  std::uintptr_t result = 99;
  EXPECT_EQ(SendMessageTimeoutA(window, kFirst, 0, 0, SMTO_NORMAL, 100, &result), 0);
  EXPECT_EQ(result, 99u);
  EXPECT_FALSE(DestroyWindow(window));
  EXPECT_TRUE(doomed.Seen.empty());
}

TEST(DestroyedWindowTest, HandlesAreNeverReused) {
  TRecorder recorder;
  const HWND first = AllocateHWnd(recorder.Method());
  DeallocateHWnd(first);
  const TWindowGuard second(AllocateHWnd(recorder.Method()));
  EXPECT_NE(second.Get(), first);
  EXPECT_FALSE(IsWindow(first));
  const auto number = reinterpret_cast<std::uintptr_t>(second.Get());
  EXPECT_GT(number, 0xFFFFu) << "clear of HWND_BROADCAST";
  EXPECT_LT(number, 0x80000000u) << "fits a 32-bit long";
}

TEST(DestroyedWindowTest, WindowMayDestroyItselfWhileHandlingAMessage) {
  TRecorder recorder;
  const HWND window = AllocateHWnd(recorder.Method());
  recorder.Reaction = [&](TMessage& message) {
    if (message.Msg == kFirst) DeallocateHWnd(window);
  };
  PostMessageA(window, kFirst, 0, 0);
  PostMessageA(window, kSecond, 0, 0);
  ProcessMessages();
  EXPECT_EQ(recorder.Seen, (std::vector<UINT>{kFirst}));
  EXPECT_FALSE(IsWindow(window));
}

// --- Registered messages ----------------------------------------------------------

TEST(RegisteredMessageTest, SameNameGivesSameNumberWithoutRegardToCase) {
  const UINT kivo = RegisterWindowMessageA("WM_KIVO");
  EXPECT_GE(kivo, 0xC000u);
  EXPECT_LE(kivo, 0xFFFFu);
  EXPECT_EQ(RegisterWindowMessageA("wm_kivo"), kivo);
  EXPECT_EQ(RegisterWindowMessageA("Wm_Kivo"), kivo);
  const UINT other = RegisterWindowMessageA("WM_KIVO2");
  EXPECT_NE(other, kivo);
  EXPECT_GE(other, 0xC000u);
  EXPECT_EQ(RegisterWindowMessageA("WM_KIVO"), kivo);
}

TEST(RegisteredMessageTest, EmptyOrOverlongNamesGiveZero) {
  EXPECT_EQ(RegisterWindowMessageA(""), 0u);
  EXPECT_EQ(RegisterWindowMessageA(nullptr), 0u);
  EXPECT_EQ(RegisterWindowMessageA(std::string(256, 'x').c_str()), 0u);
  EXPECT_NE(RegisterWindowMessageA(std::string(255, 'x').c_str()), 0u);
}

TEST(RegisteredMessageTest, NumbersRunOutAfterTheRangeIsUsed) {
  // In a child process: the names stay registered for the process's life.
  EXPECT_EXIT(
      {
        UINT last = 0;
        int count = 0;
        for (UINT number;
             (number = RegisterWindowMessageA(("name" + std::to_string(count)).c_str())) != 0;) {
          last = number;
          ++count;
        }
        const UINT known = RegisterWindowMessageA("NAME0");
        const bool full = count == 0x4000 && last >= 0xC000 && known >= 0xC000 &&
                          known == RegisterWindowMessageA("name0");
        std::exit(full ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

// --- Other threads --------------------------------------------------------------

constexpr UINT kStop = WM_USER + 100;

// A thread with a window and a GetMessage loop; kStop ends it. The thread
// may first wait for `release` before it starts looping.
class TWindowThread {
 public:
  explicit TWindowThread(std::shared_future<void> release = {}) {
    Recorder.Reaction = [this](TMessage& message) {
      if (message.Msg == kStop) PostQuitMessage(0);
      if (Reaction) Reaction(message);
    };
    std::promise<HWND> made;
    std::future<HWND> window = made.get_future();
    FThread = std::thread([this, &made, release] {
      made.set_value(AllocateHWnd(Recorder.Method()));
      if (release.valid()) release.wait();
      MSG message;
      while (GetMessageA(&message, nullptr, 0, 0)) DispatchMessageA(&message);
    });
    Window = window.get();
  }
  ~TWindowThread() { Stop(); }
  TWindowThread(const TWindowThread&) = delete;
  TWindowThread& operator=(const TWindowThread&) = delete;

  void Stop() {
    if (!FThread.joinable()) return;
    PostMessageA(Window, kStop, 0, 0);
    FThread.join();
  }

  TRecorder Recorder;
  std::function<void(TMessage&)> Reaction;
  HWND Window = nullptr;

 private:
  std::thread FThread;
};

// A loop that waits on descriptors (a terminal's keys) wakes for messages
// from other threads, and waits again once it dispatched them.
TEST(CrossThreadTest, TheQueuesWakeDescriptorTellsOfMessagesUntilTheyAreDispatched) {
  TRecorder recorder;
  const TWindowGuard window(AllocateHWnd(recorder.Method()));
  pollfd wake{MessageQueueWakeFd(), POLLIN, 0};
  ASSERT_GE(wake.fd, 0);
  EXPECT_EQ(::poll(&wake, 1, 0), 0);
  std::thread poster([&] { PostMessageA(window.Get(), kFirst, 0, 0); });
  poster.join();
  EXPECT_EQ(::poll(&wake, 1, static_cast<int>(kHangGuardMs)), 1);
  ProcessMessages();
  EXPECT_EQ(recorder.Seen, std::vector<UINT>{kFirst});
  EXPECT_EQ(::poll(&wake, 1, 0), 0);
  std::thread sender([&] { SendMessageA(window.Get(), kSecond, 0, 0); });
  EXPECT_EQ(::poll(&wake, 1, static_cast<int>(kHangGuardMs)), 1);
  ProcessMessages();
  sender.join();
  EXPECT_EQ(recorder.Seen, (std::vector<UINT>{kFirst, kSecond}));
}

TEST(CrossThreadTest, SendRunsTheProcedureOnTheWindowsOwnThread) {
  TWindowThread owner;
  owner.Reaction = [](TMessage& message) {
    if (message.Msg == kFirst) {
      message.Result = static_cast<LRESULT>(message.WParam + message.LParam);
    }
  };
  std::uintptr_t result = 0;
  ASSERT_NE(SendMessageTimeoutA(owner.Window, kFirst, 40, 2, SMTO_BLOCK | SMTO_ABORTIFHUNG,
                                kHangGuardMs, &result),
            0);
  EXPECT_EQ(result, 42u);
  EXPECT_EQ(SendMessageA(owner.Window, kFirst, 1, 2), 3);
  ASSERT_TRUE(PostMessageA(owner.Window, kSecond, 0, 0));
  owner.Stop();
  EXPECT_EQ(owner.Recorder.Seen, (std::vector<UINT>{kFirst, kFirst, kSecond, kStop}));
  EXPECT_NE(owner.Recorder.SeenOn.front(), std::this_thread::get_id());
}

TEST(CrossThreadTest, SendToABlockedThreadTimesOutAndIsNeverHandled) {
  std::promise<void> release;
  TWindowThread owner(release.get_future().share());
  std::uintptr_t result = 99;
  EXPECT_EQ(
      SendMessageTimeoutA(owner.Window, kFirst, 0, 0, SMTO_BLOCK | SMTO_ABORTIFHUNG, 50, &result),
      0);
  EXPECT_EQ(GetLastError(), ERROR_TIMEOUT);
  EXPECT_EQ(result, 99u);

  release.set_value();
  owner.Stop();
  EXPECT_EQ(owner.Recorder.Seen, (std::vector<UINT>{kStop})) << "the abandoned send never ran";
}

TEST(CrossThreadTest, AbortIfHungGivesUpOnAThreadThatStoppedLookingAtItsQueue) {
  std::promise<void> release;
  TWindowThread owner(release.get_future().share());
  // The platform calls a thread hung after five seconds without a look.
  std::this_thread::sleep_for(std::chrono::milliseconds(5200));
  // Without the hung test the send would wait until the watchdog lets the
  // thread go, and then succeed.
  std::promise<void> sent;
  std::thread watchdog([&] {
    sent.get_future().wait_for(std::chrono::milliseconds(kHangGuardMs));
    release.set_value();
  });
  std::uintptr_t result = 99;
  const LRESULT answered =
      SendMessageTimeoutA(owner.Window, kFirst, 0, 0, SMTO_ABORTIFHUNG, INFINITE, &result);
  const DWORD error = GetLastError();
  sent.set_value();
  watchdog.join();
  EXPECT_EQ(answered, 0);
  EXPECT_EQ(error, ERROR_TIMEOUT);
  EXPECT_EQ(result, 99u);
}

TEST(CrossThreadTest, WaitingSenderHandlesSendsBackUnlessBlocked) {
  TRecorder local;
  local.Reaction = [](TMessage& message) { message.Result = 7; };
  const TWindowGuard here(AllocateHWnd(local.Method()));
  TWindowThread owner;
  owner.Reaction = [&](TMessage& message) {
    if (message.Msg != kFirst) return;
    std::uintptr_t back = 0;
    SendMessageTimeoutA(here.Get(), kSecond, 0, 0, SMTO_NORMAL, 200, &back);
    message.Result = static_cast<LRESULT>(back);
  };

  std::uintptr_t result = 0;
  ASSERT_NE(SendMessageTimeoutA(owner.Window, kFirst, 0, 0, SMTO_NORMAL, kHangGuardMs, &result), 0);
  EXPECT_EQ(result, 7u) << "the send back was answered while this thread waited";

  ASSERT_NE(SendMessageTimeoutA(owner.Window, kFirst, 0, 0, SMTO_BLOCK, kHangGuardMs, &result), 0);
  EXPECT_EQ(result, 0u) << "a blocked sender lets the send back time out";
  EXPECT_EQ(local.Seen, (std::vector<UINT>{kSecond}));
}

TEST(CrossThreadTest, OnlyTheOwningThreadMayDestroyAWindow) {
  TWindowThread owner;
  EXPECT_FALSE(DestroyWindow(owner.Window));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(IsWindow(owner.Window));
}

TEST(CrossThreadTest, WindowsEndWithTheirThread) {
  HWND window = nullptr;
  TRecorder recorder;
  std::thread([&] { window = AllocateHWnd(recorder.Method()); }).join();
  EXPECT_FALSE(IsWindow(window));
  EXPECT_FALSE(PostMessageA(window, kFirst, 0, 0));
  EXPECT_EQ(SendMessageA(window, kFirst, 0, 0), 0);
  EXPECT_TRUE(recorder.Seen.empty());
}

}  // namespace
