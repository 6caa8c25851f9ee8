#include "player/LevelsCommand.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>

#include "player/BlockCutter.h"
#include "player/audio/CaptureSource.h"
#include "player/input/DemoSource.h"
#include "player/input/PlayListName.h"
#include "player/input/RawStereoSource.h"
#include "player/input/SoundFileSource.h"
#include "plugin/SpectrumAnalysis.h"

namespace kivo {

namespace {

class BlockResult final : public TAnalysisOutput {
 public:
  void ClearPanels() override { FCleared = true; }
  void SetLevels(TChannel channel, const TBandLevels& levels) override {
    (channel == TChannel::Left ? FLeft : FRight) = levels;
  }

  void Reset() { FCleared = false; }

  void AppendJson(std::size_t block, std::string& line) const {
    line += "{\"block\":";
    line += std::to_string(block);
    if (FCleared) {
      line += ",\"clear\":true}\n";
      return;
    }
    AppendLevels(line, "left", FLeft);
    AppendLevels(line, "right", FRight);
    line += "}\n";
  }

 private:
  static void AppendLevels(std::string& line, const char* name, const TBandLevels& levels) {
    line += ",\"";
    line += name;
    line += "\":[";
    for (std::size_t band = 0; band < levels.size(); ++band) {
      if (band > 0) line += ',';
      line += std::to_string(levels[band]);
    }
    line += ']';
  }

  bool FCleared = false;
  TBandLevels FLeft{};
  TBandLevels FRight{};
};

// The levels of one stream go out block by block, numbered from 0: a
// playlist or a folder, which `play` and `render` take, has no one stream.
void RefuseManyStreams(const std::string& input) {
  std::error_code error;
  if (std::filesystem::is_directory(input, error))
    throw InputError("levels takes one audio stream: " + input +
                     " is a folder; give one of its files");
  if (IsPlayListFile(input))
    throw InputError("levels takes one audio stream: " + input +
                     " is a playlist; give one of its files");
}

std::unique_ptr<FrameSource> OpenInput(const LevelsOptions& options) {
  if (options.Capture) return CaptureFor(*options.Capture, options.Seconds, stderr);
  const std::string& input = options.Input;
  if (input.empty()) return std::make_unique<DemoSource>();
  if (input == "-") return std::make_unique<RawStereoSource>(stdin);
  RefuseManyStreams(input);
  return std::make_unique<SoundFileSource>(input);
}

// Lines are gathered up to this size and written at once.
constexpr std::size_t kOutputChunk = 64 * 1024;

void Write(std::string& text, std::FILE* out) {
  if (std::fwrite(text.data(), 1, text.size(), out) != text.size()) {
    throw InputError(std::string("cannot write the levels: ") + std::strerror(errno));
  }
  text.clear();
}

}  // namespace

std::size_t RunLevels(const LevelsOptions& options, std::FILE* out) {
  const std::unique_ptr<FrameSource> source = OpenInput(options);
  BlockCutter cutter(*source, options.Hop);

  TSpectrumAnalysis analysis;
  analysis.FRecLevel = options.RecLevel;
  analysis.FSpeanaPattern = options.Pattern;
  analysis.FAdjustSpeanaLevel = options.Adjust;

  BlockResult result;
  std::string output;
  output.reserve(kOutputChunk + 256);
  std::size_t blocks = 0;
  for (std::span<Frame> frames = cutter.Next(); !frames.empty(); frames = cutter.Next()) {
    const TSampleBlock block{frames.data(),
                             static_cast<std::uint32_t>(BlockCutter::kBlockFrames * sizeof(Frame)),
                             static_cast<std::uint32_t>(frames.size() * sizeof(Frame))};
    result.Reset();
    // Both panels count as visible: the command shows every block.
    analysis.Sampling(&block, true, result);
    result.AppendJson(blocks, output);
    // Captured blocks are live: each is out as soon as it is analysed.
    if (options.Capture || output.size() >= kOutputChunk) Write(output, out);
    if (options.Capture) std::fflush(out);
    ++blocks;
  }
  Write(output, out);
  if (std::fflush(out) != 0) {
    throw InputError(std::string("cannot write the levels: ") + std::strerror(errno));
  }
  return blocks;
}

}  // namespace kivo
