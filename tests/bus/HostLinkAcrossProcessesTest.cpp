// The host link across processes on a private session bus: TKIVO here and
// the real player started as a client starts it (headless, no arguments);
// the scripted player here and `kivo remote` as its client; and
// `kivo remote` against the real player, end to end.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "hostlink/Kivo.h"
#include "platform/com/ComRuntime.h"
#include "platform/win/Messages.h"
#include "player/Home.h"
#include "tests/bus/ChildProcess.h"
#include "tests/bus/PlayerStage.h"
#include "tests/hostlink/FakePlayer.h"
#include "tests/player/TmuxTestSupport.h"

namespace {

using bus_test::PumpUntil;
using bus_test::ReadFile;
using bus_test::TChildProcess;
using bus_test::TStartedPlayer;
using namespace Kivo_tlb;

class TEvents {
 public:
  void PlayStatus(TObject*, int Param) { Statuses.push_back(Param); }
  void Volume(TObject*, int, int) { ++Volumes; }
  void Saved(TObject*) { ++Saves; }
  void Mode(TObject*, TKIVODisplayMode Mode) { Modes.push_back(Mode); }

  std::vector<int> Statuses;
  int Volumes = 0;
  int Saves = 0;
  std::vector<int> Modes;
};

class HostLinkAcrossProcessesTest : public bus_test::THostLinkCase {};

TEST_F(HostLinkAcrossProcessesTest, BindsToARunningPlayerDrivesItAndHearsItsNotifications) {
  TStartedPlayer player;
  TKIVO kivo(nullptr);
  TEvents events;
  kivo.OnPlayStatus = TKIVOParamEvent(&events, &TEvents::PlayStatus);
  kivo.OnVolume = TKIVOLeftRightEvent(&events, &TEvents::Volume);
  kivo.OnSaveKIVOini = TNotifyEvent(&events, &TEvents::Saved);
  kivo.OnChangeDisplayMode = TKIVODisplayModeEvent(&events, &TEvents::Mode);
  kivo.Bind();
  ASSERT_TRUE(kivo.IsBound());
  EXPECT_EQ(kivo.GetKIVOHandle(), FindWindowA("TFormKIVO", nullptr));
  EXPECT_FALSE(kivo.IsPlugin());
  EXPECT_EQ(kivo.GetVersion(), 6100);
  EXPECT_TRUE(kivo.CheckVersion(4300));
  EXPECT_FALSE(kivo.CheckVersion(4299));

  kivo.SetEvents(TKIVOEventSet{evVolume});
  EXPECT_TRUE(PumpUntil([&] { return events.Volumes > 0; }));
  kivo.SetVolume(40);
  EXPECT_EQ(kivo.GetVolume(), 40);
  kivo.SetDisplayMode(dmSpectrumPeaks);
  EXPECT_EQ(kivo.GetDisplayMode(), dmSpectrumPeaks);
  EXPECT_TRUE(PumpUntil([&] { return !events.Modes.empty(); }));
  EXPECT_EQ(events.Modes, std::vector<int>{dmSpectrumPeaks});
  kivo.Pause();
  EXPECT_EQ(kivo.GetPlayStatus(), 529);
  EXPECT_TRUE(PumpUntil([&] { return !events.Statuses.empty(); }));
  kivo.SaveKIVOini();
  EXPECT_TRUE(PumpUntil([&] { return events.Saves > 0; }));
  EXPECT_NE(ReadFile(FStage.Home() / "kivo.ini").find("Volume=40"), std::string::npos);

  // A text in and out, with characters beyond ASCII.
  kivo.SetDesign("/skins/ÄÖ 漢字/design.ini");
  EXPECT_EQ(kivo.GetDesign(), "/skins/ÄÖ 漢字/design.ini");
  const TTrackInfo track = kivo.GetTrackInfo(1);
  EXPECT_EQ(track.Text1, "Demo");
  EXPECT_EQ(track.Number1, 16000);

  kivo.Close();
  EXPECT_TRUE(PumpUntil([&] { return !kivo.IsBound(); }));
  EXPECT_EQ(player.Wait(), 0);
}

// A file that is gone, added and selected by a client, is skipped: the
// track that played goes on and the player stays bound.
TEST_F(HostLinkAcrossProcessesTest, AMissingFileAddedAndSelectedIsSkippedAndThePlayerStays) {
  TStartedPlayer player;
  TKIVO kivo(nullptr);
  kivo.Bind();
  ASSERT_TRUE(kivo.IsBound());
  ASSERT_EQ(kivo.GetTrack(), 1);
  kivo.Add((FStage.Home() / "missing.wav").string());
  ASSERT_EQ(kivo.GetTracks(), 2);
  kivo.SetTrack(2);
  EXPECT_TRUE(PumpUntil([&] { return kivo.GetTrack() == 1; })) << "back to the demo";
  EXPECT_EQ(kivo.GetPlayStatus(), 526);
  // Long enough for a player that ended on the way to be seen gone.
  const auto settled = std::chrono::steady_clock::now() + std::chrono::seconds(1);
  PumpUntil([&] { return !kivo.IsBound() || std::chrono::steady_clock::now() > settled; });
  EXPECT_TRUE(kivo.IsBound());
  EXPECT_EQ(kivo.GetPlayStatus(), 526);
  kivo.Close();
  EXPECT_TRUE(PumpUntil([&] { return !kivo.IsBound(); }));
  EXPECT_EQ(player.Wait(), 0);
}

TEST_F(HostLinkAcrossProcessesTest, BindsToKivoPlayLiveInATerminal) {
  kivo_test::Tmux tmux;
  ASSERT_TRUE(bus_test::PlayLiveInTmux(tmux, FStage, "--no-sound"));
  TKIVO kivo(nullptr);
  TEvents events;
  kivo.OnChangeDisplayMode = TKIVODisplayModeEvent(&events, &TEvents::Mode);
  kivo.Bind();
  ASSERT_TRUE(kivo.IsBound());
  kivo.SetVolume(25);
  EXPECT_EQ(kivo.GetVolume(), 25);
  kivo.SetDisplayMode(dmSpectrumBars);
  EXPECT_TRUE(PumpUntil([&] { return !events.Modes.empty(); }));
  kivo.Close();
  EXPECT_TRUE(PumpUntil([&] { return !kivo.IsBound(); }));
  EXPECT_TRUE(PumpUntil([] { return FindWindowA("TFormKIVO", nullptr) == nullptr; }));
}

TEST_F(HostLinkAcrossProcessesTest, BindStartsThePlayerWhenNoneRunsAndBindsToIt) {
  kivo::TKivoHome(FStage.Home()).Prepare(KIVO_PROGRAM, KOLMIRA_SKINS_DIR "/bars/design.ini");
  ASSERT_EQ(FindWindowA("TFormKIVO", nullptr), nullptr);
  TKIVO kivo(nullptr);
  EXPECT_EQ(kivo.HostPath, (FStage.Home() / "kivo").string());
  kivo.Bind();
  ASSERT_TRUE(kivo.IsBound());
  EXPECT_NE(FindWindowA("TFormKIVO", nullptr), nullptr);
  EXPECT_EQ(kivo.GetPlayStatus(), 526);
  kivo.ShutDown();
  EXPECT_TRUE(PumpUntil([&] { return !kivo.IsBound(); }));
  EXPECT_TRUE(PumpUntil([] { return FindWindowA("TFormKIVO", nullptr) == nullptr; }));
}

TEST_F(HostLinkAcrossProcessesTest, APlayerKilledDuringACallGivesAFailedResultNotAHang) {
  TStartedPlayer player;
  const TComPtr<IKIVOControl> control = bus_test::RemoteControl();
  ASSERT_TRUE(control);
  LONG volume = -1;
  ASSERT_EQ(control->get_Volume(&volume), S_OK);
  EXPECT_EQ(volume, 100);

  // Stopped, the player cannot answer; killed, the bus tells the caller.
  ::kill(player.Pid(), SIGSTOP);
  std::thread killer([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    player.Kill();
  });
  volume = -1;
  EXPECT_EQ(control->get_Volume(&volume), RPC_E_DISCONNECTED);
  EXPECT_EQ(volume, -1);
  killer.join();
  EXPECT_EQ(control->Play(), RPC_E_DISCONNECTED);
}

// The scripted player in this process serves `kivo remote` in another.
class ScriptedServerTest : public HostLinkAcrossProcessesTest {
 protected:
  ScriptedServerTest() {
    RegisterMarshalers();
    FPlayer->Longs["Handle"] = FWindow.Value();
    const TComPtr<IClassFactory> factory = kivo_test::TFakeFactory::Create(FPlayer.Get());
    EXPECT_EQ(CoRegisterClassObject(CLSID_KIVOControl, factory.Get(), CLSCTX_LOCAL_SERVER,
                                    REGCLS_MULTIPLEUSE, &FCookie),
              S_OK);
    FBaseline = FPlayer->References();
  }
  ~ScriptedServerTest() override { CoRevokeClassObject(FCookie); }

