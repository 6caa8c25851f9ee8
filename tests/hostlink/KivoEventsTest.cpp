// The player's notifications as they arrive at the component's window, the
// events they raise with their values, the event mask and the relay.
#include "tests/hostlink/KivoTestSupport.h"
#include "hostlink/KivoConstants.h"

namespace kivo_test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class KivoEventsTest : public TKivoTest {
 protected:
  // Listens to every event that carries values, and to the plain ones the
  // cases below look at.
  void ListenToAll(TKIVO& Kivo) {
    Kivo.OnKIVO = TKIVOEvent(&FKivo, &TRecorder::Event);
    Kivo.OnOpen = TNotifyEvent(&FOpen, &TRecorder::Notify);
    Kivo.OnClose = TNotifyEvent(&FClose, &TRecorder::Notify);
    Kivo.OnRun = TNotifyEvent(&FRun, &TRecorder::Notify);
    Kivo.OnAbort = TNotifyEvent(&FAbort, &TRecorder::Notify);
    Kivo.OnPlayStatus = TKIVOParamEvent(&FPlayStatus, &TRecorder::Param);
    Kivo.OnIntTimer = TKIVOParamEvent(&FTimer, &TRecorder::Param);
    Kivo.OnCounter = TKIVOParamEvent(&FCounter, &TRecorder::Param);
    Kivo.OnPosition = TKIVOParamEvent(&FPosition, &TRecorder::Param);
    Kivo.OnVolume = TKIVOLeftRightEvent(&FVolume, &TRecorder::LeftRight);
    Kivo.OnLyrics = TKIVOParamEvent(&FLyrics, &TRecorder::Param);
    Kivo.OnMove = TKIVOLeftRightEvent(&FMove, &TRecorder::LeftRight);
    Kivo.OnMenu = TNotifyEvent(&FMenu, &TRecorder::Notify);
    Kivo.OnSpeana = TKIVOSpeanaEvent(&FSpeana, &TRecorder::Levels);
    Kivo.OnButton = TKIVOEvent(&FButton, &TRecorder::Event);
    Kivo.OnStatus = TKIVOEvent(&FStatus, &TRecorder::Event);
    Kivo.OnUser = TKIVOEvent(&FUser, &TRecorder::Event);
    Kivo.OnBind = TNotifyEvent(&FBind, &TRecorder::Notify);
    Kivo.OnUnbind = TNotifyEvent(&FUnbind, &TRecorder::Notify);
  }

  std::vector<std::string> Log;
  TRecorder FKivo{Log, "OnKIVO"};
  TRecorder FOpen{Log, "OnOpen"};
  TRecorder FClose{Log, "OnClose"};
  TRecorder FRun{Log, "OnRun"};
  TRecorder FAbort{Log, "OnAbort"};
  TRecorder FPlayStatus{Log, "OnPlayStatus"};
  TRecorder FTimer{Log, "OnIntTimer"};
  TRecorder FCounter{Log, "OnCounter"};
  TRecorder FPosition{Log, "OnPosition"};
  TRecorder FVolume{Log, "OnVolume"};
  TRecorder FLyrics{Log, "OnLyrics"};
  TRecorder FMove{Log, "OnMove"};
  TRecorder FMenu{Log, "OnMenu"};
  TRecorder FSpeana{Log, "OnSpeana"};
  TRecorder FButton{Log, "OnButton"};
  TRecorder FStatus{Log, "OnStatus"};
  TRecorder FUser{Log, "OnUser"};
  TRecorder FBind{Log, "OnBind"};
  TRecorder FUnbind{Log, "OnUnbind"};
};

TEST_F(KivoEventsTest, UndefinedClassesOnlyRaiseOnKIVO) {
  TKIVO& kivo = BoundKivo();
  ListenToAll(kivo);
  for (const DWORD wParam : {0x3u, 0x30u, 0x10000u, 0x90000000u, 0x1000u, 0x50000000u})
    EXPECT_EQ(Notify(wParam, 7), 1);
  EXPECT_THAT(Log, ElementsAre("OnKIVO 3 7", "OnKIVO 48 7", "OnKIVO 65536 7", "OnKIVO 2415919104 7",
                               "OnKIVO 4096 7", "OnKIVO 1342177280 7"));
}

TEST_F(KivoEventsTest, UserNotificationsArriveBoundOrNotWithTheirSubCode) {
  TKIVO& kivo = MakeKivo();
  ListenToAll(kivo);
  Notify(0x80000005, 7);
  Notify(0x8000FFFF, -1);
  EXPECT_THAT(Log, ElementsAre("OnUser 5 7", "OnKIVO 2147483653 7", "OnUser 65535 -1",
                               "OnKIVO 2147549183 -1"));
}

