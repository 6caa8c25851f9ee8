#include "player/live/NoView.h"

#include <poll.h>

#include <atomic>
#include <stdexcept>

namespace kivo {

namespace {

std::atomic<bool> gStopRequested{false};
std::atomic<bool> gActive{false};

void RequestStop(int) { gStopRequested = true; }

}  // namespace

TNoView::TNoView() {
  if (gActive.exchange(true)) throw std::logic_error("only one view without a picture at a time");
  gStopRequested = false;
  struct sigaction action {};
  action.sa_handler = RequestStop;
  sigemptyset(&action.sa_mask);
  // No SA_RESTART: the wait below is to end when the signal arrives.
  ::sigaction(SIGINT, &action, &FPreviousInterrupt);
  ::sigaction(SIGTERM, &action, &FPreviousTerminate);
}

TNoView::~TNoView() {
  ::sigaction(SIGINT, &FPreviousInterrupt, nullptr);
  ::sigaction(SIGTERM, &FPreviousTerminate, nullptr);
  gActive = false;
}

std::vector<ViewEvent> TNoView::WaitForInput(Clock::time_point deadline) {
  const auto now = Clock::now();
  if (now < deadline && !gStopRequested) {
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
    ::poll(nullptr, 0, static_cast<int>(wait.count()));
  }
  return {};
}

bool TNoView::StopRequested() const { return gStopRequested; }

}  // namespace kivo
