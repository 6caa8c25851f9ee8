// Of the players that clients start at one moment, one plays. The one that
// plays holds the bus name "org.kolmira.Player" for as long as it runs; a
// later one waits for that player's main window, tells the client that
// started it that it is idle, so that the client binds to that player, and
// ends.
#pragma once

#include <chrono>

namespace kivo {

enum class TPlayerClaim {
  // This process is the player (or there is no bus, and it plays alone).
  Play,
  // Another player's main window is there: the starter was told to use it.
  Defer,
  // Another process holds the name but shows no window within the time.
  NoAnswer,
};

TPlayerClaim ClaimThePlayer(std::chrono::milliseconds patience);

}  // namespace kivo
