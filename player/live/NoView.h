// Live playing without a view: nothing is shown and no keys are read; a
// stop signal (player/StopSignals.h, which the program installs) ends
// playing as `q` does.
#pragma once

#include "player/live/LiveView.h"

namespace kivo {

class TNoView final : public TLiveView {
 public:
  void Present(const TFrameUpdate&, const PlayerStatus&) override {}
  std::vector<ViewEvent> WaitForInput(Clock::time_point deadline) override;
  bool StopRequested() const override;
};

}  // namespace kivo
