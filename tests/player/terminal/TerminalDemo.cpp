// A small program that runs the terminal view the way the player does, for
// the test that drives it in a real terminal: a picture whose bars follow
// the display mode keys, a status line, clicks reported in window pixels.
#include <array>
#include <cstdlib>
#include <string>
#include <variant>

#include "player/terminal/InputDecoder.h"
#include "player/terminal/TerminalSession.h"
#include "player/terminal/TerminalView.h"

namespace {

using namespace std::chrono_literals;

constexpr std::int32_t kWindowWidth = 160;
constexpr std::int32_t kWindowHeight = 60;

// Dark blue with one red bar per display mode step, five at most.
TFrame Picture(int displayMode) {
  TFrame frame(kWindowWidth, kWindowHeight, 0xFF401000u);
  for (int bar = 0; bar <= displayMode; ++bar) {
    for (std::int32_t y = 10; y < kWindowHeight - 10; ++y) {
      for (std::int32_t x = 10 + 30 * bar; x < 30 + 30 * bar; ++x) {
        frame.Pixels[static_cast<std::size_t>(y * kWindowWidth + x)] = 0xFF2020E0u;
      }
    }
  }
  return frame;
}

// Applies one event; false when the program should end.
bool Apply(const kivo::InputEvent& event, const kivo::TerminalView& view,
           kivo::PlayerStatus& status) {
  if (const auto* click = std::get_if<kivo::MouseClick>(&event)) {
    const auto point = view.WindowPointAt(click->Column, click->Row);
    status.Track = point ? "click " + std::to_string(point->X) + "," + std::to_string(point->Y)
                         : std::string("click outside");
    return true;
  }
  switch (std::get<kivo::KeyPress>(event).Pressed) {
    case kivo::Key::Q:
    case kivo::Key::CtrlC:
      return false;
    case kivo::Key::Space:
      status.Paused = !status.Paused;
      break;
    case kivo::Key::Digit0:
      status.DisplayMode = 0;
      break;
    case kivo::Key::Digit1:
      status.DisplayMode = 1;
      break;
    case kivo::Key::Digit2:
      status.DisplayMode = 2;
      break;
    case kivo::Key::Digit3:
      status.DisplayMode = 3;
      break;
    case kivo::Key::Digit4:
      status.DisplayMode = 4;
      break;
    case kivo::Key::Plus:
      status.VolumePercent += 10;
      break;
    case kivo::Key::Minus:
      status.VolumePercent -= 10;
      break;
    case kivo::Key::P:
      status.BandPattern = (status.BandPattern + 1) % 6;
      break;
    case kivo::Key::S:
    case kivo::Key::N:
    case kivo::Key::B:
    case kivo::Key::M:
    case kivo::Key::Up:
    case kivo::Key::Down:
    case kivo::Key::Left:
    case kivo::Key::Right:
    case kivo::Key::Enter:
    case kivo::Key::Escape:
    case kivo::Key::T:
    case kivo::Key::D:
      break;
  }
  return true;
}

}  // namespace

int main() {
  kivo::TerminalSession session;
  kivo::TerminalView view(
      session.Size(), kivo::DetectColorMode(std::getenv("COLORTERM")),
      [&session](std::string_view text) { kivo::WriteAll(session.OutputFd(), text); });
  kivo::InputDecoder decoder;
  kivo::PlayerStatus status{"demo", 0, -1, 100, 0, 0, false, ""};
  std::array<char, 256> buffer{};
  for (bool running = true; running && !session.StopRequested();) {
    if (session.TakeResize()) view.Resize(session.Size());
    view.Present(Picture(status.DisplayMode), status);
    const std::size_t got = session.WaitForInput(buffer, 100ms);
    for (const kivo::InputEvent& event : decoder.Feed(std::string_view(buffer.data(), got))) {
      running = running && Apply(event, view, status);
    }
  }
  return 0;
}
