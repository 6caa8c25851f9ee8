// Live playing without a view: nothing is shown and no keys are read; an
// interrupt or a termination signal ends playing as `q` does.
#pragma once

#include <signal.h>

#include "player/live/LiveView.h"

namespace kivo {

class TNoView final : public TLiveView {
 public:
  TNoView();
  ~TNoView() override;
  TNoView(const TNoView&) = delete;
  TNoView& operator=(const TNoView&) = delete;

  void Present(const TFrameUpdate&, const PlayerStatus&) override {}
  std::vector<ViewEvent> WaitForInput(Clock::time_point deadline) override;
  bool StopRequested() const override;

 private:
  struct sigaction FPreviousInterrupt {};
  struct sigaction FPreviousTerminate {};
};

}  // namespace kivo
