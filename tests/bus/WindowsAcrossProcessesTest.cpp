// Windows and registered messages of two processes on a private session
// bus: this test process and the peer program (BusPeer.cpp).
#include <gtest/gtest.h>
#include <signal.h>

#include <sstream>
#include <thread>

#include "platform/win/Messages.h"
#include "tests/bus/ChildProcess.h"
#include "tests/bus/PrivateBus.h"

namespace {

using bus_test::TChildProcess;

constexpr const char* kPeerClass = "KivoTestPeer";

std::uintptr_t Number(HWND window) { return reinterpret_cast<std::uintptr_t>(window); }

class TReceiver {
 public:
  void WndProc(TMessage& message) {
    if (message.Msg == Expected) Received.push_back(message.WParam);
  }
  UINT Expected = 0;
  std::vector<WPARAM> Received;
};

// First of the fixture's bases, so that the peer starts on the bus.
struct TOnBus {
  TOnBus() { bus_test::ProgramBus(); }
};

class WindowsAcrossProcessesTest : public ::testing::Test, private TOnBus {
 protected:
  WindowsAcrossProcessesTest() {
    std::istringstream line(FPeer.ReadLine().value_or(""));
    std::uintptr_t handle = 0;
    line >> handle >> FPeerEcho >> FPeerKivo;
    FPeerWindow = reinterpret_cast<HWND>(handle);
    FReceiver.Expected = RegisterWindowMessageA("KIVO_TEST_ECHO");
    FOwn = AllocateHWnd(TWndMethod(&FReceiver, &TReceiver::WndProc));
  }
  ~WindowsAcrossProcessesTest() override { DeallocateHWnd(FOwn); }

  // Dispatches this thread's messages until `count` echoes came back.
  void PumpUntilReceived(std::size_t count) {
    const auto deadline = std::chrono::steady_clock::now() + bus_test::kPatience;
    while (FReceiver.Received.size() < count && std::chrono::steady_clock::now() < deadline) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
      ProcessMessages();
    }
  }

  TChildProcess FPeer{{KOLMIRA_BUS_PEER, kPeerClass}};
  HWND FPeerWindow = nullptr;
  UINT FPeerEcho = 0;
  UINT FPeerKivo = 0;
  const UINT FPeerAdd = RegisterWindowMessageA("KIVO_TEST_ADD");
  TReceiver FReceiver;
  HWND FOwn = nullptr;
};

TEST_F(WindowsAcrossProcessesTest,
       FindsThePeersWindowWhoseHandleIsUniqueAndRegistersTheSameNumbers) {
  ASSERT_NE(FPeerWindow, nullptr);
  EXPECT_EQ(FindWindowA(kPeerClass, nullptr), FPeerWindow);
  EXPECT_EQ(FindWindowA("kivotestpeer", "PEER"), FPeerWindow);
  EXPECT_EQ(FindWindowA(kPeerClass, "another title"), nullptr);
  EXPECT_TRUE(IsWindow(FPeerWindow));

  const HWND here = CreateTopLevelWindow("KivoTestHere", "here", TWndMethod());
  EXPECT_LT(Number(FPeerWindow), std::uintptr_t{1} << 31);
  EXPECT_LT(Number(here), std::uintptr_t{1} << 31);
  // Each process counts its handles in a block of its own.
  EXPECT_NE(Number(here) >> 20, Number(FPeerWindow) >> 20);
  DestroyWindow(here);

  EXPECT_EQ(RegisterWindowMessageA("KIVO_TEST_ECHO"), FPeerEcho);
  EXPECT_EQ(RegisterWindowMessageA("wm_kivo"), FPeerKivo);
}

TEST_F(WindowsAcrossProcessesTest, PostsArriveInOrderAndAreDispatchedByTheOwnersLoop) {
  constexpr std::size_t kPosts = 50;
  for (std::size_t i = 0; i < kPosts; ++i)
    ASSERT_TRUE(PostMessageA(FPeerWindow, FPeerEcho, i, static_cast<LPARAM>(Number(FOwn))));
  PumpUntilReceived(kPosts);
  ASSERT_EQ(FReceiver.Received.size(), kPosts);
  for (std::size_t i = 0; i < kPosts; ++i) EXPECT_EQ(FReceiver.Received[i], i);
}

TEST_F(WindowsAcrossProcessesTest, ABroadcastReachesTheTopLevelWindowsOfOtherProcesses) {
  ASSERT_TRUE(PostMessageA(HWND_BROADCAST, FPeerEcho, 7, static_cast<LPARAM>(Number(FOwn))));
  PumpUntilReceived(1);
  EXPECT_EQ(FReceiver.Received, std::vector<WPARAM>{7});
}