TEST_F(KivoEventsTest, UserNotificationsArriveWhileBoundToo) {
  TKIVO& kivo = BoundKivo();
  ListenToAll(kivo);
  Notify(0x80000009, -3);
  ASSERT_THAT(Log, ElementsAre("OnUser 9 -3", "OnKIVO 2147483657 -3"));
  EXPECT_EQ(FUser.Senders[0], &kivo);
}

TEST_F(KivoEventsTest, BoundOnlyClassesWhileUnboundOnlyRaiseOnKIVO) {
  TKIVO& kivo = MakeKivo();
  ListenToAll(kivo);
  for (const DWORD wParam : {0x10u, 0x20u, 0x40u, 0x80u, 0x100u, 0x200u, 0x400u, 0x800u,
                             0x100000A5u, 0x20000001u, 0x40000001u})
    Notify(wParam, 1);
  EXPECT_EQ(Log.size(), 11u);
  for (const std::string& line : Log) EXPECT_EQ(line.rfind("OnKIVO ", 0), 0u) << line;
  EXPECT_EQ(kivo.MenuCount(), 0);
}

TEST_F(KivoEventsTest, BoundClassesRaiseTheirEventsWithTheirValues) {
  TKIVO& kivo = BoundKivo();
  ListenToAll(kivo);
  Notify(0x10, 3);
  Notify(0x20, 4);
  Notify(0x40, 5);
  Notify(0x80, -6);
  Notify(0x200, 8);
  Notify(0x20000007, 9);
  EXPECT_THAT(Log, ElementsAre("OnPlayStatus 3", "OnKIVO 16 3", "OnIntTimer 4", "OnKIVO 32 4",
                               "OnCounter 5", "OnKIVO 64 5", "OnPosition -6", "OnKIVO 128 -6",
                               "OnLyrics 8", "OnKIVO 512 8", "OnButton 7 9", "OnKIVO 536870919 9"));
  EXPECT_EQ(FPlayStatus.Senders[0], &kivo);
}

TEST_F(KivoEventsTest, HalvesOfTheValueAreUnsignedForVolumesAndSignedForMoves) {
  TKIVO& kivo = BoundKivo();
  ListenToAll(kivo);
  std::vector<std::string> moved;
  TRecorder movedRecorder(moved, "OnMoved");
  kivo.OnMoved = TKIVOLeftRightEvent(&movedRecorder, &TRecorder::LeftRight);
  const auto value = static_cast<LONG>(0xFFFF0001u);
  Notify(0x100, value);
  Notify(0x400, value);
  Notify(0x4000001E, value);
  EXPECT_THAT(
      Log, ElementsAre("OnVolume 1 65535", "OnKIVO 256 -65535", "OnMove 1 -1", "OnKIVO 1024 -65535",
                       "OnStatus 30 -65535", "OnKIVO 1073741854 -65535"));
  EXPECT_THAT(moved, ElementsAre("OnMoved 1 -1"));
}

TEST_F(KivoEventsTest, SpectrumLevelsComeFromBothValues) {
  TKIVO& kivo = BoundKivo();
  ListenToAll(kivo);
  Notify(0x100000A5, 0x76543210);
  EXPECT_EQ(Log.at(0), "OnSpeana 0 1 2 3 4 5 6 7 5 10");
  Notify(0x1000FFFF, -1);
  EXPECT_EQ(Log.at(2), "OnSpeana 15 15 15 15 15 15 15 15 15 15");
}

TEST_F(KivoEventsTest, StatusFlagsFollowTheValue) {
  TKIVO& kivo = BoundKivo();
  std::vector<std::string> log;
  TRecorder visible(log, "OnVisible"), active(log, "OnActive"), minimize(log, "OnMinimize"),
      top(log, "OnStayOnTop"), repeat(log, "OnRepeat"), random(log, "OnRandom"),
      time(log, "OnDisplayTime");
  kivo.OnVisible = TKIVOFlagEvent(&visible, &TRecorder::Flag);
  kivo.OnActive = TKIVOFlagEvent(&active, &TRecorder::Flag);
  kivo.OnMinimize = TKIVOFlagEvent(&minimize, &TRecorder::Flag);
  kivo.OnStayOnTop = TKIVOFlagEvent(&top, &TRecorder::Flag);
  kivo.OnRepeat = TKIVOFlagEvent(&repeat, &TRecorder::Flag);
  kivo.OnRandom = TKIVOFlagEvent(&random, &TRecorder::Flag);
  kivo.OnDisplayTime = TKIVOFlagEvent(&time, &TRecorder::Flag);
  Notify(0x40000001, 2);
  Notify(0x40000001, 0);
  for (DWORD code = 2; code <= 7; ++code) Notify(0x40000000 | code, -1);
  EXPECT_THAT(
      log, ElementsAre("OnVisible true", "OnVisible false", "OnActive true", "OnMinimize true",
                       "OnStayOnTop true", "OnRepeat true", "OnRandom true", "OnDisplayTime true"));
}

