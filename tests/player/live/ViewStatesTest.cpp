// What the views tell the clients of the status line's items and of stay
// on top: the order `d` steps through, each item's value and text, and the
// notification each change posts.
#include <gtest/gtest.h>

#include "player/Tracks.h"
#include "player/live/ViewStates.h"
#include "tests/player/PlayerTestSupport.h"

namespace {

using namespace kivo;
using kivo_test::TRecordingClient;

class ViewStatesTest : public ::testing::Test {
 protected:
  ViewStatesTest() : FClients(RegisterWindowMessageA("WM_KIVO")), FClient(FClients.MessageId()) {
    FState.PlayList = {MakeStreamTrack("", "One", 1000), MakeStreamTrack("", "Two", 1000)};
    FState.Track = 2;
    FClients.Attach(FClient.Window());
  }

  TPlayerState FState;
  TClientList FClients;
  TRecordingClient FClient;
};

TEST_F(ViewStatesTest, AnEmptyPlaylistAndNoTimerGiveTheirNoneValues) {
  FState.PlayList.clear();
  FState.Track = 0;
  EXPECT_EQ(ShownItemValue(FState, TStatusItem::TrackNumber, Kivo_tlb::dtFile), 0);
  EXPECT_EQ(ShownItemValue(FState, TStatusItem::Title, Kivo_tlb::dtFile), 0);
  EXPECT_EQ(ShownItemValue(FState, TStatusItem::Timer, Kivo_tlb::dtFile), -1);
  EXPECT_EQ(ShownItemText(FState, Kivo_tlb::dtFile), "");
  FState.StatusItem = TStatusItem::TrackNumber;
  EXPECT_EQ(ShownItemText(FState, Kivo_tlb::dtFile), "track 0/0");
  // A track number past the playlist (it shrank) is no track.
  FState.Track = 3;
  EXPECT_EQ(ShownItemValue(FState, TStatusItem::TrackNumber, Kivo_tlb::dtFile), 0);
}

TEST_F(ViewStatesTest, DStepsThroughTheItemsFromTheTitleTellingEachWithItsValue) {
  FState.OnTimer = true;
  FState.OnTime = 7 * 60 + 5;
  const std::pair<std::string, TNotification> expected[] = {
      {"device: capture", StatusNotification(stDisplayDevice, Kivo_tlb::dtStream)},
      {"timer: on at 07:05", StatusNotification(stDisplayTimer, 425)},
      {"KIVO", StatusNotification(stDisplayCaption, 0)},
      {"track 2/2", StatusNotification(stDisplayTrack, 2)},
      {"Two", StatusNotification(stDisplayTitle, 2)},
  };
  ASSERT_EQ(FState.StatusItem, TStatusItem::Title);
  for (const auto& [text, notification] : expected) {
    NextStatusItem(FState, FClients, Kivo_tlb::dtStream);
    EXPECT_EQ(ShownItemText(FState, Kivo_tlb::dtStream), text);
    EXPECT_EQ(FClient.Take(), std::vector<TNotification>{notification}) << text;
  }
}

TEST_F(ViewStatesTest, TheOffTimerComesBeforeTheOnTimerAndEachDeviceHasItsText) {
  FState.StatusItem = TStatusItem::Timer;
  FState.OnTimer = true;
  FState.OnTime = 60;
  FState.OffTimer = true;
  FState.OffTime = 23 * 60 + 30;
  EXPECT_EQ(ShownItemText(FState, Kivo_tlb::dtNone), "timer: off at 23:30");
  EXPECT_EQ(ShownItemValue(FState, TStatusItem::Timer, Kivo_tlb::dtNone), 1410);
  FState.StatusItem = TStatusItem::Device;
  EXPECT_EQ(ShownItemText(FState, Kivo_tlb::dtNone), "device: none");
  EXPECT_EQ(ShownItemText(FState, Kivo_tlb::dtFile), "device: file");
  EXPECT_EQ(ShownItemValue(FState, TStatusItem::Device, Kivo_tlb::dtFile), 1);
}

TEST_F(ViewStatesTest, StayOnTopTogglesAndTellsOnlyTheClientsThatWantStatus) {
  const TRecordingClient deaf(FClients.MessageId());
  FClients.Attach(deaf.Window());
  FClients.SetMask(deaf.Window(), DefaultEventMask & ~ClassStatus);
  ToggleStayOnTop(FState, FClients);
  EXPECT_TRUE(FState.StayOnTop);
  ToggleStayOnTop(FState, FClients);
  EXPECT_FALSE(FState.StayOnTop);
  EXPECT_EQ(FClient.Take(), (std::vector<TNotification>{StatusNotification(stStayOnTop, 1),
                                                        StatusNotification(stStayOnTop, 0)}));
  EXPECT_TRUE(const_cast<TRecordingClient&>(deaf).Take().empty());
}

TEST(ClickValueTest, PacksBothCoordinatesAsSigned16BitNumbers) {
  EXPECT_EQ(ClickValue({80, 50}), 80 | (50 << 16));
  EXPECT_EQ(ClickValue({-1, 0}), 0xFFFF);
  EXPECT_EQ(ClickValue({0, -1}), static_cast<std::int32_t>(0xFFFF0000u));
}

}  // namespace
