#include "player/headless/PlayerClaim.h"

#include <thread>

#include "platform/bus/Bus.h"
#include "platform/win/ReadySignal.h"
#include "platform/win/Windows.h"

namespace kivo {

namespace {

constexpr const char* kPlayerName = "org.kolmira.Player";
constexpr const char* kMainWindowClass = "TFormKIVO";
constexpr auto kLookAgain = std::chrono::milliseconds(50);

}  // namespace

// A window first: a player that runs (even one stopped) is listed by the
// bus daemon itself, and is the one to use. The name is the lock between
// players starting together; the kernel's end of a process gives it up.
TPlayerClaim ClaimThePlayer(std::chrono::milliseconds patience) {
  kivo_bus::TBus* bus = kivo_bus::TBus::Get();
  if (bus == nullptr) return TPlayerClaim::Play;
  const auto deadline = std::chrono::steady_clock::now() + patience;
  for (;;) {
    if (FindWindowA(kMainWindowClass, nullptr) != nullptr) {
      SignalReadyOnce();
      return TPlayerClaim::Defer;
    }
    if (bus->Claim(kPlayerName)) return TPlayerClaim::Play;
    if (std::chrono::steady_clock::now() >= deadline) return TPlayerClaim::NoAnswer;
    std::this_thread::sleep_for(kLookAgain);
  }
}

}  // namespace kivo
