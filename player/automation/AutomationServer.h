// Registers the player's automation class in the process's class registry
// for as long as the server lives, so that clients create the automation
// object with CoCreateInstance.
#pragma once

#include "platform/com/ComPtr.h"
#include "platform/com/ComRuntime.h"
#include "player/automation/KivoAutomation.h"

namespace kivo {

class TAutomationServer {
 public:
  // The calling thread must have initialised the runtime. Raises
  // std::runtime_error when the class cannot be registered.
  TAutomationServer(TPlayerState& state, TClientList& clients, TPlayerActions& actions);
  ~TAutomationServer();
  TAutomationServer(const TAutomationServer&) = delete;
  TAutomationServer& operator=(const TAutomationServer&) = delete;

 private:
  DWORD FCookie = 0;
};

}  // namespace kivo
