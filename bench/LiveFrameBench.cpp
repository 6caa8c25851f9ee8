// What one displayed frame of `kivo play` costs, without a terminal or a
// sound device: the heard block taken from the live audio, the plug-in's
// analysis and panels, the window painted, its terminal cells, and the
// bytes that would go to a 140 x 45 terminal. For each default skin:
// - Music: the built-in demo, so the panels move from frame to frame;
// - Steady: a tone that repeats exactly once a frame, so every frame's
//   block is the same and nothing on screen changes;
// - Paused: no block at all, as while playback is paused.
// Time per iteration is the time per frame; at 30 frames a second, 333 us
// per frame would be 1 % of one core.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "player/Playback.h"
#include "player/Session.h"
#include "player/audio/SilentOutput.h"
#include "player/input/DemoSource.h"
#include "player/live/LiveAudio.h"
#include "player/terminal/TerminalView.h"

namespace {

using namespace kivo;
namespace fs = std::filesystem;

constexpr int kFps = 30;
constexpr int kRate = DemoSource::kSampleRate;
constexpr std::size_t kFrameStep = kRate / kFps;  // 1470 frames a displayed frame

class BenchClock final : public MonotonicClock {
 public:
  std::chrono::nanoseconds Now() const override { return FNow; }
  void Advance() { FNow += std::chrono::nanoseconds(1'000'000'000 / kFps); }

 private:
  std::chrono::nanoseconds FNow{std::chrono::hours(1)};
};

// The demo over and over, made once: reading it costs what reading a
// decoded file would, not what synthesising it does.
class LoopedDemo final : public FrameSource {
 public:
  LoopedDemo() {
    static const std::vector<Frame> music = [] {
      std::vector<Frame> frames(DemoSource::TotalFrames());
      DemoSource demo;
      frames.resize(demo.Read(frames));
      return frames;
    }();
    FMusic = &music;
  }
  std::size_t Read(std::span<Frame> frames) override {
    for (Frame& frame : frames) {
      frame = (*FMusic)[FNext];
      FNext = (FNext + 1) % FMusic->size();
    }
    return frames.size();
  }

 private:
  const std::vector<Frame>* FMusic = nullptr;
  std::size_t FNext = 0;
};

// Two tones whose cycles fit a displayed frame's step exactly, so that the
// block heard is the same at every frame.
class SteadyTone final : public FrameSource {
 public:
  SteadyTone() : FCycle(kFrameStep) {
    for (std::size_t i = 0; i < FCycle.size(); ++i) {
      const double t = static_cast<double>(i) / static_cast<double>(kFrameStep);
      const double left = 9000 * std::sin(2 * std::numbers::pi * 7 * t);
      const double right = 6000 * std::sin(2 * std::numbers::pi * 90 * t);
      FCycle[i] = PackFrame(static_cast<std::int16_t>(std::lround(left)),
                            static_cast<std::int16_t>(std::lround(right)));
    }
  }
  std::size_t Read(std::span<Frame> frames) override {
    for (Frame& frame : frames) {
      frame = FCycle[FNext];
      FNext = (FNext + 1) % FCycle.size();
    }
    return frames.size();
  }

 private:
  std::vector<Frame> FCycle;
  std::size_t FNext = 0;
};

enum class TSignal { Music, Steady, Paused };

// A home and a runtime folder of the benchmark's own, so that neither the
// user's settings nor a running player's single-instance lock are met.
class PrivateFolders {
 public:
  PrivateFolders() {
    std::string pattern = (fs::temp_directory_path() / "kivo-live-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    FRoot = pattern;
    fs::create_directories(FRoot / "runtime");
    fs::permissions(FRoot / "runtime", fs::perms::owner_all);
    ::setenv("XDG_RUNTIME_DIR", (FRoot / "runtime").c_str(), 1);
  }
  ~PrivateFolders() {
    std::error_code ignored;
    fs::remove_all(FRoot, ignored);
  }
  PrivateFolders(const PrivateFolders&) = delete;
  PrivateFolders& operator=(const PrivateFolders&) = delete;

  std::string Home() const { return (FRoot / "home").string(); }

 private:
  fs::path FRoot;
};

void BM_LiveFrame(benchmark::State& state, const char* skin, TSignal signal) {
  static PrivateFolders folders;
  TSessionOptions options;
  options.Home = folders.Home();
  options.PluginPath = KOLMIRA_PLUGIN;
  options.Design = std::string(KOLMIRA_SKINS_DIR) + "/" + skin + "/design.ini";
  options.DisplayMode = 3;  // falling peaks: the most the panels do
  options.Fps = kFps;
  TPlayerSession session(options, "");
  session.Begin();
  if (!session.PluginRunning()) {
    state.SkipWithError("the plug-in did not start");
    return;
  }

  auto clock = std::make_shared<BenchClock>();
  TLiveAudio audio(std::make_unique<SilentOutput>(kRate, clock), 8192);
  if (signal == TSignal::Steady) {
    audio.Open(std::make_unique<SteadyTone>(), 0);
  } else {
    audio.Open(std::make_unique<LoopedDemo>(), 0);
  }
  if (audio.Output().Paused()) audio.Output().Resume();
  std::size_t bytes = 0;
  TerminalView view({140, 45}, ColorMode::TrueColor,
                    [&bytes](std::string_view output) { bytes += output.size(); });
  PlayerStatus status;
  status.Track = "Demo";
  status.DurationSeconds = 16;

  // Two seconds in, so that the music plays and the first full draw is past.
  const auto frame = [&] {
    if (signal != TSignal::Paused) {
      clock->Advance();
      audio.Fill();
      std::vector<Frame> heard = audio.HeardBlock();
      session.PlayBlock(SampleBlockOf(heard, heard.size()),
                        MillisecondsAt(audio.TrackFrame(), kRate));
    }
    view.Present(session.WindowUpdate(), status);
  };
  for (int i = 0; i < 2 * kFps; ++i) frame();
  bytes = 0;
  const std::size_t paints = session.WindowPaints();

  for (auto _ : state) frame();

  const auto frames = static_cast<double>(state.iterations());
  state.counters["bytes/frame"] = static_cast<double>(bytes) / frames;
  state.counters["painted"] = static_cast<double>(session.WindowPaints() - paints) / frames;
  session.End();
}

#define LIVE_FRAME_BENCHMARKS(skin)                                      \
  BENCHMARK_CAPTURE(BM_LiveFrame, skin##_music, #skin, TSignal::Music)   \
      ->Unit(benchmark::kMicrosecond);                                   \
  BENCHMARK_CAPTURE(BM_LiveFrame, skin##_steady, #skin, TSignal::Steady) \
      ->Unit(benchmark::kMicrosecond);                                   \
  BENCHMARK_CAPTURE(BM_LiveFrame, skin##_paused, #skin, TSignal::Paused) \
      ->Unit(benchmark::kMicrosecond)

LIVE_FRAME_BENCHMARKS(bars);
LIVE_FRAME_BENCHMARKS(picture);
LIVE_FRAME_BENCHMARKS(frames);

}  // namespace

BENCHMARK_MAIN();
