#include "player/LevelsCommand.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <memory>

#include "player/BlockCutter.h"
#include "player/Playback.h"
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
  void ClearPanels() override { FLevels.Cleared = true; }
  void SetLevels(TChannel channel, const TBandLevels& levels) override {
    (channel == TChannel::Left ? FLevels.Left : FLevels.Right) = levels;
  }

  void Reset() { FLevels.Cleared = false; }
  const TBlockLevels& Levels() const { return FLevels; }

 private:
  TBlockLevels FLevels;
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

struct TLevelsInput {
  std::unique_ptr<FrameSource> Source;
  int SampleRate = kDefaultSampleRate;
};

// JSON lines keep blocks of the plug-in's own size apart unless asked;
// the bars of a status bar come one displayed frame apart.
std::size_t HopOf(const LevelsOptions& options, int sampleRate) {
  if (options.Hop != 0) return options.Hop;
  if (options.Format == TLevelsFormat::Json && options.Fps == 0) return BlockCutter::kBlockFrames;
  return BlockHop(0, options.Fps != 0 ? options.Fps : kDefaultBarsFps, sampleRate);
}

// The sound between two lines, at the usual rate: how much the server is
// asked to hand over at a time.
std::chrono::microseconds CaptureFragment(const LevelsOptions& options) {
  return std::chrono::microseconds(HopOf(options, kDefaultSampleRate) * 1'000'000 /
                                   kDefaultSampleRate);
}

TLevelsInput OpenInput(const LevelsOptions& options) {
  if (options.Capture) {
    auto capture = std::make_unique<CaptureSource>(*options.Capture, options.Seconds,
                                                   CaptureFragment(options), stderr);
    const int rate = static_cast<int>(capture->SampleRate());
    return {std::move(capture), rate};
  }
  const std::string& input = options.Input;
  if (input.empty()) return {std::make_unique<DemoSource>(), DemoSource::kSampleRate};
  if (input == "-") return {std::make_unique<RawStereoSource>(stdin), kDefaultSampleRate};
  RefuseManyStreams(input);
  auto file = std::make_unique<SoundFileSource>(input);
  const int rate = file->SampleRate();
  return {std::move(file), rate};
}

// Lines are gathered up to this size and written at once.
constexpr std::size_t kOutputChunk = 64 * 1024;

// A reader that went away (`| head`) ends the command as done: it has
// what it wanted. False then.
bool Write(std::string& text, std::FILE* out) {
  const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
  text.clear();
  if (written) return true;
  if (errno == EPIPE) return false;
  throw InputError(std::string("cannot write the levels: ") + std::strerror(errno));
}

bool Flush(std::FILE* out) {
  if (std::fflush(out) == 0) return true;
  if (errno == EPIPE) return false;
  throw InputError(std::string("cannot write the levels: ") + std::strerror(errno));
}

}  // namespace

std::size_t RunLevels(const LevelsOptions& options, std::FILE* out) {
  // A closed pipe then shows as EPIPE from the write instead of ending the
  // process by signal.
  std::signal(SIGPIPE, SIG_IGN);
  const TLevelsInput input = OpenInput(options);
  BlockCutter cutter(*input.Source, HopOf(options, input.SampleRate));

  TSpectrumAnalysis analysis;
  analysis.FRecLevel = options.RecLevel;
  analysis.FSpeanaPattern = options.Pattern;
  analysis.FAdjustSpeanaLevel = options.Adjust;

  // Captured blocks are live, and so are bars for a status bar: each line
  // is out as soon as its block is analysed.
  const bool live = options.Capture || options.Format != TLevelsFormat::Json;
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
    AppendLevelsLine(blocks, result.Levels(), options.Format, options.Channels, output);
    ++blocks;
    if (live || output.size() >= kOutputChunk) {
      if (!Write(output, out) || (live && !Flush(out))) return blocks;
    }
  }
  if (Write(output, out)) Flush(out);
  return blocks;
}

}  // namespace kivo
