// A skin from the input: design-file text and a small bitmap beside it,
// through the controller's construction against the player's host object
// and automation server in this process, then a few blocks, clicks and
// display-mode changes, a painting of the window and the stop. Errors of
// the platform may escape the construction, as a graphics file that cannot
// be read does; anything else, a crash or a leak, is a fault.
#include <fuzzer/FuzzedDataProvider.h>
#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fuzz/FuzzPlayer.h"
#include "platform/render/Renderer.h"
#include "player/host/HostPluginObject.h"
#include "player/host/VisualisationWindow.h"
#include "plugin/Kolmira.h"

namespace {

// A folder of this process's own for the design file and its bitmap.
const std::filesystem::path& SkinFolder() {
  static const std::filesystem::path folder = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "kolmira-skin-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    return std::filesystem::path(pattern);
  }();
  return folder;
}

void Write(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Two tones, loud enough to light the bars of both channels.
std::vector<std::uint32_t> ToneFrames() {
  std::vector<std::uint32_t> frames(2048);
  for (std::size_t i = 0; i < frames.size(); ++i) {
    const double t = static_cast<double>(i);
    const auto left = static_cast<std::int16_t>(12000 * std::sin(t * 0.05));
    const auto right = static_cast<std::int16_t>(12000 * std::sin(t * 0.4));
    frames[i] =
        static_cast<std::uint16_t>(left) | (std::uint32_t{static_cast<std::uint16_t>(right)} << 16);
  }
  return frames;
}

void Feed(TKolmira& controller, std::vector<std::uint32_t>& frames) {
  const auto bytes = static_cast<std::uint32_t>(frames.size() * sizeof(std::uint32_t));
  const TSampleBlock block{frames.data(), bytes, bytes};
  controller.Sampling(&block);
}

void Run(TKolmira& controller, kivo::TVisualisationWindow& windows, FuzzedDataProvider& input) {
  static std::vector<std::uint32_t> tone = ToneFrames();
  std::vector<std::uint32_t> frames(input.ConsumeIntegralInRange<std::size_t>(0, 2048));
  for (std::uint32_t& frame : frames) frame = input.ConsumeIntegral<std::uint32_t>();
  // The analysis has a fuzzer of its own: few blocks, so that the time goes
  // to the skins.
  Feed(controller, frames);
  for (int round = 0; round < 3; ++round) {
    Feed(controller, tone);
    controller.DoPanelClick(controller.LeftPanel());
    controller.DoChangeDisplayMode(
        &controller, static_cast<TKIVODisplayMode>(input.ConsumeIntegralInRange<int>(0, 5)));
    controller.DoVolume(&controller, 0, round);
  }
  const TFrame painted = windows.Render();
  if (painted.Width != windows.Window().Width()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz_player::TPlayer& player = fuzz_player::Player();
  // Two 16-bit lengths, the design text, the bitmap, then what drives the
  // run; a seed is thus made by putting a skin's two files together.
  if (size < 4) return 0;
  const std::size_t designLength = std::min<std::size_t>(data[0] | (data[1] << 8), size - 4);
  const std::size_t bitmapLength =
      std::min<std::size_t>(data[2] | (data[3] << 8), size - 4 - designLength);
  const auto* cursor = reinterpret_cast<const char*>(data + 4);
  const std::string design(cursor, designLength);
  const std::string bitmap(cursor + designLength, bitmapLength);
  FuzzedDataProvider input(data + 4 + designLength + bitmapLength,
                           size - 4 - designLength - bitmapLength);
  Write(SkinFolder() / "design.ini", design);
  Write(SkinFolder() / "sheet.bmp", bitmap);
  player.State = kivo::TPlayerState{};
  player.State.Design = (SkinFolder() / "design.ini").string();

  kivo::TVisualisationWindow windows({400, 100});
  kivo::THostPlugin host({}, windows);
  TKolmira* controller = nullptr;
  try {
    controller = new TKolmira(&windows.Owner(), host.Object());
  } catch (const Exception&) {
    return 0;
  }
  Run(*controller, windows, input);
  delete controller;
  ProcessMessages();
  if (windows.Window().ControlCount() != 0) std::abort();
  if (player.Clients.Count() != 0) std::abort();
  return 0;
}
