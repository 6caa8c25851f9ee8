// What the live loop shows its frames on and reads its input from: the
// terminal, a desktop window, or nothing at all.
#pragma once

#include <chrono>
#include <variant>
#include <vector>

#include "platform/render/Repainter.h"
#include "player/notify/Notifications.h"
#include "player/terminal/InputDecoder.h"
#include "player/terminal/StatusLine.h"
#include "player/terminal/ViewLayout.h"

namespace kivo {

// A left click on the picture, at the visualisation window's pixel shown
// there.
struct PictureClick {
  WindowPoint At;
  bool operator==(const PictureClick&) const = default;
};

// The second press of a double click on the picture (the presses
// themselves come as clicks too).
struct PictureDoubleClick {
  WindowPoint At;
  bool operator==(const PictureDoubleClick&) const = default;
};

// A transport button of the status line pressed.
struct ButtonClick {
  TTransportButton Button;
  bool operator==(const ButtonClick&) const = default;
};

// The desktop window gained or lost the focus, was minimised or restored.
struct WindowStateChange {
  enum class TState { Active, Minimized } State;
  bool On;
  bool operator==(const WindowStateChange&) const = default;
};

using ViewEvent =
    std::variant<KeyPress, PictureClick, PictureDoubleClick, ButtonClick, WindowStateChange>;

class TLiveView {
 public:
  using Clock = std::chrono::steady_clock;

  virtual ~TLiveView() = default;

  // Shows the painted window and the status; what did not change since the
  // last call is not sent again.
  virtual void Present(const TFrameUpdate& window, const PlayerStatus& status) = 0;
  // Waits until input arrives or `deadline` passes; the keys and clicks
  // that arrived, in order (none at the deadline).
  virtual std::vector<ViewEvent> WaitForInput(Clock::time_point deadline) = 0;
  // The person asked to end: the window was closed, the terminal hung up,
  // an interrupt arrived.
  virtual bool StopRequested() const = 0;
};

}  // namespace kivo