TEST_F(WindowsAcrossProcessesTest, SendsAnswerWithTheProcedureResultOrTimeOut) {
  std::uintptr_t result = 0;
  ASSERT_TRUE(SendMessageTimeoutA(FPeerWindow, FPeerAdd, 41, 0, SMTO_BLOCK | SMTO_ABORTIFHUNG, 10000,
                                  &result));
  EXPECT_EQ(result, 42u);
  EXPECT_EQ(SendMessageA(FPeerWindow, FPeerAdd, 6, 0), 7);

  const UINT slow = RegisterWindowMessageA("KIVO_TEST_SLOW");
  EXPECT_EQ(SendMessageTimeoutA(FPeerWindow, slow, 2000, 0, SMTO_NORMAL, 50, &result), 0);
  EXPECT_EQ(GetLastError(), ERROR_TIMEOUT);
  // The peer answers again once its slow procedure is done.
  ASSERT_TRUE(SendMessageTimeoutA(FPeerWindow, FPeerAdd, 1, 0, SMTO_NORMAL, 20000, &result));
  EXPECT_EQ(result, 2u);
}

TEST_F(WindowsAcrossProcessesTest, AWindowWhoseProcessHasGoneIsAStaleHandle) {
  ASSERT_TRUE(IsWindow(FPeerWindow));
  FPeer.Kill();
  // The bus lets go of the peer's names once it has seen the process end.
  const auto deadline = std::chrono::steady_clock::now() + bus_test::kPatience;
  while (FindWindowA(kPeerClass, nullptr) != nullptr && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(FindWindowA(kPeerClass, nullptr), nullptr);
  EXPECT_FALSE(PostMessageA(FPeerWindow, FPeerEcho, 0, 0));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
  EXPECT_FALSE(IsWindow(FPeerWindow));
  std::uintptr_t result = 0;
  EXPECT_EQ(SendMessageTimeoutA(FPeerWindow, FPeerAdd, 1, 0, SMTO_NORMAL, 1000, &result), 0);
}

// Posts to a stopped process neither wait nor pile up without end: they
// are taken while it may only be slow, refused once it confirmed nothing
// for a second, and those taken arrive in order once it runs again.
TEST_F(WindowsAcrossProcessesTest, PostsToAStoppedPeerReturnAtOnceAndAreBounded) {
  ::kill(FPeer.Pid(), SIGSTOP);
  constexpr std::size_t kTaken = 300;
  for (std::size_t i = 0; i < kTaken; ++i)
    ASSERT_TRUE(PostMessageA(FPeerWindow, FPeerEcho, i, static_cast<LPARAM>(Number(FOwn))));
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  EXPECT_FALSE(PostMessageA(FPeerWindow, FPeerEcho, kTaken, static_cast<LPARAM>(Number(FOwn))));
  EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_QUOTA);
  // The bus daemon answers for the stopped peer's windows.
  EXPECT_EQ(FindWindowA(kPeerClass, nullptr), FPeerWindow);
  ::kill(FPeer.Pid(), SIGCONT);
  PumpUntilReceived(kTaken);
  ASSERT_EQ(FReceiver.Received.size(), kTaken);
  for (std::size_t i = 0; i < kTaken; ++i) EXPECT_EQ(FReceiver.Received[i], i);
}

TEST_F(WindowsAcrossProcessesTest, APostLeftByAPeerIsMadeWhenItIsKilled) {
  const UINT leave = RegisterWindowMessageA("KIVO_TEST_LEAVE");
  // Sent, so that the post is left before the answer comes back.
  ASSERT_TRUE(SendMessageTimeoutA(FPeerWindow, leave, 99, static_cast<LPARAM>(Number(FOwn)),
                                  SMTO_BLOCK, 10000, nullptr));
  EXPECT_TRUE(FReceiver.Received.empty());
  FPeer.Kill();
  PumpUntilReceived(1);
  EXPECT_EQ(FReceiver.Received, std::vector<WPARAM>{99});
}

TEST_F(WindowsAcrossProcessesTest, AnAbortIfHungSendToAHungPeerTimesOut) {
  const UINT slow = RegisterWindowMessageA("KIVO_TEST_SLOW");
  ASSERT_TRUE(PostMessageA(FPeerWindow, slow, 7000, 0));
  // Hung once its thread has not looked at its queue for five seconds.
  std::this_thread::sleep_for(std::chrono::milliseconds(5500));
  std::uintptr_t result = 0;
  EXPECT_EQ(SendMessageTimeoutA(FPeerWindow, FPeerAdd, 1, 0, SMTO_ABORTIFHUNG, 1000, &result), 0);
  EXPECT_EQ(GetLastError(), ERROR_TIMEOUT);
}

}  // namespace