TEST_F(KivoEventsTest, StatusCodesRaiseTheirEventsAfterOnStatus) {
  TKIVO& kivo = BoundKivo();
  std::vector<std::string> log;
  TRecorder status(log, "OnStatus"), track(log, "OnDisplayTrack"), title(log, "OnDisplayTitle"),
      device(log, "OnDisplayDevice"), timer(log, "OnDisplayTimer"),
      caption(log, "OnDisplayCaption"), volume(log, "OnChangeVolume"), open(log, "OnOpenTrack"),
      close(log, "OnCloseTrack"), save(log, "OnSaveKIVOini"), design(log, "OnDesign"),
      playList(log, "OnChangePlayList"), click(log, "OnClick"), dblClick(log, "OnDblClick"),
      mode(log, "OnChangeDisplayMode"), level(log, "OnAdjustLevel");
  kivo.OnStatus = TKIVOEvent(&status, &TRecorder::Event);
  kivo.OnDisplayTrack = TKIVOParamEvent(&track, &TRecorder::Param);
  kivo.OnDisplayTitle = TKIVOParamEvent(&title, &TRecorder::Param);
  kivo.OnDisplayDevice = TKIVODeviceEvent(&device, &TRecorder::Device);
  kivo.OnDisplayTimer = TKIVOParamEvent(&timer, &TRecorder::Param);
  kivo.OnDisplayCaption = TNotifyEvent(&caption, &TRecorder::Notify);
  kivo.OnChangeVolume = TKIVOParamEvent(&volume, &TRecorder::Param);
  kivo.OnOpenTrack = TKIVOParamEvent(&open, &TRecorder::Param);
  kivo.OnCloseTrack = TKIVOParamEvent(&close, &TRecorder::Param);
  kivo.OnSaveKIVOini = TNotifyEvent(&save, &TRecorder::Notify);
  kivo.OnDesign = TNotifyEvent(&design, &TRecorder::Notify);
  kivo.OnChangePlayList = TKIVOParamEvent(&playList, &TRecorder::Param);
  kivo.OnClick = TKIVOParamEvent(&click, &TRecorder::Param);
  kivo.OnDblClick = TKIVOParamEvent(&dblClick, &TRecorder::Param);
  kivo.OnChangeDisplayMode = TKIVODisplayModeEvent(&mode, &TRecorder::Mode);
  kivo.OnAdjustLevel = TKIVOParamEvent(&level, &TRecorder::Param);
  for (DWORD code = 8; code <= 32; ++code) {
    if (code == 16 || code == 22 || code == 27) continue;
    Notify(0x40000000 | code, static_cast<LONG>(100 + code));
  }
  Notify(0x40000000, 5);
  std::vector<std::string> raised;
  for (const std::string& line : log)
    if (line.rfind("OnStatus", 0) != 0) raised.push_back(line);
  EXPECT_THAT(
      raised,
      ElementsAre("OnDisplayTrack 108", "OnDisplayTitle 109", "OnDisplayDevice 110",
                  "OnDisplayTimer 111", "OnDisplayCaption", "OnChangeVolume 113", "OnOpenTrack 114",
                  "OnCloseTrack 115", "OnSaveKIVOini", "OnDesign", "OnChangePlayList 121",
                  "OnClick 125", "OnDblClick 126", "OnChangeDisplayMode 128", "OnAdjustLevel 131"));
  EXPECT_EQ(log.at(0), "OnStatus 8 108");
  EXPECT_EQ(log.at(1), "OnDisplayTrack 108");
  EXPECT_EQ(log.back(), "OnStatus 0 5");
  EXPECT_EQ(status.Senders.size(), 23u);
}

