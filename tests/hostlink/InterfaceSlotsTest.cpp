// Each operation of the player's four automation interfaces sits in the
// slot that its number gives: slots 0 to 6 are IUnknown's and IDispatch's,
// own operation n is slot 6 + n. The numbers are written down here, apart
// from the interface declarations, so that an operation that moves,
// disappears or is inserted anywhere (also at the end) fails a test.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hostlink/Kivo_tlb.h"
#include "tests/support/VirtualSlot.h"

namespace {

using namespace Kivo_tlb;
using slot_test::VirtualSlot;

constexpr std::ptrdiff_t kDispatchSlots = 7;

struct TSlotEntry {
  const char* Name;
  std::ptrdiff_t Slot;
  int Number;
};

// Operations 30, 31 and 73 are called by no client here; they keep their
// places all the same.
#define EXPECTED_CONTROL_SLOTS(X) \
  X(get_Version, 1)               \
  X(CheckVersion, 2)              \
  X(get_Handle, 3)                \
  X(get_Visible, 4)               \
  X(set_Visible, 5)               \
  X(get_Left, 6)                  \
  X(set_Left, 7)                  \
  X(get_Top, 8)                   \
  X(set_Top, 9)                   \
  X(get_Width, 10)                \
  X(get_Height, 11)               \
  X(get_PlayStatus, 12)           \
  X(get_Track, 13)                \
  X(set_Track, 14)                \
  X(get_Position, 15)             \
  X(set_Position, 16)             \
  X(get_Length, 17)               \
  X(get_Volume, 18)               \
  X(set_Volume, 19)               \
  X(get_Counter, 20)              \
  X(set_Counter, 21)              \
  X(get_Repeat, 22)               \
  X(set_Repeat, 23)               \
  X(get_Random, 24)               \
  X(set_Random, 25)               \
  X(get_RemainTime, 26)           \
  X(set_RemainTime, 27)           \
  X(get_Design, 28)               \
  X(set_Design, 29)               \
  X(get_Skin, 30)                 \
  X(set_Skin, 31)                 \
  X(get_DisplayMode, 32)          \
  X(set_DisplayMode, 33)          \
  X(get_OnTimer, 34)              \
  X(set_OnTimer, 35)              \
  X(get_OnTime, 36)               \
  X(set_OnTime, 37)               \
  X(get_OffTimer, 38)             \
  X(set_OffTimer, 39)             \
  X(get_OffTime, 40)              \
  X(set_OffTime, 41)              \
  X(get_ShutDownRecord, 42)       \
  X(set_ShutDownRecord, 43)       \
  X(get_RecLevel, 44)             \
  X(set_RecLevel, 45)             \
  X(Attach, 46)                   \
  X(Detach, 47)                   \
  X(Abort, 48)                    \
  X(Close, 49)                    \
  X(ShutDown, 50)                 \
  X(GetEvent, 51)                 \
  X(SetEvent, 52)                 \
  X(NotifyEvent, 53)              \
  X(Stop, 54)                     \
  X(Pause, 55)                    \
  X(Play, 56)                     \
  X(FF, 57)                       \
  X(Rewind, 58)                   \
  X(Next, 59)                     \
  X(Back, 60)                     \
  X(Eject, 61)                    \
  X(Seek, 62)                     \
  X(ShowPlayList, 63)             \
  X(ShowProperty, 64)             \
  X(ShowMenu, 65)                 \
  X(ShowToolMenu, 66)             \
  X(Click, 67)                    \
  X(KeyDown, 68)                  \
  X(GetText, 69)                  \
  X(GetVolumes, 70)               \
  X(GetSpeana, 71)                \
  X(SaveKIVOini, 72)              \
  X(Refresh, 73)                  \
  X(GetColor, 74)                 \
  X(GetFont, 75)                  \
  X(GetFormImage, 76)             \
  X(get_Rate, 77)                 \
  X(set_Rate, 78)                 \
  X(get_AdjustVolLevel, 79)       \
  X(set_AdjustVolLevel, 80)       \
  X(get_AdjustSpeanaLevel, 81)    \
  X(set_AdjustSpeanaLevel, 82)

#define EXPECTED_PLAYLIST_SLOTS(X) \
  X(get_Edited, 1)                 \
  X(get_Tracks, 2)                 \
  X(get_PlayListTitle, 3)          \
  X(get_PlayListDesign, 4)         \
  X(get_FirstTrack, 5)             \
  X(get_LastTrack, 6)              \
  X(get_PlayListName, 7)           \
  X(get_RepeatFrom, 8)             \
  X(get_RepeatTo, 9)               \
  X(get_SelectedTrack, 10)         \
  X(get_PlayListVisible, 11)       \
  X(set_PlayListTitle, 12)         \
  X(set_PlayListDesign, 13)        \
  X(set_FirstTrack, 14)            \
  X(set_LastTrack, 15)             \
  X(set_RepeatFrom, 16)            \
  X(set_RepeatTo, 17)              \
  X(set_SelectedTrack, 18)         \
  X(New, 19)                       \
  X(Delete, 20)                    \
  X(set_PlayListVisible, 21)       \
  X(Add, 22)                       \
  X(Load, 23)                      \
  X(Save, 24)                      \
  X(GetTrackInfo, 25)              \
  X(SetTrackInfo, 26)

#define EXPECTED_LYRICS_SLOTS(X) \
  X(get_Line, 1)                 \
  X(get_Lines, 2)                \
  X(get_VisibleLyrics, 3)        \
  X(get_ShowAccelChar, 4)        \
  X(get_Adjust, 5)               \
  X(get_LyricsTitle, 6)          \
  X(get_LyricsArtist, 7)         \
  X(get_Lyrics, 8)               \
  X(get_Music, 9)                \
  X(get_Presenter, 10)           \
  X(get_Comment, 11)             \
  X(get_LyricsWidth, 12)         \
  X(get_LyricsHeight, 13)        \
  X(get_LyricsName, 14)          \
  X(GetLine, 15)

#define KIVO_OPERATION(Interface, Name, Number) \
  TSlotEntry{#Name, VirtualSlot(&Interface::Name), Number},
#define CONTROL_OPERATION(Name, Number) KIVO_OPERATION(IKIVOControl, Name, Number)
#define PLAYLIST_OPERATION(Name, Number) KIVO_OPERATION(IKIVOPlayList, Name, Number)
#define LYRICS_OPERATION(Name, Number) KIVO_OPERATION(IKIVOLyrics, Name, Number)

const std::vector<TSlotEntry> kControl = {EXPECTED_CONTROL_SLOTS(CONTROL_OPERATION)};
const std::vector<TSlotEntry> kPlayList = {EXPECTED_PLAYLIST_SLOTS(PLAYLIST_OPERATION)};
const std::vector<TSlotEntry> kLyrics = {EXPECTED_LYRICS_SLOTS(LYRICS_OPERATION)};

// An operation declared after all of an interface's own: its slot is the
// number of slots the interface has.
class TControlProbe : public IKIVOControl {
 public:
  virtual void Probe() = 0;

 protected:
  ~TControlProbe() = default;
};
class TPlayListProbe : public IKIVOPlayList {
 public:
  virtual void Probe() = 0;

 protected:
  ~TPlayListProbe() = default;
};
class TLyricsProbe : public IKIVOLyrics {
 public:
  virtual void Probe() = 0;

 protected:
  ~TLyricsProbe() = default;
};
class TMenuProbe : public IKIVOMenu {
 public:
  virtual void Probe() = 0;

 protected:
  ~TMenuProbe() = default;
};

void ExpectSlots(const std::vector<TSlotEntry>& operations, std::ptrdiff_t probeSlot) {
  for (std::size_t i = 0; i < operations.size(); ++i) {
    const TSlotEntry& operation = operations[i];
    EXPECT_EQ(operation.Number, static_cast<int>(i) + 1)
        << operation.Name << ": the table lists every operation, gaps included";
    EXPECT_EQ(operation.Slot, kDispatchSlots - 1 + operation.Number) << operation.Name;
  }
  EXPECT_EQ(probeSlot, kDispatchSlots + static_cast<std::ptrdiff_t>(operations.size()))
      << "an operation after the last numbered one";
}

template <typename Interface>
void ExpectDispatchSlots() {
  EXPECT_EQ(VirtualSlot(&Interface::QueryInterface), 0);
  EXPECT_EQ(VirtualSlot(&Interface::AddRef), 1);
  EXPECT_EQ(VirtualSlot(&Interface::Release), 2);
  EXPECT_EQ(VirtualSlot(&Interface::GetTypeInfoCount), 3);
  EXPECT_EQ(VirtualSlot(&Interface::GetTypeInfo), 4);
  EXPECT_EQ(VirtualSlot(&Interface::GetIDsOfNames), 5);
  EXPECT_EQ(VirtualSlot(&Interface::Invoke), 6);
}

TEST(InterfaceSlots, EveryInterfaceStartsWithTheSevenAutomationOperations) {
  ExpectDispatchSlots<IKIVOControl>();
  ExpectDispatchSlots<IKIVOPlayList>();
  ExpectDispatchSlots<IKIVOLyrics>();
  ExpectDispatchSlots<IKIVOMenu>();
}

TEST(InterfaceSlots, ControlOperationsSitAtTheirNumbers) {
  ASSERT_EQ(kControl.size(), 82u);
  ExpectSlots(kControl, VirtualSlot(&TControlProbe::Probe));
}

TEST(InterfaceSlots, PlayListOperationsSitAtTheirNumbers) {
  ASSERT_EQ(kPlayList.size(), 26u);
  ExpectSlots(kPlayList, VirtualSlot(&TPlayListProbe::Probe));
}

TEST(InterfaceSlots, LyricsOperationsSitAtTheirNumbers) {
  ASSERT_EQ(kLyrics.size(), 15u);
  ExpectSlots(kLyrics, VirtualSlot(&TLyricsProbe::Probe));
}

TEST(InterfaceSlots, TheMenuInterfaceHasNoOperationsOfItsOwn) {
  ExpectSlots({}, VirtualSlot(&TMenuProbe::Probe));
}

TEST(InterfaceSlots, ANonVirtualMemberHasNoSlot) {
  struct TPlain {
    void Member() {}
  };
  EXPECT_EQ(VirtualSlot(&TPlain::Member), -1);
}

}  // namespace
