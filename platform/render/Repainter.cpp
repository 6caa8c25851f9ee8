#include "platform/render/Repainter.h"

#include <algorithm>
#include <atomic>
#include <utility>

namespace {

// Beyond this many separate areas one area around them all is painted.
constexpr std::size_t kMostAreas = 32;

std::uint64_t NewSerial() {
  static std::atomic<std::uint64_t> last{0};
  return last.fetch_add(1, std::memory_order_relaxed) + 1;
}

// Puts `area` into `merged`, joined with every area it can share a
// rectangle with at no more cost than painting both apart.
void AddMerged(std::vector<TPaintArea>& merged, TPaintArea area) {
  for (auto it = merged.begin(); it != merged.end();) {
    const TPaintArea both = it->Union(area);
    if (both.Size() > it->Size() + area.Size()) {
      ++it;
      continue;
    }
    area = both;
    merged.erase(it);
    it = merged.begin();
  }
  merged.push_back(area);
}

std::vector<TPaintArea> Merged(const std::vector<TPaintArea>& areas) {
  std::vector<TPaintArea> merged;
  for (const TPaintArea& area : areas) AddMerged(merged, area);
  if (merged.size() <= kMostAreas) return merged;
  TPaintArea around;
  for (const TPaintArea& area : merged) around = around.Union(area);
  return {around};
}

TRect RectOf(const TPaintArea& area) {
  return {static_cast<std::int32_t>(area.Left), static_cast<std::int32_t>(area.Top),
          static_cast<std::int32_t>(area.Right), static_cast<std::int32_t>(area.Bottom)};
}

}  // namespace

void TRepainter::Paint(const TControl& root) {
  const bool resized = FFrame.Width != std::max(root.Width(), 0) ||
                       FFrame.Height != std::max(root.Height(), 0) || !FPainted;
  if (resized) FFrame = TFrame(root.Width(), root.Height());
  const TPaintArea whole{0, 0, FFrame.Width, FFrame.Height};
  FAreas.clear();
  if (resized) {
    FList.Make(root, whole);
    FAreas.push_back(whole);
  } else if (!FList.Update(root, whole, FAreas)) {
    // The old list is only compared with, never painted from: its controls
    // may be gone.
    FSpare.Make(root, whole);
    FSpare.AddDifferences(FList, FAreas);
    std::swap(FList, FSpare);
  }
  std::vector<TPaintArea> merged = Merged(FAreas);
  std::erase_if(merged, [](const TPaintArea& area) { return area.IsEmpty(); });
  FList.Paint(FFrame, merged, TPaintList::TUnpainted::Clear);
  FChanged.clear();
  for (const TPaintArea& area : merged) FChanged.push_back(RectOf(area));
  FPainted = true;
  FPreviousSerial = resized ? 0 : FSerial;
  FSerial = NewSerial();
  ++FPaints;
}
