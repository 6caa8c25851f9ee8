#include "player/terminal/DoubleClicks.h"

namespace kivo {

bool TDoubleClicks::Press(const MouseClick& press, Clock::time_point at) {
  if (press.Button != MouseButton::Left) {
    Forget();
    return false;
  }
  const bool second = FFirst && FFirst->Column == press.Column && FFirst->Row == press.Row &&
                      at >= FFirst->At && at - FFirst->At <= kDoubleClickTime;
  if (second) {
    Forget();
    return true;
  }
  FFirst = TFirst{press.Column, press.Row, at};
  return false;
}

}  // namespace kivo