TEST_F(KivoEventsTest, LyricsLoadedEmptiesTheCacheEvenWithoutAHandler) {
  TKIVO& kivo = BoundKivo();
  Player->Longs["Lines"] = 2;
  TLyrics* first = kivo.GetLyricsText(0);
  ASSERT_NE(first, nullptr);
  first->Spare = 99;  // the component never changes it: a mark of this object
  Notify(0x40000010, 0);
  TLyrics* again = kivo.GetLyricsText(0);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->Spare, 0) << "a new object";
  std::vector<std::string> log;
  TRecorder loaded(log, "OnLoadLyrics");
  kivo.OnLoadLyrics = TNotifyEvent(&loaded, &TRecorder::Notify);
  Notify(0x40000010, 0);
  EXPECT_THAT(log, ElementsAre("OnLoadLyrics"));
}

TEST_F(KivoEventsTest, OpenSetsTheWindowAndBindsWhenAutoLinked) {
  StartPlayer();
  TKIVO& kivo = MakeKivo();
  ListenToAll(kivo);
  TFakeMainWindow other("TKivoForm");
  kivo.SetAutoLink(false);
  Notify(0x1, other.Value());
  EXPECT_EQ(kivo.KIVOWindow(), other.Handle);
  EXPECT_FALSE(kivo.IsBound());
  EXPECT_THAT(Log, ElementsAre("OnOpen", "OnKIVO 1 " + std::to_string(other.Value())));
  Log.clear();
  kivo.SetAutoLink(true);
  EXPECT_TRUE(kivo.IsBound()) << "a player window is known";
  kivo.Unbind();
  Log.clear();
  Notify(0x1, Window->Value());
  EXPECT_TRUE(kivo.IsBound());
  EXPECT_THAT(Log, ElementsAre("OnBind", "OnOpen", "OnKIVO 1 " + std::to_string(Window->Value())));
}

TEST_F(KivoEventsTest, CloseUnbindsAndForgetsTheWindow) {
  TKIVO& kivo = BoundKivo();
  ListenToAll(kivo);
  Notify(0x2, 0);
  EXPECT_FALSE(kivo.IsBound());
  EXPECT_EQ(kivo.KIVOWindow(), nullptr);
  EXPECT_THAT(Log, ElementsAre("OnUnbind", "OnClose", "OnKIVO 2 0"));
  Notify(0x4, 9);
  EXPECT_EQ(Log.at(3), "OnRun");
}

// Looks at the component from inside its OnAbort handler.
struct TAbortWatcher {
  TKIVO* Kivo = nullptr;
  bool BoundDuring = false;
  HWND WindowDuring = nullptr;
  void Abort(TObject*) {
    BoundDuring = Kivo->IsBound();
    WindowDuring = Kivo->KIVOWindow();
  }
};

TEST_F(KivoEventsTest, AbortRaisesOnAbortWhileStillBoundThenUnbinds) {
  TKIVO& kivo = BoundKivo();
  TAbortWatcher watcher{&kivo};
  kivo.OnAbort = TNotifyEvent(&watcher, &TAbortWatcher::Abort);
  Notify(0x8, 0);
  EXPECT_TRUE(watcher.BoundDuring);
  EXPECT_EQ(watcher.WindowDuring, Window->Handle);
  EXPECT_FALSE(kivo.IsBound());
  EXPECT_EQ(kivo.KIVOWindow(), nullptr);
  EXPECT_THAT(Player->Operations(), ElementsAre("Detach"));
}

TEST_F(KivoEventsTest, OtherMessagesGoToTheDefaultProcedure) {
  TKIVO& kivo = MakeKivo();
  ListenToAll(kivo);
  EXPECT_EQ(SendMessageA(kivo.WindowHandle, WM_USER + 5, 1, 2), 0);
  EXPECT_THAT(Log, IsEmpty());
}

// As the platform's hidden windows do, the component's window hears
// broadcasts: its own announce too, and a player's open notification.
TEST_F(KivoEventsTest, BroadcastsReachTheComponentsWindowItsOwnAnnounceFirst) {
  TKIVO& kivo = MakeKivo();
  ListenToAll(kivo);
  PostMessageA(HWND_BROADCAST, kivo.KIVOMessage(), 0x80000002, 3);
  ProcessMessages();
  const std::string announce =
      "OnKIVO 1025 " + std::to_string(HandleValue(kivo.WindowHandle));
  EXPECT_THAT(Log, ElementsAre(announce, "OnUser 2 3", "OnKIVO 2147483650 3"));
}

