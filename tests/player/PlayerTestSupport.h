// A client window that records the "WM_KIVO" notifications posted to it,
// and player actions that record what the automation object asks of them.
#pragma once

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/win/Messages.h"
#include "player/automation/KivoAutomation.h"
#include "player/notify/Notifications.h"

namespace kivo {

inline void PrintTo(const TNotification& n, std::ostream* out) {
  *out << "{0x" << std::hex << n.WParam << ", " << std::dec << n.LParam << "}";
}

}  // namespace kivo

namespace kivo_test {

class TRecordingClient {
 public:
  explicit TRecordingClient(UINT messageId)
      : FMessageId(messageId),
        FWindow(AllocateHWnd(TWndMethod(this, &TRecordingClient::WndProc))) {}
  ~TRecordingClient() {
    if (FWindow != nullptr) DeallocateHWnd(FWindow);
  }
  TRecordingClient(const TRecordingClient&) = delete;
  TRecordingClient& operator=(const TRecordingClient&) = delete;

  HWND Window() const { return FWindow; }
  LONG Value() const { return HandleValue(FWindow); }
  void Close() {
    DeallocateHWnd(FWindow);
    FWindow = nullptr;
  }

  // Dispatches what was posted and hands over what arrived since last time.
  std::vector<kivo::TNotification> Take() {
    ProcessMessages();
    return std::exchange(FReceived, {});
  }

 private:
  void WndProc(TMessage& message) {
    if (message.Msg == FMessageId) FReceived.push_back({message.WParam, message.LParam});
    message.Result = 1;
  }

  UINT FMessageId;
  HWND FWindow;
  std::vector<kivo::TNotification> FReceived;
};

class TRecordingActions final : public kivo::TPlayerActions {
 public:
  HWND Main = nullptr;
  int Saves = 0;
  int SpectrumUpdates = 0;
  bool SaveFails = false;
  std::vector<std::string> Images;
  std::vector<std::string> Tools;
  std::vector<std::string> Shown;

  HWND MainWindow() const override { return Main; }
  void SaveSettings() override {
    if (SaveFails) throw std::runtime_error("disk full");
    ++Saves;
  }
  void WriteFormImage(const std::string& path) override { Images.push_back(path); }
  std::vector<std::string> ToolNames() const override { return Tools; }
  void UpdateSpectrum() override { ++SpectrumUpdates; }
  void Show(const std::string& title, const std::vector<std::string>& lines) override {
    Shown.push_back(title);
    Shown.insert(Shown.end(), lines.begin(), lines.end());
  }
};

}  // namespace kivo_test
