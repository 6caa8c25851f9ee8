// How long after a sound starts the capture path shows it: a PulseAudio
// server of its own with a null sink, a tone started into it with paplay at
// a known moment, and the latest 2048 captured frames run through the
// analysis every half millisecond, as the live player does at each frame,
// until the tone's band lights. Prints the median, min and max of the
// trials, and what the server says the capture stream's latency is.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "player/Playback.h"
#include "player/audio/PulseCapture.h"
#include "plugin/SpectrumAnalysis.h"
#include "tests/player/audio/PulseServer.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int kTrials = 11;
constexpr std::size_t kToneBand = 5;

class ToneBand final : public TAnalysisOutput {
 public:
  void ClearPanels() override { FLevel = 0; }
  void SetLevels(TChannel channel, const TBandLevels& levels) override {
    if (channel == TChannel::Left) FLevel = levels[kToneBand];
  }
  std::int32_t Level() const { return FLevel; }

 private:
  std::int32_t FLevel = 0;
};

std::int32_t ToneLevelNow(kivo::PulseCapture& capture, TSpectrumAnalysis& analysis) {
  std::vector<kivo::Frame> block = capture.Frames().Latest(2048);
  block.resize(2048);
  ToneBand band;
  const TSampleBlock sample = kivo::SampleBlockOf(block, block.size());
  analysis.Sampling(&sample, true, band);
  return band.Level();
}

// Waits until the captured block shows nothing of the tone any more.
bool WaitForSilence(kivo::PulseCapture& capture, TSpectrumAnalysis& analysis) {
  const auto giveUp = Clock::now() + 10s;
  while (Clock::now() < giveUp) {
    if (ToneLevelNow(capture, analysis) == 0) return true;
    std::this_thread::sleep_for(5ms);
  }
  return false;
}

double Milliseconds(Clock::duration duration) {
  return std::chrono::duration<double, std::milli>(duration).count();
}

}  // namespace

int main() {
  kivo_test::PulseServer server("latency");
  if (!server.WaitUntilReady()) {
    std::fprintf(stderr, "capture_latency: the private PulseAudio server did not start\n");
    return 1;
  }
  ::setenv("PULSE_SERVER", ("unix:" + server.Socket()).c_str(), 1);
  const std::string tone = (server.Folder() / "tone.wav").string();
  const std::string sox =
      "sox -n -r 44100 -c 2 -b 16 " + kivo_test::Quoted(tone) + " synth 1 sine 1076.660156 vol 0.5";
  if (std::system(sox.c_str()) != 0) return 1;

  // Fragments of one displayed frame at 30 frames a second, as the player asks.
  kivo::PulseCapture capture({server.Monitor(), false}, std::chrono::microseconds(1'000'000 / 30));
  const auto startBy = Clock::now() + 5s;
  while (capture.Status().State != kivo::TCaptureState::Capturing) {
    if (Clock::now() > startBy) {
      std::fprintf(stderr, "capture_latency: %s\n", capture.Status().Problem.c_str());
      return 1;
    }
    std::this_thread::sleep_for(10ms);
  }
  const std::uint32_t rate = capture.Status().SampleRate;
  TSpectrumAnalysis analysis;
  analysis.FRecLevel = 100;
  analysis.FSpeanaPattern = 2;
  analysis.FAdjustSpeanaLevel = 100;
  std::vector<double> lags;
  // Trial -1 warms up: the first stream a server plays takes far longer.
  for (int trial = -1; trial < kTrials; ++trial) {
    if (!WaitForSilence(capture, analysis)) return 1;
    const auto started = Clock::now();
    const kivo_test::BackgroundProgram player(server.Environment() +
                                              " paplay --latency-msec=10 --device=latency " +
                                              kivo_test::Quoted(tone));
    while (ToneLevelNow(capture, analysis) == 0 && Clock::now() - started < 10s)
      std::this_thread::sleep_for(500us);
    const double lag = Milliseconds(Clock::now() - started);
    std::fprintf(stderr, "trial %d: %.1f ms\n", trial, lag);
    if (trial >= 0) lags.push_back(lag);
    if (trial == kTrials / 2) {
      const kivo_test::CommandResult latency =
          server.Run("pactl list source-outputs | grep -i latency");
      std::printf("server's view of the capture stream while the tone plays:\n%s",
                  latency.Output.c_str());
    }
  }
  std::sort(lags.begin(), lags.end());
  std::printf("capture fragment asked for: %u frames = %.1f ms at %u Hz\n",
              capture.FragmentFrames(), 1000.0 * capture.FragmentFrames() / rate, rate);
  std::printf(
      "paplay started -> tone's band lit in the latest captured block, %d trials: median %.1f "
      "ms, min %.1f ms, max %.1f ms\n",
      kTrials, lags[lags.size() / 2], lags.front(), lags.back());
  return 0;
}
