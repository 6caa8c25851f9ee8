// The player as the fuzzers meet it, inside their own process: its main
// window "TFormKIVO", its automation class registered, the list of attached
// clients, and dialogs that answer at once without a word.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/com/ComRuntime.h"
#include "platform/win/DialogResponder.h"
#include "platform/win/Messages.h"
#include "player/automation/AutomationServer.h"
#include "player/notify/ClientList.h"

namespace fuzz_player {

// Answers every box with No and every dialog with OK, silently.
class TQuietResponder final : public TDialogResponder {
 public:
  int MessageBox(const std::string&, const std::string&, UINT) override { return IDNO; }
  int MessageDlg(const std::string&, TMsgDlgType, TMsgDlgButtons, int) override { return mrOk; }
  void Beep(UINT) override {}
};

class TQuietActions final : public kivo::TPlayerActions {
 public:
  HWND Main = nullptr;
  HWND MainWindow() const override { return Main; }
  void SaveSettings() override {}
  void WriteFormImage(const std::string&) override {}
  std::vector<std::string> ToolNames() const override { return {}; }
  void Show(const std::string&, const std::vector<std::string>&) override {}
};

// The player in this process: its main window, its automation class
// registered, the list of attached clients. Made once.
struct TPlayer {
  TPlayer() : Clients(RegisterWindowMessageA("WM_KIVO")) {
    SetDialogResponder(&Responder);
    CoInitialize(nullptr);
    Actions.Main = CreateTopLevelWindow("TFormKIVO", "KIVO", TWndMethod());
    Server = std::make_unique<kivo::TAutomationServer>(State, Clients, Actions);
  }

  TQuietResponder Responder;
  kivo::TPlayerState State;
  TQuietActions Actions;
  kivo::TClientList Clients;
  std::unique_ptr<kivo::TAutomationServer> Server;
};

// Made at the first use and never freed: the runtime outlives every input.
inline TPlayer& Player() {
  static TPlayer* player = new TPlayer();
  return *player;
}

}  // namespace fuzz_player
