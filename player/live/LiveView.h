// What the live loop shows its frames on and reads its input from: the
// terminal, a desktop window, or nothing at all.
#pragma once

#include <chrono>
#include <optional>
#include <variant>
#include <vector>

#include "platform/render/Repainter.h"
#include "player/menu/MenuNavigation.h"
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

// A right click: the person asks for the player's menu, which the view
// opens where the click was.
struct MenuRequest {
  bool operator==(const MenuRequest&) const = default;
};

// The pointer over the open menu: on an entry of one of its lists, or
// outside them all (nothing); moved there, or clicked.
struct MenuPointer {
  std::optional<TMenuSpot> At;
  bool Click = false;
  bool operator==(const MenuPointer&) const = default;
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

using ViewEvent = std::variant<KeyPress, PictureClick, MenuRequest, MenuPointer,
                               PictureDoubleClick, ButtonClick, WindowStateChange>;

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
  // The player's menu as it is now open over the picture (empty: closed);
  // drawn at the next Present. While it is open the view tells where the
  // pointer is on it (MenuPointer), not clicks on the picture.
  virtual void ShowMenu(const TShownMenu&) {}
  // Whether this view can show the menu at all (a player without a view
  // prints it when a client asks for it).
  virtual bool HasMenu() const { return false; }
};

}  // namespace kivo
