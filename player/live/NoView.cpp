#include "player/live/NoView.h"

#include <poll.h>

#include "platform/win/Messages.h"
#include "player/StopSignals.h"

namespace kivo {

std::vector<ViewEvent> TNoView::WaitForInput(Clock::time_point deadline) {
  const auto now = Clock::now();
  if (now < deadline && !StopRequested()) {
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
    // A message (a call from another process) ends the wait as a stop
    // signal does, so that it is answered at once.
    pollfd wakes[2] = {{StopSignalWakeFd(), POLLIN, 0}, {MessageQueueWakeFd(), POLLIN, 0}};
    ::poll(wakes, 2, static_cast<int>(wait.count()));
  }
  return {};
}

bool TNoView::StopRequested() const { return StopSignalReceived() != 0; }

}  // namespace kivo
