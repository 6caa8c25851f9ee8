// The live view's keys, acting on the real automation object: what each
// does to the player's state and which notifications the plug-in hears.
#include <gtest/gtest.h>

#include <filesystem>

#include "player/Tracks.h"
#include "player/live/KeyCommands.h"
#include "player/notify/ClientList.h"
#include "tests/player/PlayerTestSupport.h"

namespace {

using namespace kivo;
using kivo_test::TRecordingActions;
using kivo_test::TRecordingClient;

constexpr DWORD kEveryClass = 0xFFFFFFFF;

class KeyCommandsTest : public ::testing::Test {
 protected:
  KeyCommandsTest()
      : FClients(RegisterWindowMessageA("WM_KIVO")),
        FClient(FClients.MessageId()),
        FControl(TKivoAutomation::Create(FState, FClients, FActions)) {
    FState.PlayList = {MakeStreamTrack("", "One", 1000), MakeStreamTrack("", "Two", 1000),
                       MakeStreamTrack("", "Three", 1000)};
    FState.Track = 2;
    FState.PlayStatus = kStatusPlaying;
    FClients.Attach(FClient.Window());
    FClients.SetMask(FClient.Window(), kEveryClass);
  }

  KeyOutcome Press(Key key) { return ApplyKey(key, *FControl.Get(), FState); }

  TPlayerState FState;
  TRecordingActions FActions;
  TClientList FClients;
  TRecordingClient FClient;
  TComPtr<Kivo_tlb::IKIVOControl> FControl;
};

TNotification Status(TStatusCode code, std::int32_t value) {
  return StatusNotification(code, value);
}

TEST_F(KeyCommandsTest, SpacePausesAndResumesWithThePlayStatusNotification) {
  EXPECT_EQ(Press(Key::Space), KeyOutcome::Continue);
  EXPECT_EQ(FState.PlayStatus, kStatusPaused);
  EXPECT_EQ(FClient.Take(), (std::vector<TNotification>{{ClassPlayStatus, kStatusPaused}}));
  Press(Key::Space);
  EXPECT_EQ(FState.PlayStatus, kStatusPlaying);
  EXPECT_EQ(FClient.Take(), (std::vector<TNotification>{{ClassPlayStatus, kStatusPlaying}}));

  FState.PlayStatus = kStatusStopped;
  Press(Key::Space);
  EXPECT_EQ(FState.PlayStatus, kStatusPlaying) << "a stopped player starts";
}

TEST_F(KeyCommandsTest, DigitsSetTheDisplayModeThatThePlugInFollows) {
  const std::pair<Key, std::int32_t> digits[] = {
      {Key::Digit3, 3}, {Key::Digit0, 0}, {Key::Digit4, 4}, {Key::Digit1, 1}, {Key::Digit2, 2}};
  for (const auto& [key, mode] : digits) {
    Press(key);
    EXPECT_EQ(FState.DisplayMode, mode);
    EXPECT_EQ(FClient.Take(), (std::vector<TNotification>{Status(stChangeDisplayMode, mode)}));
  }
}

TEST_F(KeyCommandsTest, PlusAndMinusStepTheVolumeWithinItsRange) {
  FState.Volume = 97;
  Press(Key::Minus);
  EXPECT_EQ(FState.Volume, 92);
  EXPECT_EQ(FClient.Take(), (std::vector<TNotification>{Status(stChangeVolume, 92)}));
  Press(Key::Plus);
  Press(Key::Plus);
  EXPECT_EQ(FState.Volume, 100) << "clamped at the top";
  FClient.Take();
  Press(Key::Plus);
  EXPECT_TRUE(FClient.Take().empty()) << "no change, no notification";

  FState.Volume = 3;
  Press(Key::Minus);
  EXPECT_EQ(FState.Volume, 0) << "clamped at the bottom";
}

TEST_F(KeyCommandsTest, PCyclesTheBandPatternSavesItAndTellsThePlugIn) {
  FState.SpeanaPattern = 4;
  Press(Key::P);
  EXPECT_EQ(FState.SpeanaPattern, 5);
  EXPECT_EQ(FActions.Saves, 1);
  EXPECT_EQ(FClient.Take(), (std::vector<TNotification>{Status(stSaveKIVOini, 0)}));
  Press(Key::P);
  EXPECT_EQ(FState.SpeanaPattern, 0) << "after the last pattern comes the first";

  FState.SpeanaPattern = 17;
  Press(Key::P);
  EXPECT_EQ(FState.SpeanaPattern, 0) << "an unknown pattern counts as the last";
}

TEST_F(KeyCommandsTest, APatternThatCannotBeSavedIsNotTaken) {
  FState.SpeanaPattern = 1;
  FActions.SaveFails = true;
  Press(Key::P);
  EXPECT_EQ(FState.SpeanaPattern, 1);
  EXPECT_TRUE(FClient.Take().empty()) << "the plug-in is not told to re-read";
}

TEST_F(KeyCommandsTest, NAndBMoveThroughThePlaylist) {
  Press(Key::N);
  EXPECT_EQ(FState.Track, 3);
  EXPECT_EQ(FClient.Take(),
            (std::vector<TNotification>{Status(stCloseTrack, 2), Status(stOpenTrack, 3)}));
  Press(Key::N);
  EXPECT_EQ(FState.Track, 3) << "no track after the last without repeat";
  Press(Key::B);
  Press(Key::B);
  EXPECT_EQ(FState.Track, 1);
}

TEST_F(KeyCommandsTest, QAndCtrlCQuitSAsksForTheNextSkinAndNothingElseDoes) {
  EXPECT_EQ(Press(Key::S), KeyOutcome::NextSkin);
  EXPECT_EQ(Press(Key::Q), KeyOutcome::Quit);
  EXPECT_EQ(Press(Key::CtrlC), KeyOutcome::Quit);
  EXPECT_EQ(Press(Key::B), KeyOutcome::Continue);
  EXPECT_EQ(Press(Key::Digit2), KeyOutcome::Continue);
}

}  // namespace
