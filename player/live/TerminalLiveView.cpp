#include "player/live/TerminalLiveView.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <stdexcept>

#include "platform/win/Messages.h"

namespace kivo {

// The keyboard: standard input when it is the terminal, else the
// controlling terminal, so that audio can still come through a pipe.
TTerminalLiveView::TKeyboard::TKeyboard() {
  if (::isatty(0) != 0) return;
  FOwned = ::open("/dev/tty", O_RDONLY | O_CLOEXEC);
  if (FOwned < 0) throw std::runtime_error("no terminal to read the keys from");
}

TTerminalLiveView::TKeyboard::~TKeyboard() {
  if (FOwned >= 0) ::close(FOwned);
}

TTerminalLiveView::TTerminalLiveView()
    : FTerminal(FKeyboard.Fd(), STDOUT_FILENO),
      FView(FTerminal.Size(), DetectColorMode(std::getenv("COLORTERM")),
            [](std::string_view output) { WriteAll(STDOUT_FILENO, output); }) {}

TTerminalLiveView::~TTerminalLiveView() = default;

void TTerminalLiveView::Present(const TFrameUpdate& window, const PlayerStatus& status) {
  FView.Present(window, status);
}

std::vector<ViewEvent> TTerminalLiveView::WaitForInput(Clock::time_point deadline) {
  std::vector<ViewEvent> events;
  const auto now = Clock::now();
  if (now >= deadline) return events;
  std::array<char, 256> buffer{};
  const auto wait = std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
  // Messages from other processes (calls to the player) end the wait too,
  // so that they are answered at once rather than at the next frame.
  const std::size_t got = FTerminal.WaitForInput(buffer, wait, MessageQueueWakeFd());
  for (const InputEvent& input : FDecoder.Feed(std::string_view(buffer.data(), got))) {
    if (const auto* key = std::get_if<KeyPress>(&input)) {
      events.emplace_back(*key);
      continue;
    }
    const auto& click = std::get<MouseClick>(input);
    if (click.Button != MouseButton::Left) continue;
    if (const auto button = FView.ButtonAt(click.Column, click.Row)) {
      events.emplace_back(ButtonClick{*button});
      continue;
    }
    if (const auto point = FView.WindowPointAt(click.Column, click.Row))
      events.emplace_back(PictureClick{*point});
  }
  if (FTerminal.TakeResize()) FView.Resize(FTerminal.Size());
  return events;
}

bool TTerminalLiveView::StopRequested() const { return FTerminal.StopRequested(); }

}  // namespace kivo