TEST_F(KivoEventsTest, PostedNotificationsAreDecodedByTheMessageLoop) {
  TKIVO& kivo = MakeKivo();
  ProcessMessages();  // its own announce
  ListenToAll(kivo);
  PostMessageA(kivo.WindowHandle, kivo.KIVOMessage(), 0x80000001, 2);
  EXPECT_THAT(Log, IsEmpty());
  ProcessMessages();
  EXPECT_THAT(Log, ElementsAre("OnUser 1 2", "OnKIVO 2147483649 2"));
}

class KivoEventMaskTest : public TKivoTest {};

TEST_F(KivoEventMaskTest, SetsOfOptionalClassesMakeTheMask) {
  TKIVO& kivo = MakeKivo();
  EXPECT_EQ(kivo.GetEvent(), 0xEFFFF81Fu);
  EXPECT_TRUE(kivo.GetEvents().Empty());
  kivo.SetEvent(0);
  kivo.SetEvents({});
  EXPECT_EQ(kivo.GetEvent(), 0xEFFFF81Fu);
  kivo.SetEvents({evVolume});
  EXPECT_EQ(kivo.GetEvent(), 0xEFFFF91Fu);
  EXPECT_EQ(kivo.GetEvents(), TKIVOEventSet{evVolume});
  const TKIVOEventSet all{evVolume, evSpeana, evLyrics, evCounter, evPosition, evTimer, evMove};
  kivo.SetEvents(all);
  EXPECT_EQ(kivo.GetEvent(), 0xFFFFFFFFu);
  EXPECT_EQ(kivo.GetEvents(), all);
  kivo.SetEvent(0x10000020);
  EXPECT_EQ(kivo.GetEvents(), (TKIVOEventSet{evSpeana, evTimer}));
}

TEST_F(KivoEventMaskTest, WhileBoundTheMaskGoesToAndComesFromThePlayer) {
  TKIVO& kivo = BoundKivo();
  const LONG window = HandleOf(kivo.WindowHandle);
  kivo.SetEvents({evVolume});
  ASSERT_EQ(Player->Calls.size(), 1u);
  EXPECT_EQ(Player->Calls[0].Args, (std::vector<std::int64_t>{window, 0xEFFFF91F}));
  Player->EventMaskAnswer = 0x180;
  EXPECT_EQ(kivo.GetEvents(), (TKIVOEventSet{evVolume, evPosition}));
  EXPECT_EQ(Player->Calls.back().Operation, "GetEvent");
  EXPECT_EQ(Player->Calls.back().Args, std::vector<std::int64_t>{window});
  EXPECT_EQ(KivoTestAccess::EventMask(kivo), 0xEFFFF91Fu) << "the player's answer is not kept";
}

TEST_F(KivoEventMaskTest, RelayGoesToTheComponentItselfOrThroughThePlayer) {
  TKIVO& kivo = MakeKivo();
  std::vector<std::string> log;
  TRecorder user(log, "OnUser");
  kivo.OnUser = TKIVOEvent(&user, &TRecorder::Event);
  TFakeMainWindow elsewhere("Other");
  kivo.NotifyEvent(elsewhere.Handle, 0x80000001, 1);
  kivo.NotifyEvent(nullptr, 0x80000002, 2);
  kivo.NotifyEvent(kivo.WindowHandle, 0x80000003, 3);
  EXPECT_TRUE(log.empty()) << "posted, not sent";
  ProcessMessages();
  EXPECT_THAT(log, ElementsAre("OnUser 2 2", "OnUser 3 3"));
  EXPECT_TRUE(elsewhere.Received.empty());
  Kivo.reset();
  BoundKivo();
  Kivo->NotifyEvent(elsewhere.Handle, 0x80000004, -4);
  Kivo->NotifyEvent(nullptr, 0x80000005, 5);
  ASSERT_EQ(Player->Calls.size(), 2u);
  EXPECT_EQ(Player->Calls[0].Args,
            (std::vector<std::int64_t>{HandleOf(elsewhere.Handle), 0x80000004, -4}));
  EXPECT_EQ(Player->Calls[1].Args, (std::vector<std::int64_t>{0, 0x80000005, 5}));

  // To its own window the component posts itself, bound or not.
  Kivo->OnUser = TKIVOEvent(&user, &TRecorder::Event);
  Kivo->NotifyEvent(Kivo->WindowHandle, 0x80000006, 6);
  EXPECT_EQ(Player->Calls.size(), 2u) << "not through the player";
  ProcessMessages();
  EXPECT_THAT(log, ElementsAre("OnUser 2 2", "OnUser 3 3", "OnUser 6 6"));
}

}  // namespace
}  // namespace kivo_test
