// The media-player service on a session bus of the test's own, served from
// this thread as the live loop serves it, with playerctl as the client.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <sstream>

#include "player/Tracks.h"
#include "player/mpris/MprisService.h"
#include "player/notify/ClientList.h"
#include "tests/player/PlayerTestSupport.h"
#include "tests/player/mpris/PrivateBus.h"

namespace {

using namespace kivo;
using namespace kivo_test;

constexpr DWORD kEveryClass = 0xFFFFFFFF;

class MprisServiceTest : public ::testing::Test {
 protected:
  MprisServiceTest()
      : FBusAddress("DBUS_SESSION_BUS_ADDRESS", FBus.Address()),
        FClients(RegisterWindowMessageA("WM_KIVO")),
        FClient(FClients.MessageId()),
        FControl(TKivoAutomation::Create(FState, FClients, FActions)) {
    FState.PlayList = {MakeStreamTrack("/music/one.wav", "One", 10000),
                       MakeStreamTrack("/music/two.wav", "Two", 20000)};
    FState.Track = 1;
    FState.PlayStatus = kStatusPlaying;
    FClients.Attach(FClient.Window());
    FClients.SetMask(FClient.Window(), kEveryClass);
  }

  void SetUp() override {
    if (!FBus.Running()) GTEST_SKIP() << "dbus-daemon cannot start";
  }

  std::unique_ptr<TMprisService> Connect() {
    std::ostringstream notices;
    auto service = TMprisService::Connect(*FControl.Get(), FState, notices);
    EXPECT_EQ(notices.str(), "");
    return service;
  }

  // playerctl against this bus, while `service` answers.
  std::string Playerctl(TMprisService& service, const std::string& arguments) {
    const CommandResult result =
        RunWhileServing(FBus.On("playerctl " + arguments), [&service] { service.Pump(); });
    std::string output = result.Output;
    while (!output.empty() && output.back() == '\n') output.pop_back();
    return output;
  }

  PrivateBus FBus;
  ScopedEnvironment FBusAddress;
  TPlayerState FState;
  TRecordingActions FActions;
  TClientList FClients;
  TRecordingClient FClient;
  TComPtr<Kivo_tlb::IKIVOControl> FControl;
};

TEST_F(MprisServiceTest, APauseFromTheDesktopReachesThePlugInAsItsPlayStatusNotification) {
  const auto service = Connect();
  ASSERT_NE(service, nullptr);
  EXPECT_EQ(service->BusName(), "org.mpris.MediaPlayer2.kivo");
  EXPECT_EQ(Playerctl(*service, "-p kivo status"), "Playing");

  Playerctl(*service, "-p kivo pause");
  EXPECT_EQ(FState.PlayStatus, kStatusPaused);
  EXPECT_EQ(FClient.Take(), (std::vector<TNotification>{{ClassPlayStatus, kStatusPaused}}));
  EXPECT_EQ(Playerctl(*service, "-p kivo status"), "Paused");

  // A change made inside the player is what the desktop reads next.
  FControl->Next();
  EXPECT_EQ(Playerctl(*service, "-p kivo metadata title"), "Two");
  EXPECT_EQ(Playerctl(*service, "-p kivo metadata mpris:length"), "20000000");
}

TEST_F(MprisServiceTest, ASecondPlayerOnTheBusTakesAnInstanceName) {
  const auto first = Connect();
  const auto second = Connect();
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->BusName(), "org.mpris.MediaPlayer2.kivo.instance" + std::to_string(::getpid()));
  std::istringstream players(Playerctl(*first, "--list-all"));
  std::vector<std::string> names;
  for (std::string name; std::getline(players, name);) names.push_back(name);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names,
            (std::vector<std::string>{"kivo", "kivo.instance" + std::to_string(::getpid())}));
}

TEST_F(MprisServiceTest, WithoutABusThereIsNoServiceAndNothingToSay) {
  ScopedEnvironment nowhere("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/kivo-bus");
  std::ostringstream notices;
  EXPECT_EQ(TMprisService::Connect(*FControl.Get(), FState, notices), nullptr);
  EXPECT_EQ(notices.str(), "");
}

TEST_F(MprisServiceTest, ABusThatGoesAwayEndsTheServiceQuietly) {
  const auto service = Connect();
  ASSERT_NE(service, nullptr);
  FBus.Stop();
  for (int pump = 0; pump < 20; ++pump) {
    FControl->Pause();
    EXPECT_NO_THROW(service->Pump());
  }
}

}  // namespace
