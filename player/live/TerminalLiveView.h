// The live view on the terminal of standard output: the picture as
// half-block cells with the status line below, keys and clicks from the
// terminal (standard input, or the controlling terminal when standard
// input carries audio).
#pragma once

#include <memory>
#include <string>

#include "player/live/LiveView.h"
#include "player/terminal/DoubleClicks.h"
#include "player/terminal/MenuOverText.h"
#include "player/terminal/TerminalSession.h"

namespace kivo {

class TTerminalLiveView final : public TLiveView {
 public:
  // Takes over the terminal until destroyed; raises std::runtime_error
  // when there is no terminal to read the keys from.
  TTerminalLiveView();
  ~TTerminalLiveView() override;
  TTerminalLiveView(const TTerminalLiveView&) = delete;
  TTerminalLiveView& operator=(const TTerminalLiveView&) = delete;

  void Present(const TFrameUpdate& window, const PlayerStatus& status) override;
  std::vector<ViewEvent> WaitForInput(Clock::time_point deadline) override;
  bool StopRequested() const override;
  void ShowMenu(const TShownMenu& menu) override;
  bool HasMenu() const override { return true; }

 private:
  class TKeyboard {
   public:
    TKeyboard();
    ~TKeyboard();
    TKeyboard(const TKeyboard&) = delete;
    TKeyboard& operator=(const TKeyboard&) = delete;
    int Fd() const { return FOwned >= 0 ? FOwned : 0; }

   private:
    int FOwned = -1;
  };

  void LayOutMenu();
  void Take(const InputEvent& input, Clock::time_point at, std::vector<ViewEvent>& events);

  TKeyboard FKeyboard;
  TerminalSession FTerminal;
  // A frame's output, gathered so that it goes out in one write with the
  // menu drawn over it.
  std::string FOutput;
  TerminalView FView;
  InputDecoder FDecoder;
  TMenuOverText FMenu;
  TDoubleClicks FDoubleClicks;
};

}  // namespace kivo
