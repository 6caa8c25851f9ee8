#include "player/BlockCutter.h"

#include <algorithm>
#include <stdexcept>

namespace kivo {

BlockCutter::BlockCutter(FrameSource& source, std::size_t hop) : FSource(source), FHop(hop) {
  if (hop == 0) throw std::invalid_argument("the hop must be at least one frame");
  FWindow.reserve(kBlockFrames);
}

void BlockCutter::SkipTo(std::size_t start) {
  const std::size_t dropped = std::min(start - FWindowStart, FWindow.size());
  FWindow.erase(FWindow.begin(), FWindow.begin() + static_cast<std::ptrdiff_t>(dropped));
  FWindowStart += dropped;

  // A hop longer than a block leaves frames that no block needs.
  std::vector<Frame> discard;
  while (FWindowStart < start && !FExhausted) {
    discard.resize(std::min(start - FWindowStart, kBlockFrames));
    const std::size_t got = FSource.Read(discard);
    FWindowStart += got;
    FExhausted = got < discard.size();
  }
}

void BlockCutter::Fill() {
  const std::size_t have = FWindow.size();
  if (FExhausted || have == kBlockFrames) return;
  FWindow.resize(kBlockFrames);
  const std::size_t got = FSource.Read(std::span(FWindow).subspan(have));
  FWindow.resize(have + got);
  FExhausted = FWindow.size() < kBlockFrames;
}

std::span<Frame> BlockCutter::Next() {
  SkipTo(FNextStart);
  if (FWindowStart < FNextStart) return {};
  Fill();
  FNextStart += FHop;
  return FWindow;
}

}  // namespace kivo
