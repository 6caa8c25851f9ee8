// Feeds arbitrary sample blocks and settings to the spectrum analysis. The
// block's Capacity is the buffer actually there, as a player guarantees;
// everything else (Size, the samples, the three settings) is the fuzzer's.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "plugin/SpectrumAnalysis.h"

namespace {

class CheckingOutput final : public TAnalysisOutput {
 public:
  void ClearPanels() override { ++Clears; }
  void SetLevels(TChannel, const TBandLevels& levels) override {
    ++LevelSets;
    for (const std::int32_t level : levels) {
      if (level > 10) std::abort();
    }
  }
  int Clears = 0;
  int LevelSets = 0;
};

std::int32_t TakeInt32(const std::uint8_t*& data, std::size_t& size) {
  std::int32_t value = 0;
  if (size >= sizeof value) {
    std::memcpy(&value, data, sizeof value);
    data += sizeof value;
    size -= sizeof value;
  }
  return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static TSpectrumAnalysis analysis;
  analysis.FRecLevel = TakeInt32(data, size);
  analysis.FSpeanaPattern = TakeInt32(data, size);
  analysis.FAdjustSpeanaLevel = TakeInt32(data, size);
  const auto blockSize = static_cast<std::uint32_t>(TakeInt32(data, size));

  std::vector<std::uint32_t> frames((size + 3) / 4);
  if (size > 0) std::memcpy(frames.data(), data, size);
  const TSampleBlock block{frames.data(), static_cast<std::uint32_t>(size), blockSize};

  CheckingOutput output;
  analysis.Sampling(&block, true, output);
  // Every block either clears the panels or sets both channels.
  const bool cleared = output.Clears == 1 && output.LevelSets == 0;
  const bool analysed = output.Clears == 0 && output.LevelSets == 2;
  if (!cleared && !analysed) std::abort();
  return 0;
}