  // Runs `kivo remote ARGUMENTS` while this thread serves it.
  int ServeRemote(std::vector<std::string> arguments, std::string* output = nullptr) {
    arguments.insert(arguments.begin(), {KIVO_PROGRAM, "remote"});
    int status = -1;
    FClientDone = false;
    std::thread client([&] {
      TChildProcess remote(arguments, FStage.Errors().string());
      std::string lines;
      while (const auto line = remote.ReadLine()) lines += *line + "\n";
      if (output != nullptr) *output = lines;
      status = remote.Wait();
      FClientDone = true;
    });
    PumpUntil([&] { return FClientDone.load(); });
    client.join();
    return status;
  }

  kivo_test::TFakeMainWindow FWindow;
  TComPtr<kivo_test::TFakePlayer> FPlayer = kivo_test::TFakePlayer::Create();
  DWORD FCookie = 0;
  ULONG FBaseline = 0;
  std::atomic<bool> FClientDone{false};
  std::atomic<bool> FAttached{false};
};

TEST_F(ScriptedServerTest, AClientInAnotherProcessIsNoPluginAndGivesBackEveryReference) {
  EXPECT_EQ(ServeRemote({"play"}), 0);
  EXPECT_EQ(FPlayer->CallsOf("Attach").size(), 1u);
  EXPECT_EQ(FPlayer->CallsOf("Play").size(), 1u);
  EXPECT_EQ(FPlayer->CallsOf("Detach").size(), 1u);
  EXPECT_TRUE(PumpUntil([&] { return FPlayer->References() == FBaseline; }));
}

TEST_F(ScriptedServerTest, ThePlayersVersionGateRefusesAcrossProcesses) {
  FPlayer->Longs["Version"] = 6099;
  EXPECT_EQ(ServeRemote({"play"}), 1);
  EXPECT_TRUE(FPlayer->CallsOf("Play").empty());
  EXPECT_TRUE(FPlayer->CallsOf("Attach").empty());
  EXPECT_NE(ReadFile(FStage.Errors()).find("このバージョンのKIVOには対応していません"),
            std::string::npos);
  EXPECT_TRUE(PumpUntil([&] { return FPlayer->References() == FBaseline; }));

  FPlayer->Longs["Version"] = 6100;
  FPlayer->VersionTestResult = S_FALSE;
  EXPECT_EQ(ServeRemote({"play"}), 1);
  EXPECT_TRUE(FPlayer->CallsOf("Play").empty());
}

TEST_F(ScriptedServerTest, AClientThatDiesLetsGoOfWhatItHeld) {
  std::thread client([&] {
    TChildProcess events({KIVO_PROGRAM, "remote", "events"}, FStage.Errors().string());
    while (!FAttached) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    events.Kill();
    FClientDone = true;
  });
  PumpUntil([&] { return !FPlayer->CallsOf("SetEvent").empty(); });
  EXPECT_GT(FPlayer->References(), FBaseline);
  FAttached = true;
  PumpUntil([&] { return FClientDone.load(); });
  client.join();
  EXPECT_TRUE(PumpUntil([&] { return FPlayer->References() == FBaseline; }));
  EXPECT_TRUE(FPlayer->CallsOf("Detach").empty());
}

TEST_F(ScriptedServerTest, RecordsTextsAndFailedReadsTravelWithAllTheirValues) {
  FPlayer->Longs["Tracks"] = 2;
  FPlayer->Longs["Track"] = 2;
  FPlayer->Tracks[2] = {{"Tïtle \"2\"", "Ärtist", "/music/ü.flac", "Älbum", "a\nb"},
                        {215000, 2, 3, 1, 0, 7, 8}};
  FPlayer->Longs["Lines"] = 2;
  FPlayer->Lines[0].Number = 1500;
  FPlayer->Lines[0].Text = "first 一";
  FPlayer->Lines[1].Number = 3000;
  FPlayer->Lines[1].Text = "second";
  std::string output;
  EXPECT_EQ(ServeRemote({"track-info"}, &output), 0);
  EXPECT_EQ(output,
            "{\"track\":2,\"title\":\"Tïtle \\\"2\\\"\",\"artist\":\"Ärtist\","
            "\"path\":\"/music/ü.flac\",\"album\":\"Älbum\",\"comment\":\"a\\nb\","
            "\"length\":215000,\"kind\":1}\n");
  EXPECT_EQ(ServeRemote({"lyrics"}, &output), 0);
  EXPECT_EQ(output,
            "{\"line\":0,\"time\":1500,\"text\":\"first 一\"}\n"
            "{\"line\":1,\"time\":3000,\"text\":\"second\"}\n");

  // A failed read comes back with its result: the client's report names it.
  FPlayer->Failures["get_PlayStatus"] = E_FAIL;
  EXPECT_EQ(ServeRemote({"status"}, &output), 1);
  EXPECT_NE(ReadFile(FStage.Errors()).find("this->get_PlayStatus((long*)&Value)"),
            std::string::npos);
  EXPECT_NE(ReadFile(FStage.Errors()).find("80004005"), std::string::npos);
  EXPECT_TRUE(PumpUntil([&] { return FPlayer->References() == FBaseline; }));
}

// Refused on the command line, with status 2: the player hears nothing of
// the client, not even that it attached.
TEST_F(ScriptedServerTest, ValuesTheHelpDoesNotOfferAndUnknownCommandsReachNoPlayer) {
  const std::string commands =
      "(commands: status, play, pause, stop, next, back, volume, display-mode, seek, "
      "track-info, lyrics, quit, events, notify-user; try --help)";
  const std::vector<std::pair<std::vector<std::string>, std::string>> refusals = {
      {{"volume", "-3"}, "kivo: VOLUME: -3 is not a volume from 0 to 100 (try --help)"},
      {{"volume", "150"}, "kivo: VOLUME: 150 is not a volume from 0 to 100 (try --help)"},
      {{"volume", "abc"}, "kivo: VOLUME: abc is not a volume from 0 to 100 (try --help)"},
      {{"display-mode", "9"}, "kivo: MODE: 9 is not a display mode from 0 to 4 (try --help)"},
      {{"seek", "-100"},
       "kivo: MS: -100 is not a position in milliseconds (0 or more) (try --help)"},
      {{"seek", "3000000000"},
       "kivo: MS: 3000000000 is too large for a position in milliseconds (try --help)"},
      {{"track-info", "0"}, "kivo: TRACK: 0 is not a positive track number (try --help)"},
      {{"notify-user", "65536", "1"},
       "kivo: CODE: 65536 is not a user code from 0 to 65535 (try --help)"},
      {{"frob"}, "kivo remote: unknown command 'frob' " + commands},
      {{}, "kivo remote: a command is required " + commands},
  };
  for (const auto& [arguments, message] : refusals) {
    SCOPED_TRACE(message);
    std::filesystem::remove(FStage.Errors());
    EXPECT_EQ(ServeRemote(arguments), 2);
    EXPECT_EQ(ReadFile(FStage.Errors()), message + "\n");
  }
  EXPECT_TRUE(FPlayer->Calls.empty());
}

TEST_F(ScriptedServerTest, TheEndsOfEachRangeReachThePlayerAsGiven) {
  FPlayer->Longs["Tracks"] = 1;
  EXPECT_EQ(ServeRemote({"volume", "0"}), 0);
  EXPECT_EQ(ServeRemote({"volume", "100"}), 0);
  EXPECT_EQ(ServeRemote({"display-mode", "4"}), 0);
  EXPECT_EQ(ServeRemote({"seek", "0"}), 0);
  EXPECT_EQ(ServeRemote({"track-info", "1"}), 0);
  const std::vector<kivo_test::TCall> volumes = FPlayer->CallsOf("set_Volume");
  ASSERT_EQ(volumes.size(), 2u);
  EXPECT_EQ(volumes[0].Args, std::vector<std::int64_t>{0});
  EXPECT_EQ(volumes[1].Args, std::vector<std::int64_t>{100});
  ASSERT_EQ(FPlayer->CallsOf("set_DisplayMode").size(), 1u);
  EXPECT_EQ(FPlayer->CallsOf("set_DisplayMode")[0].Args, std::vector<std::int64_t>{4});
  ASSERT_EQ(FPlayer->CallsOf("Seek").size(), 1u);
  EXPECT_EQ(FPlayer->CallsOf("Seek")[0].Args, (std::vector<std::int64_t>{0, 0}));
}

// ---- kivo remote end to end ------------------------------------------------------

TEST_F(HostLinkAcrossProcessesTest, RemoteReportsAndChangesTheStateOfTheRunningPlayer) {
  TStartedPlayer player;
  auto [status, code] = FStage.Remote({"status"});
  EXPECT_EQ(code, 0);
  EXPECT_NE(status.find("\"status\":\"playing\""), std::string::npos) << status;
  EXPECT_NE(status.find("\"title\":\"Demo\""), std::string::npos) << status;
  EXPECT_NE(status.find("\"length\":16000"), std::string::npos) << status;
  // A fresh settings file has no pattern yet: the plug-in's default.
  EXPECT_NE(status.find("\"band_pattern\":2"), std::string::npos) << status;

  EXPECT_EQ(FStage.Remote({"volume", "30"}).second, 0);
  EXPECT_EQ(FStage.Remote({"display-mode", "2"}).second, 0);
  EXPECT_EQ(FStage.Remote({"pause"}).second, 0);
  status = FStage.Remote({"status"}).first;
  EXPECT_NE(status.find("\"volume\":30"), std::string::npos) << status;
  EXPECT_NE(status.find("\"display_mode\":2"), std::string::npos) << status;
  EXPECT_NE(status.find("\"status\":\"paused\""), std::string::npos) << status;

  EXPECT_EQ(FStage.Remote({"seek", "4000"}).second, 0);
  EXPECT_NE(FStage.Remote({"status"}).first.find("\"position\":4000"), std::string::npos);
  const auto [track, trackCode] = FStage.Remote({"track-info", "1"});
  EXPECT_EQ(trackCode, 0);
  EXPECT_NE(track.find("\"title\":\"Demo\""), std::string::npos) << track;
  EXPECT_EQ(FStage.Remote({"track-info", "2"}).second, 1);

  EXPECT_EQ(FStage.Remote({"quit"}).second, 0);
  EXPECT_EQ(player.Wait(), 0);
}

TEST_F(HostLinkAcrossProcessesTest, RemoteEventsPrintsOneJsonLinePerNotification) {
  TStartedPlayer player;
  TChildProcess events({KIVO_PROGRAM, "remote", "events"}, FStage.Errors().string());
  std::vector<std::string> lines;
  for (int i = 0; i < 4; ++i)
    if (const auto line = events.ReadLine()) lines.push_back(*line);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_NE(lines[0].find("{\"event\":\"open\""), std::string::npos) << lines[0];
  bool position = false;
  for (const std::string& line : lines)
    position = position || line.find("\"event\":\"position\"") != std::string::npos;
  EXPECT_TRUE(position);
  ::kill(events.Pid(), SIGINT);
  EXPECT_EQ(events.Wait(), 0);
}

TEST_F(HostLinkAcrossProcessesTest, RemoteWithoutAPlayerOrWithoutABusSaysSoAndFails) {
  const auto [none, code] = FStage.Remote({"status"});
  EXPECT_EQ(code, 1);
  EXPECT_TRUE(none.empty());
  EXPECT_NE(ReadFile(FStage.Errors()).find("no player is running"), std::string::npos);

  const std::string address = ::getenv("DBUS_SESSION_BUS_ADDRESS");
  ::setenv("DBUS_SESSION_BUS_ADDRESS", "", 1);
  EXPECT_EQ(FStage.Remote({"status"}).second, 1);
  ::setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
  EXPECT_NE(ReadFile(FStage.Errors()).find("no session bus is reachable"), std::string::npos);
}

}  // namespace
