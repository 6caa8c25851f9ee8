#include "player/live/TerminalLiveView.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <stdexcept>

#include "platform/win/Messages.h"
#include "player/terminal/ScreenUpdate.h"

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
            [this](std::string_view output) { FOutput += output; }) {
  FMenu.Resize(FTerminal.Size().Columns, FTerminal.Size().Rows);
}

TTerminalLiveView::~TTerminalLiveView() = default;

void TTerminalLiveView::Present(const TFrameUpdate& window, const PlayerStatus& status) {
  FView.Present(window, status);
  if (const std::string menu = FMenu.Over(!FOutput.empty()); !menu.empty())
    FOutput += WrapAsOneUpdate(menu);
  if (FOutput.empty()) return;
  WriteAll(STDOUT_FILENO, FOutput);
  FOutput.clear();
}

// A menu that shrank or closed leaves cells that only the picture can fill.
void TTerminalLiveView::ShowMenu(const TShownMenu& menu) {
  if (FMenu.Show(menu)) FView.RequestRedraw();
}

// While the menu is open, clicks are on the menu (or beside it, which
// closes it); a right click asks for it. The terminal reports single
// presses only: the view tells a double click on the picture itself, as
// the second press's click and then the double click, as a window does.
void TTerminalLiveView::Take(const InputEvent& input, Clock::time_point at,
                             std::vector<ViewEvent>& events) {
  if (const auto* key = std::get_if<KeyPress>(&input)) {
    events.emplace_back(*key);
    return;
  }
  const auto& click = std::get<MouseClick>(input);
  if (FMenu.IsOpen()) {
    FDoubleClicks.Forget();
    events.emplace_back(MenuPointer{FMenu.SpotAt(click.Column, click.Row), true});
    return;
  }
  const bool second = FDoubleClicks.Press(click, at);
  if (click.Button == MouseButton::Right) {
    FMenu.AnchorAt(click.Column, click.Row);
    events.emplace_back(MenuRequest{});
  } else if (click.Button == MouseButton::Left) {
    if (const auto button = FView.ButtonAt(click.Column, click.Row)) {
      events.emplace_back(ButtonClick{*button});
    } else if (const auto point = FView.WindowPointAt(click.Column, click.Row)) {
      events.emplace_back(PictureClick{*point});
      if (second) events.emplace_back(PictureDoubleClick{*point});
    }
  }
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
  const Clock::time_point arrived = Clock::now();
  for (const InputEvent& input : FDecoder.Feed(std::string_view(buffer.data(), got)))
    Take(input, arrived, events);
  // An escape that nothing followed until the wait ended is the key itself.
  if (got == 0 && arrived >= deadline)
    for (const InputEvent& input : FDecoder.Pause()) Take(input, arrived, events);
  if (FTerminal.TakeResize()) {
    FView.Resize(FTerminal.Size());
    FMenu.Resize(FTerminal.Size().Columns, FTerminal.Size().Rows);
  }
  return events;
}

bool TTerminalLiveView::StopRequested() const { return FTerminal.StopRequested(); }

}  // namespace kivo
