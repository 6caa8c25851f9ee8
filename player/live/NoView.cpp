#include "player/live/NoView.h"

#include <poll.h>

#include "player/StopSignals.h"

namespace kivo {

std::vector<ViewEvent> TNoView::WaitForInput(Clock::time_point deadline) {
  const auto now = Clock::now();
  if (now < deadline && !StopRequested()) {
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
    pollfd stop{StopSignalWakeFd(), POLLIN, 0};
    ::poll(&stop, 1, static_cast<int>(wait.count()));
  }
  return {};
}

bool TNoView::StopRequested() const { return StopSignalReceived() != 0; }

}  // namespace kivo
