// The host link component binds to the player's real automation server in
// this process, as the plug-in does inside the player, and hears the
// player's notifications through its own decoder.
#include <gtest/gtest.h>

#include "hostlink/Kivo.h"
#include "platform/com/ComRuntime.h"
#include "player/automation/AutomationServer.h"
#include "tests/player/PlayerTestSupport.h"

namespace {

using namespace kivo;
using namespace Kivo_tlb;

class TEventLog {
 public:
  void ChangeDisplayMode(TObject*, TKIVODisplayMode Mode) { Modes.push_back(Mode); }
  void AdjustLevel(TObject*, int Param) { Levels.push_back(Param); }
  void Speana(TObject*, int* Level) { Spectra.emplace_back(Level, Level + 10); }
  void Close(TObject*) { ++Closes; }

  std::vector<int> Modes;
  std::vector<int> Levels;
  std::vector<std::vector<int>> Spectra;
  int Closes = 0;
};

class KivoClientTest : public ::testing::Test {
 protected:
  KivoClientTest() : FClients(RegisterWindowMessageA("WM_KIVO")) {
    CoInitialize(nullptr);
    FActions.Main = CreateTopLevelWindow("TFormKIVO", "KIVO", TWndMethod());
    FServer = std::make_unique<TAutomationServer>(FState, FClients, FActions);
  }
  ~KivoClientTest() override {
    FServer.reset();
    DestroyWindow(FActions.Main);
    CoUninitialize();
  }

  TPlayerState FState;
  kivo_test::TRecordingActions FActions;
  TClientList FClients;
  std::unique_ptr<TAutomationServer> FServer;
};

TEST_F(KivoClientTest, BindsAttachesAsAPluginAndReadsThePlayersState) {
  FState.Design = "/skins/bars/design.ini";
  FState.DisplayMode = dmSpectrumPeaks;
  FState.RecLevel = 130;
  TKIVO client(nullptr);
  client.Bind();
  ASSERT_TRUE(client.IsBound());
  EXPECT_TRUE(client.IsPlugin());
  EXPECT_EQ(client.GetVersion(), 6100);
  EXPECT_TRUE(client.CheckVersion(4300));
  EXPECT_EQ(client.GetDesign(), "/skins/bars/design.ini");
  EXPECT_EQ(client.GetDisplayMode(), dmSpectrumPeaks);
  EXPECT_EQ(client.GetRecLevel(), 130);
  EXPECT_TRUE(FClients.Contains(client.WindowHandle));
  EXPECT_EQ(FClients.Mask(client.WindowHandle), DefaultEventMask);

  client.SetEvents(TKIVOEventSet{evSpeana});
  EXPECT_EQ(FClients.Mask(client.WindowHandle), DefaultEventMask | ClassSpeana);
  client.Unbind();
  EXPECT_FALSE(FClients.Contains(client.WindowHandle));
}

TEST_F(KivoClientTest, ChangesMadeThroughTheClientComeBackAsItsEvents) {
  TKIVO client(nullptr);
  TEventLog log;
  client.OnChangeDisplayMode = TKIVODisplayModeEvent(&log, &TEventLog::ChangeDisplayMode);
  client.OnAdjustLevel = TKIVOParamEvent(&log, &TEventLog::AdjustLevel);
  client.OnSpeana = TKIVOSpeanaEvent(&log, &TEventLog::Speana);
  client.Bind();
  ASSERT_TRUE(client.IsBound());
  client.SetEvents(TKIVOEventSet{evSpeana});

  client.SetDisplayMode(dmSpectrumFalling);
  client.SetAdjustSpeanaLevel(70);
  FClients.Notify(SpeanaNotification({0, 1, 2, 3, 4, 5, 6, 7, 5, 10}));
  ProcessMessages();
  EXPECT_EQ(FState.DisplayMode, dmSpectrumFalling);
  EXPECT_EQ(log.Modes, std::vector<int>{dmSpectrumFalling});
  EXPECT_EQ(log.Levels, std::vector<int>{70});
  ASSERT_EQ(log.Spectra.size(), 1u);
  EXPECT_EQ(log.Spectra[0], (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 5, 10}));
}

TEST_F(KivoClientTest, ThePlayerClosingUnbindsTheClient) {
  TKIVO client(nullptr);
  TEventLog log;
  client.OnClose = TNotifyEvent(&log, &TEventLog::Close);
  client.Bind();
  ASSERT_TRUE(client.IsBound());
  client.Close();
  ProcessMessages();
  EXPECT_TRUE(FState.QuitRequested);
  EXPECT_EQ(log.Closes, 1);
  EXPECT_FALSE(client.IsBound());
  EXPECT_EQ(FClients.Count(), 0u);
}

}  // namespace
