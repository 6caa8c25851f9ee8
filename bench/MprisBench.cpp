// What serving the desktop's media-player clients adds to each displayed
// frame of `kivo play`, beside the analysis of one block, the frame's
// reference work. The pump needs a session bus: run under dbus-run-session.
#include <benchmark/benchmark.h>

#include <iostream>
#include <vector>

#include "platform/win/Messages.h"
#include "player/Tracks.h"
#include "player/automation/KivoAutomation.h"
#include "player/input/DemoSource.h"
#include "player/mpris/MprisService.h"
#include "player/notify/ClientList.h"
#include "plugin/SpectrumAnalysis.h"

namespace {

using namespace kivo;

class NullOutput final : public TAnalysisOutput {
 public:
  void ClearPanels() override {}
  void SetLevels(TChannel, const TBandLevels& levels) override {
    benchmark::DoNotOptimize(levels.data());
  }
};

class NoActions final : public TPlayerActions {
 public:
  HWND MainWindow() const override { return nullptr; }
  void SaveSettings() override {}
  void WriteFormImage(const std::string&) override {}
  std::vector<std::string> ToolNames() const override { return {}; }
  void Show(const std::string&, const std::vector<std::string>&) override {}
};

TPlayerState PlayingState() {
  TPlayerState state;
  TTrack track = MakeStreamTrack("/music/a long folder name/the track.flac", "The Track", 240000);
  track.Artist = "The Artist";
  track.Album = "The Album";
  state.PlayList = {track, track, track};
  state.Track = 2;
  state.PlayStatus = kStatusPlaying;
  return state;
}

void BM_BlockAnalysis(benchmark::State& state) {
  DemoSource demo;
  std::vector<Frame> frames(2 * DemoSource::kSampleRate + 2048);
  demo.Read(frames);
  const TSampleBlock block{frames.data() + frames.size() - 2048, 8192, 8192};
  TSpectrumAnalysis analysis;
  analysis.FRecLevel = 100;
  analysis.FSpeanaPattern = 2;
  analysis.FAdjustSpeanaLevel = 100;
  NullOutput output;
  for (auto _ : state) analysis.Sampling(&block, true, output);
}
BENCHMARK(BM_BlockAnalysis);

// What the pump does every frame when nothing changed: the state as the
// interfaces show it, compared with what was last told.
void BM_StatusCompared(benchmark::State& state) {
  TPlayerState player = PlayingState();
  const TMprisStatus sent = MprisStatusOf(player);
  for (auto _ : state) {
    player.PositionMs += 33;
    benchmark::DoNotOptimize(ChangedProperties(sent, MprisStatusOf(player)));
  }
}
BENCHMARK(BM_StatusCompared);

// The whole pump with no request waiting, on a real bus.
void BM_IdlePump(benchmark::State& state) {
  TPlayerState player = PlayingState();
  TClientList clients(RegisterWindowMessageA("WM_KIVO"));
  NoActions actions;
  const TComPtr<Kivo_tlb::IKIVOControl> control = TKivoAutomation::Create(player, clients, actions);
  const auto service = TMprisService::Connect(*control.Get(), player, std::cerr);
  if (!service) {
    state.SkipWithError("no session bus: run under dbus-run-session");
    return;
  }
  service->Pump();
  for (auto _ : state) {
    player.PositionMs += 33;
    service->Pump();
  }
}
BENCHMARK(BM_IdlePump);

}  // namespace

BENCHMARK_MAIN();
