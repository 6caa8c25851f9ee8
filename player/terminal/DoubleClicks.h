// Double clicks among a terminal's mouse presses, which the terminal
// reports one by one: a second press of the left button on the same cell
// within the desktop's usual double-click time after the first. A third
// press is not chained onto the pair; it may begin the next one.
#pragma once

#include <chrono>
#include <optional>

#include "player/terminal/InputDecoder.h"

namespace kivo {

class TDoubleClicks {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr std::chrono::milliseconds kDoubleClickTime{500};

  // Takes a press that came at `at`; true when it is the second of a
  // double click.
  bool Press(const MouseClick& press, Clock::time_point at);
  // A press that went elsewhere (to the menu) ends what came before.
  void Forget() { FFirst.reset(); }

 private:
  struct TFirst {
    std::int32_t Column;
    std::int32_t Row;
    Clock::time_point At;
  };
  std::optional<TFirst> FFirst;
};

}  // namespace kivo
