// The encoding of the player's notifications and their delivery to the
// attached clients by event mask.
#include <gtest/gtest.h>

#include "player/notify/ClientList.h"
#include "player/notify/Notifications.h"
#include "tests/player/PlayerTestSupport.h"

namespace {

using namespace kivo;
using kivo_test::TRecordingClient;

TEST(NotificationEncodingTest, SpectrumLevelsPackIntoBothValuesAndAreClampedToFourBits) {
  const TNotification packed = SpeanaNotification({0, 1, 2, 3, 4, 5, 6, 7, 5, 10});
  EXPECT_EQ(packed.WParam, 0x100000A5u);
  EXPECT_EQ(packed.LParam, 0x76543210);
  const TNotification clamped = SpeanaNotification({20, -3, 0, 0, 0, 0, 0, 0, 0, 16});
  EXPECT_EQ(clamped.WParam, 0x100000F0u);
  EXPECT_EQ(clamped.LParam, 0x0000000F);
  const TNotification top = SpeanaNotification({15, 15, 15, 15, 15, 15, 15, 15, 15, 15});
  EXPECT_EQ(top.LParam, -1) << "a 32-bit value with every bit set";
}

TEST(NotificationEncodingTest, VolumesAreUnsigned16BitHalvesAndMovesSigned) {
  EXPECT_EQ(VolumeNotification(1, 65535).LParam, static_cast<std::int32_t>(0xFFFF0001));
  EXPECT_EQ(VolumeNotification(70000, -5).LParam, 0x0000FFFF);
  EXPECT_EQ(VolumeNotification(0, 0).WParam, ClassVolume);
  EXPECT_EQ(MoveNotification(1, -1).LParam, static_cast<std::int32_t>(0xFFFF0001));
  EXPECT_EQ(MoveNotification(1, -1).WParam, ClassMove);
  EXPECT_EQ(MovedNotification(-2, 3).WParam, 0x4000001Eu);
  EXPECT_EQ(MovedNotification(-2, 3).LParam, 0x0003FFFE);
}

TEST(NotificationEncodingTest, StatusCodesTravelInTheLowHalfOfTheStatusClass) {
  EXPECT_EQ(StatusNotification(stChangeDisplayMode, 3).WParam, 0x4000001Cu);
  EXPECT_EQ(StatusNotification(stSaveKIVOini, 0).WParam, 0x40000011u);
  EXPECT_EQ(StatusNotification(stAdjustLevel, -7).LParam, -7);
  EXPECT_EQ(NotificationClass(0x4000001C), ClassStatus);
  EXPECT_EQ(NotificationClass(0x30), 0x30u);
  EXPECT_EQ(NotificationClass(0x10000), 0x10000u);
}

class ClientListTest : public ::testing::Test {
 protected:
  ClientListTest() : FClients(RegisterWindowMessageA("WM_KIVO")), FFirst(Id()), FSecond(Id()) {}
  UINT Id() const { return FClients.MessageId(); }

  TClientList FClients;
  TRecordingClient FFirst;
  TRecordingClient FSecond;
};

TEST_F(ClientListTest, EachClientHearsOnlyTheClassesOfItsMask) {
  FClients.Attach(FFirst.Window());
  FClients.Attach(FSecond.Window());
  ASSERT_TRUE(FClients.SetMask(FSecond.Window(), DefaultEventMask | ClassVolume));
  FClients.Notify(VolumeNotification(3, 4));
  FClients.Notify(StatusNotification(stDesign, 0));
  EXPECT_EQ(FFirst.Take(), (std::vector<TNotification>{{0x40000012, 0}}))
      << "a new client has none of the optional classes";
  EXPECT_EQ(FSecond.Take(),
            (std::vector<TNotification>{{ClassVolume, 0x00040003}, {0x40000012, 0}}));
  FClients.SetMask(FFirst.Window(), 0);
  FClients.Notify({ClassOpen, 0});
  EXPECT_TRUE(FFirst.Take().empty());

  EXPECT_TRUE(FClients.Wants(ClassVolume));
  EXPECT_FALSE(FClients.Wants(ClassSpeana)) << "nobody asked for the spectrum";
  FClients.SetMask(FFirst.Window(), ClassSpeana);
  EXPECT_TRUE(FClients.Wants(ClassSpeana));
}

TEST_F(ClientListTest, UnknownWindowsHaveNoMaskAndGoneOnesAreDropped) {
  EXPECT_FALSE(FClients.SetMask(FFirst.Window(), 1));
  EXPECT_FALSE(FClients.Mask(FFirst.Window()).has_value());
  FClients.Attach(nullptr);
  EXPECT_EQ(FClients.Count(), 0u);
  FClients.Attach(FFirst.Window());
  FClients.Attach(FSecond.Window());
  FSecond.Close();
  FClients.Notify({ClassRun, 0});
  EXPECT_EQ(FClients.Count(), 1u);
  EXPECT_EQ(FFirst.Take(), (std::vector<TNotification>{{ClassRun, 0}}));
  EXPECT_TRUE(FClients.Detach(FFirst.Window()));
  EXPECT_FALSE(FClients.Detach(FFirst.Window()));
}

}  // namespace
