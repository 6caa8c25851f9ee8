// The other process of the window tests: one top-level window of the class
// named on the command line. It prints its window's handle and the numbers
// of two registered messages, then runs its message loop. Its window answers
// "KIVO_TEST_ECHO" by posting the same message back to the window named in
// lParam, "KIVO_TEST_SLOW" after sleeping wParam milliseconds with 42,
// "KIVO_TEST_LEAVE" by leaving an echo of wParam with the window named in
// lParam for when this process ends, and any other message with wParam + 1.
// It registers "KIVO_TEST_ADD" too, so that the test has a message to send
// it that crosses processes and means nothing in particular.
// With `--listen` it makes no top-level window but a hidden one that hears
// broadcasts, prints "ready", then one line "wParam lParam" for each
// "WM_KIVO" it hears, as a client made before the player would.
#include <cstdio>
#include <string_view>
#include <thread>

#include "platform/win/Messages.h"

namespace {

class TPeer {
 public:
  TPeer()
      : FEcho(RegisterWindowMessageA("KIVO_TEST_ECHO")),
        FSlow(RegisterWindowMessageA("KIVO_TEST_SLOW")),
        FLeave(RegisterWindowMessageA("KIVO_TEST_LEAVE")),
        FAdd(RegisterWindowMessageA("KIVO_TEST_ADD")) {}

  void WndProc(TMessage& message) {
    if (message.Msg == FEcho) {
      PostMessageA(reinterpret_cast<HWND>(message.LParam), FEcho, message.WParam, 0);
    } else if (message.Msg == FLeave) {
      PostMessageOnExit(reinterpret_cast<HWND>(message.LParam), FEcho, message.WParam, 0);
    } else if (message.Msg == FSlow) {
      std::this_thread::sleep_for(std::chrono::milliseconds(message.WParam));
      message.Result = 42;
    } else {
      message.Result = static_cast<LRESULT>(message.WParam + 1);
    }
  }

  UINT FEcho;
  UINT FSlow;
  UINT FLeave;
  UINT FAdd;
};

class TListener {
 public:
  void WndProc(TMessage& message) {
    if (message.Msg != FKivo) return;
    std::printf("%lu %ld\n", static_cast<unsigned long>(message.WParam),
                static_cast<long>(message.LParam));
    std::fflush(stdout);
  }
  UINT FKivo = RegisterWindowMessageA("WM_KIVO");
};

int Listen() {
  TListener listener;
  const HWND window = AllocateHWnd(TWndMethod(&listener, &TListener::WndProc));
  if (!HearBroadcasts(window)) return 1;
  std::printf("ready\n");
  std::fflush(stdout);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0)) DispatchMessageA(&message);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string_view(argv[1]) == "--listen") return Listen();
  if (argc != 2) return 2;
  TPeer peer;
  const HWND window = CreateTopLevelWindow(argv[1], "peer", TWndMethod(&peer, &TPeer::WndProc));
  std::printf("%lu %u %u\n", static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(window)),
              peer.FEcho, RegisterWindowMessageA("WM_KIVO"));
  std::fflush(stdout);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0)) DispatchMessageA(&message);
  return 0;
}
