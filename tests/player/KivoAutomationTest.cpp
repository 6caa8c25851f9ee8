// The player's automation object: what each operation does to the player's
// state and which notifications reach an attached client.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/com/Bstr.h"
#include "platform/com/ComRuntime.h"
#include "player/automation/KivoAutomation.h"
#include "player/notify/ClientList.h"
#include "tests/player/PlayerTestSupport.h"

namespace {

namespace fs = std::filesystem;
using namespace kivo;
using namespace Kivo_tlb;
using kivo_test::TRecordingActions;
using kivo_test::TRecordingClient;

constexpr DWORD kEveryClass = 0xFFFFFFFF;

class KivoAutomationTest : public ::testing::Test {
 protected:
  KivoAutomationTest()
      : FClients(RegisterWindowMessageA("WM_KIVO")),
        FClient(FClients.MessageId()),
        FControl(TKivoAutomation::Create(FState, FClients, FActions)) {
    FControl.QueryInterface(IID_IKIVOPlayList, FPlayList);
    FControl.QueryInterface(IID_IKIVOLyrics, FLyrics);
  }

  void SetUp() override {
    FDir = fs::temp_directory_path() /
           ("kivo-automation-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(FDir);
    LONG state = 0;
    LONG reserved = 0;
    ASSERT_EQ(FControl->Attach(0, static_cast<LONG>(getpid()), FClient.Value(), &state, &reserved),
              S_OK);
    ASSERT_EQ(FControl->SetEvent(FClient.Value(), static_cast<LONG>(kEveryClass)), S_OK);
  }
  void TearDown() override { fs::remove_all(FDir); }

  std::string File(const std::string& name) const { return (FDir / name).string(); }

  // A one-second stereo WAV made by sox.
  std::string MakeAudio(const std::string& name) const {
    const std::string path = File(name);
    const std::string command = std::string(SOX_PROGRAM) + " -n -r 8000 -c 2 -b 16 '" + path +
                                "' synth 1 sine 440 2>/dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0);
    return path;
  }

  void AddTrack(const std::string& path) {
    ASSERT_EQ(FPlayList->Add(StringToBstr(path).Get()), S_OK);
  }

  std::vector<TNotification> Received() { return FClient.Take(); }

  TPlayerState FState;
  TRecordingActions FActions;
  TClientList FClients;
  TRecordingClient FClient;
  TComPtr<IKIVOControl> FControl;
  TComPtr<IKIVOPlayList> FPlayList;
  TComPtr<IKIVOLyrics> FLyrics;
  fs::path FDir;
};

TEST_F(KivoAutomationTest, ServesAllFourInterfacesOfOneObject) {
  TComPtr<IKIVOMenu> menu;
  EXPECT_EQ(FControl.QueryInterface(IID_IKIVOMenu, menu), S_OK);
  TComPtr<IUnknown> fromMenu;
  TComPtr<IUnknown> fromControl;
  EXPECT_EQ(menu.QueryInterface(IID_IUnknown, fromMenu), S_OK);
  EXPECT_EQ(FControl.QueryInterface(IID_IUnknown, fromControl), S_OK);
  EXPECT_EQ(fromMenu.Get(), fromControl.Get());
  TComPtr<IUnknown> other;
  EXPECT_EQ(FControl.QueryInterface(IID_IClassFactory, other), E_NOINTERFACE);
}

TEST_F(KivoAutomationTest, VersionIs6100AndTheVersionTestAcceptsOlderClientsFrom4300) {
  LONG version = 0;
  EXPECT_EQ(FControl->get_Version(&version), S_OK);
  EXPECT_EQ(version, 6100);
  EXPECT_EQ(FControl->CheckVersion(4300), S_OK);
  EXPECT_EQ(FControl->CheckVersion(6100), S_OK);
  EXPECT_EQ(FControl->CheckVersion(4299), S_FALSE);
  EXPECT_EQ(FControl->CheckVersion(6101), S_FALSE);
}

TEST_F(KivoAutomationTest, AttachTellsPluginsFromOtherClientsAndDetachEndsNotifications) {
  TRecordingClient other(FClients.MessageId());
  LONG state = 0;
  LONG reserved = 0;
  EXPECT_EQ(FControl->Attach(0, static_cast<LONG>(getpid()) + 1, other.Value(), &state, &reserved),
            S_OK);
  EXPECT_EQ(state, 1);
  EXPECT_EQ(reserved, 2);
  FControl->Attach(0, static_cast<LONG>(getpid()), FClient.Value(), &state, &reserved);
  EXPECT_EQ(state, 2);
  EXPECT_EQ(FClients.Count(), 2u) << "attaching again adds no second entry";

  LONG mask = 0;
  EXPECT_EQ(FControl->GetEvent(other.Value(), &mask), S_OK);
  EXPECT_EQ(static_cast<DWORD>(mask), DefaultEventMask);

  EXPECT_EQ(FControl->Detach(other.Value()), S_OK);
  EXPECT_EQ(FControl->Detach(other.Value()), S_FALSE);
  EXPECT_EQ(FControl->GetEvent(other.Value(), &mask), E_INVALIDARG);
  FControl->set_DisplayMode(dmSpectrumBars);
  EXPECT_TRUE(other.Take().empty());
  EXPECT_EQ(Received().size(), 1u);
}

TEST_F(KivoAutomationTest, DisplayModeZeroToFourIsReportedWithStatus28) {
  EXPECT_EQ(FControl->set_DisplayMode(dmSpectrumFalling), S_OK);
  TKIVODisplayMode mode = dmTrackInfo;
  FControl->get_DisplayMode(&mode);
  EXPECT_EQ(mode, dmSpectrumFalling);
  EXPECT_EQ(Received(), (std::vector<TNotification>{{0x4000001C, 4}}));

  EXPECT_EQ(FControl->set_DisplayMode(static_cast<TKIVODisplayMode>(5)), E_INVALIDARG);
  EXPECT_EQ(FControl->set_DisplayMode(static_cast<TKIVODisplayMode>(-1)), E_INVALIDARG);
  EXPECT_EQ(FState.DisplayMode, dmSpectrumFalling);
  EXPECT_TRUE(Received().empty());
}

TEST_F(KivoAutomationTest, LevelAdjustmentsAreReportedWithStatus31AndVolumeWith13) {
  FControl->set_RecLevel(150);
  FControl->set_AdjustSpeanaLevel(80);
  FControl->set_AdjustVolLevel(90);
  EXPECT_EQ(Received(),
            (std::vector<TNotification>{{0x4000001F, 150}, {0x4000001F, 80}, {0x4000001F, 90}}));
  LONG value = 0;
  FControl->get_RecLevel(&value);
  EXPECT_EQ(value, 150);
  FControl->get_AdjustSpeanaLevel(&value);
  EXPECT_EQ(value, 80);

  FControl->set_Volume(130);
  FControl->get_Volume(&value);
  EXPECT_EQ(value, 100) << "the volume stays within 0..100";
  FControl->set_Volume(40);
  FControl->set_Volume(40);
  EXPECT_EQ(Received(), (std::vector<TNotification>{{0x4000000D, 40}}))
      << "only a change is reported";
}

TEST_F(KivoAutomationTest, SaveSettingsWritesThenReportsStatus17AndAFailedSaveReportsNothing) {
  EXPECT_EQ(FControl->SaveKIVOini(), S_OK);
  EXPECT_EQ(FActions.Saves, 1);
  EXPECT_EQ(Received(), (std::vector<TNotification>{{0x40000011, 0}}));
  FActions.SaveFails = true;
  EXPECT_EQ(FControl->SaveKIVOini(), E_FAIL);
  EXPECT_TRUE(Received().empty());
}

TEST_F(KivoAutomationTest, DesignTextTravelsAsBstrAndIsReportedWithStatus18) {
  const std::string design = "/skins/ü/design.ini";
  EXPECT_EQ(FControl->set_Design(StringToBstr(design).Get()), S_OK);
  TBstr read;
  FControl->get_Design(read.Put());
  EXPECT_EQ(BstrToString(read.Get()), design);
  EXPECT_EQ(Received(), (std::vector<TNotification>{{0x40000012, 0}}));
}

TEST_F(KivoAutomationTest, SwitchesAreVariantBoolsAndReportTheirStatus) {
  FControl->set_Repeat(VARIANT_TRUE);
  FControl->set_Random(VARIANT_TRUE);
  FControl->set_RemainTime(VARIANT_FALSE);
  VARIANT_BOOL repeat = VARIANT_FALSE;
  FControl->get_Repeat(&repeat);
  EXPECT_EQ(repeat, VARIANT_TRUE);
  EXPECT_EQ(Received(),
            (std::vector<TNotification>{{0x40000005, 1}, {0x40000006, 1}, {0x40000007, 0}}));
  FControl->set_OnTimer(1);
  VARIANT_BOOL onTimer = VARIANT_FALSE;
  FControl->get_OnTimer(&onTimer);
  EXPECT_EQ(onTimer, VARIANT_TRUE) << "any non-zero value is true";
}

TEST_F(KivoAutomationTest, EventMaskDecidesWhichClassesAClientHears) {
  FControl->SetEvent(FClient.Value(), static_cast<LONG>(DefaultEventMask));
  FControl->set_Counter(12);  // counter class: optional, not in the mask
  FControl->Click(3);         // status class: always in the default mask
  EXPECT_EQ(Received(), (std::vector<TNotification>{{0x40000019, 3}}));
  FControl->SetEvent(FClient.Value(), static_cast<LONG>(DefaultEventMask | ClassCounter));
  FControl->set_Counter(13);
  EXPECT_EQ(Received(), (std::vector<TNotification>{{ClassCounter, 13}}));
  EXPECT_EQ(FControl->SetEvent(0x7777, 0), E_INVALIDARG);
}

TEST_F(KivoAutomationTest, PlaylistTracksCarryPathsTitlesAndLengths) {
  const std::string first = MakeAudio("first.wav");
  const std::string second = MakeAudio("second.wav");
  AddTrack(first);
  AddTrack(second);
  LONG tracks = 0;
  FPlayList->get_Tracks(&tracks);
  EXPECT_EQ(tracks, 2);
  EXPECT_EQ(Received(), (std::vector<TNotification>{{0x40000015, 1}, {0x40000015, 2}}));

  TBstr title, artist, path, album, comment;
  LONG length = 0, number = 0, rate = 0, kind = 0, drive = 0, n7 = 0, n8 = 0;
  ASSERT_EQ(
      FPlayList->GetTrackInfo(2, title.Put(), artist.Put(), path.Put(), album.Put(), comment.Put(),
                              &length, &number, &rate, &kind, &drive, &n7, &n8),
      S_OK);
  EXPECT_EQ(BstrToString(title.Get()), "second");
  EXPECT_EQ(BstrToString(path.Get()), second);
  EXPECT_EQ(length, 1000);
  EXPECT_EQ(number, 2);
  EXPECT_EQ(kind, dtFile);
  EXPECT_EQ(
      FPlayList->GetTrackInfo(3, title.Put(), artist.Put(), path.Put(), album.Put(), comment.Put(),
                              &length, &number, &rate, &kind, &drive, &n7, &n8),
      E_INVALIDARG);
  EXPECT_EQ(
      FPlayList->GetTrackInfo(0, title.Put(), artist.Put(), path.Put(), album.Put(), comment.Put(),
                              &length, &number, &rate, &kind, &drive, &n7, &n8),
      E_INVALIDARG);
}

TEST_F(KivoAutomationTest, TrackInformationWrittenIsReadBackWhole) {
  AddTrack(MakeAudio("first.wav"));
  const std::string second = MakeAudio("second.wav");
  AddTrack(second);
  Received();
  ASSERT_EQ(FPlayList->SetTrackInfo(1, StringToBstr("Title").Get(), StringToBstr("Artist").Get(),
                                    StringToBstr("/music/x.wav").Get(), StringToBstr("Album").Get(),
                                    StringToBstr("Comment").Get(), 2500, 7, -8, dtAudioCD,
                                    0x00030005, 11, -12),
            S_OK);
  EXPECT_EQ(Received(), (std::vector<TNotification>{{0x40000015, 2}})) << "the playlist changed";

  TBstr title, artist, path, album, comment;
  LONG length = 0, number = 0, third = 0, kind = 0, drive = 0, n7 = 0, n8 = 0;
  ASSERT_EQ(
      FPlayList->GetTrackInfo(1, title.Put(), artist.Put(), path.Put(), album.Put(), comment.Put(),
                              &length, &number, &third, &kind, &drive, &n7, &n8),
      S_OK);
  EXPECT_EQ(BstrToString(title.Get()), "Title");
  EXPECT_EQ(BstrToString(artist.Get()), "Artist");
  EXPECT_EQ(BstrToString(path.Get()), "/music/x.wav");
  EXPECT_EQ(BstrToString(album.Get()), "Album");
  EXPECT_EQ(BstrToString(comment.Get()), "Comment");
  EXPECT_EQ((std::vector<LONG>{length, number, third, kind, drive, n7, n8}),
            (std::vector<LONG>{2500, 7, -8, dtAudioCD, 0x00030005, 11, -12}));

  ASSERT_EQ(
      FPlayList->GetTrackInfo(2, title.Put(), artist.Put(), path.Put(), album.Put(), comment.Put(),
                              &length, &number, &third, &kind, &drive, &n7, &n8),
      S_OK);
  EXPECT_EQ(BstrToString(path.Get()), second) << "another track keeps its own";
  EXPECT_EQ((std::vector<LONG>{number, third, kind, drive, n7, n8}),
            (std::vector<LONG>{2, 0, dtFile, 0, 0, 0}));
}

TEST_F(KivoAutomationTest, PlaylistSavedAndLoadedAgainKeepsItsTracks) {
  AddTrack(MakeAudio("a.wav"));
  AddTrack(MakeAudio("b.wav"));
  VARIANT_BOOL edited = VARIANT_FALSE;
  FPlayList->get_Edited(&edited);
  EXPECT_EQ(edited, VARIANT_TRUE);
  ASSERT_EQ(FPlayList->Save(StringToBstr(File("list.m3u")).Get()), S_OK);
  FPlayList->get_Edited(&edited);
  EXPECT_EQ(edited, VARIANT_FALSE);

  ASSERT_EQ(FPlayList->New(), S_OK);
  LONG tracks = -1;
  FPlayList->get_Tracks(&tracks);
  EXPECT_EQ(tracks, 0);
  ASSERT_EQ(FPlayList->Load(StringToBstr(File("list.m3u")).Get()), S_OK);
  FPlayList->get_Tracks(&tracks);
  EXPECT_EQ(tracks, 2);
  EXPECT_EQ(FState.PlayList[1].Path, File("b.wav"));
  EXPECT_EQ(FState.PlayList[1].LengthMs, 1000);
  EXPECT_EQ(FPlayList->Load(StringToBstr(File("none.m3u")).Get()), E_FAIL);
  FPlayList->get_Tracks(&tracks);
  EXPECT_EQ(tracks, 2) << "a failed load keeps the list";
}

TEST_F(KivoAutomationTest, ChangingTrackClosesTheOldOneOpensTheNewOneAndLoadsItsLyrics) {
  AddTrack(MakeAudio("one.wav"));
  AddTrack(MakeAudio("two.wav"));
  std::ofstream(File("two.lrc")) << "[ti:Two]\n[00:00.50]first line\n[00:00.20][00:00.80]again\n";
  ASSERT_EQ(FControl->Play(), S_OK);
  Received();

  ASSERT_EQ(FControl->set_Track(2), S_OK);
  EXPECT_EQ(Received(),
            (std::vector<TNotification>{{0x4000000F, 1}, {0x4000000E, 2}, {0x40000010, 0}}));
  LONG lines = 0;
  FLyrics->get_Lines(&lines);
  EXPECT_EQ(lines, 3);
  TBstr name;
  FLyrics->get_LyricsName(name.Put());
  EXPECT_EQ(BstrToString(name.Get()), File("two.lrc"));

  FControl->set_Position(600);
  LONG line = -2;
  FLyrics->get_Line(&line);
  EXPECT_EQ(line, 1);
  LONG time = 0, code = 0, charset = 0, size = 0, style = 0, color = 0, value = 0;
  VARIANT_BOOL current = VARIANT_FALSE;
  TBstr text, font;
  ASSERT_EQ(FLyrics->GetLine(1, &time, text.Put(), &code, &current, font.Put(), &charset, &size,
                             &style, &color, &value),
            S_OK);
  EXPECT_EQ(time, 500);
  EXPECT_EQ(BstrToString(text.Get()), "first line");
  EXPECT_EQ(current, VARIANT_TRUE);
  EXPECT_EQ(FLyrics->GetLine(3, &time, text.Put(), &code, &current, font.Put(), &charset, &size,
                             &style, &color, &value),
            E_INVALIDARG);

  EXPECT_EQ(FControl->set_Track(3), E_INVALIDARG);
  EXPECT_EQ(FControl->set_Track(0), E_INVALIDARG);
  FControl->set_Track(1);
  FLyrics->get_Lines(&lines);
  EXPECT_EQ(lines, 0) << "a track without a lyrics file has none";
}

TEST_F(KivoAutomationTest, NextAndBackStopAtTheEndsUnlessRepeatIsOn) {
  AddTrack(MakeAudio("one.wav"));
  AddTrack(MakeAudio("two.wav"));
  FControl->Play();
  EXPECT_EQ(FControl->Back(), S_FALSE);
  EXPECT_EQ(FControl->Next(), S_OK);
  EXPECT_EQ(FControl->Next(), S_FALSE);
  EXPECT_EQ(FState.Track, 2);
  FControl->set_Repeat(VARIANT_TRUE);
  EXPECT_EQ(FControl->Next(), S_OK);
  EXPECT_EQ(FState.Track, 1);
  EXPECT_EQ(FControl->Back(), S_OK);
  EXPECT_EQ(FState.Track, 2);
}

TEST_F(KivoAutomationTest, DeletingTracksKeepsTheCurrentOneOrStopsWhenItGoes) {
  AddTrack(MakeAudio("one.wav"));
  AddTrack(MakeAudio("two.wav"));
  AddTrack(MakeAudio("three.wav"));
  FControl->set_Track(3);
  FControl->Play();
  EXPECT_EQ(FPlayList->Delete(1), S_OK);
  EXPECT_EQ(FState.Track, 2);
  EXPECT_EQ(FState.CurrentTrack()->Path, File("three.wav"));
  EXPECT_EQ(FPlayList->Delete(2), S_OK);
  EXPECT_EQ(FState.Track, 0);
  EXPECT_EQ(FState.PlayStatus, kStatusStopped);
  EXPECT_EQ(FPlayList->Delete(5), E_INVALIDARG);
}

TEST_F(KivoAutomationTest, PositionAndSeekStayWithinTheTrackAndAskPlaybackToFollow) {
  EXPECT_EQ(FControl->set_Position(10), E_UNEXPECTED) << "no track, nothing to seek in";
  AddTrack(MakeAudio("one.wav"));
  FControl->Play();
  FState.SeekPending = false;
  Received();

  FControl->set_Position(5000);
  LONG position = 0;
  FControl->get_Position(&position);
  EXPECT_EQ(position, 1000);
  EXPECT_TRUE(FState.SeekPending);
  EXPECT_EQ(FControl->Seek(-300, 1), S_OK);
  FControl->get_Position(&position);
  EXPECT_EQ(position, 700);
  EXPECT_EQ(FControl->Seek(200, 0), S_OK);
  FControl->get_Position(&position);
  EXPECT_EQ(position, 200);
  EXPECT_EQ(FControl->Seek(200, 2), E_INVALIDARG);
  FControl->Rewind(1);
  FControl->get_Position(&position);
  EXPECT_EQ(position, 0);
  EXPECT_EQ(
      Received(),
      (std::vector<TNotification>{
          {ClassPosition, 1000}, {ClassPosition, 700}, {ClassPosition, 200}, {ClassPosition, 0}}));
}

TEST_F(KivoAutomationTest, TransportReportsEveryPlayStatusChange) {
  EXPECT_EQ(FControl->Play(), E_UNEXPECTED) << "an empty playlist has nothing to play";
  AddTrack(MakeAudio("one.wav"));
  Received();
  FControl->Play();
  FControl->Pause();
  FControl->Pause();
  FControl->KeyDown(0x20, 0);
  FControl->Stop();
  const std::vector<TNotification> received = Received();
  std::vector<LPARAM> statuses;
  for (const TNotification& n : received)
    if (n.WParam == ClassPlayStatus) statuses.push_back(n.LParam);
  EXPECT_EQ(statuses, (std::vector<LPARAM>{kStatusPlaying, kStatusPaused, kStatusPlaying,
                                           kStatusPaused, kStatusStopped}));
  FControl->Eject();
  EXPECT_EQ(FState.Track, 0);
}

TEST_F(KivoAutomationTest, AbortTellsOnlyThatClientAndDetachesIt) {
  TRecordingClient other(FClients.MessageId());
  LONG state = 0, reserved = 0;
  FControl->Attach(0, 1, other.Value(), &state, &reserved);
  EXPECT_EQ(FControl->Abort(other.Value()), S_OK);
  EXPECT_EQ(other.Take(), (std::vector<TNotification>{{ClassAbort, 0}}));
  EXPECT_TRUE(Received().empty());
  EXPECT_FALSE(FClients.Contains(other.Window()));
  EXPECT_EQ(FControl->Abort(other.Value()), E_INVALIDARG);
}

TEST_F(KivoAutomationTest, CloseAndShutDownTellEveryClientAndEndThePlayer) {
  EXPECT_EQ(FControl->Close(), S_OK);
  EXPECT_TRUE(FState.QuitRequested);
  EXPECT_EQ(Received(), (std::vector<TNotification>{{ClassClose, 0}}));
  FState.QuitRequested = false;
  FControl->ShutDown();
  EXPECT_TRUE(FState.QuitRequested);
}

TEST_F(KivoAutomationTest, NotifyEventRelaysToAnyWindowAndFailsForAGoneOne) {
  TRecordingClient target(FClients.MessageId());
  EXPECT_EQ(FControl->NotifyEvent(target.Value(), static_cast<LONG>(0x80000005), 7), S_OK);
  EXPECT_EQ(target.Take(), (std::vector<TNotification>{{0x80000005, 7}}));
  const LONG gone = target.Value();
  target.Close();
  EXPECT_EQ(FControl->NotifyEvent(gone, 1, 2), E_HANDLE);
}

// No target names every attached client, whatever classes it asked for.
TEST_F(KivoAutomationTest, NotifyEventWithoutATargetReachesEveryClient) {
  TRecordingClient quiet(FClients.MessageId());
  LONG state = 0;
  LONG reserved = 0;
  ASSERT_EQ(FControl->Attach(0, static_cast<LONG>(getpid()), quiet.Value(), &state, &reserved),
            S_OK);
  ASSERT_EQ(FControl->SetEvent(quiet.Value(), 0), S_OK);
  EXPECT_EQ(FControl->NotifyEvent(0, static_cast<LONG>(0x80000006), -6), S_OK);
  EXPECT_EQ(Received(), (std::vector<TNotification>{{0x80000006, -6}}));
  EXPECT_EQ(quiet.Take(), (std::vector<TNotification>{{0x80000006, -6}}));
}

TEST_F(KivoAutomationTest, ValueReadersGiveThePlayersOwnAnalysis) {
  FState.Spectrum = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  FState.OutputLevels = {300, 400};
  LONG l[10] = {};
  ASSERT_EQ(
      FControl->GetSpeana(&l[0], &l[1], &l[2], &l[3], &l[4], &l[5], &l[6], &l[7], &l[8], &l[9]),
      S_OK);
  EXPECT_EQ(FActions.SpectrumUpdates, 1) << "the player brings its spectrum up to date first";
  EXPECT_EQ(l[0], 1);
  EXPECT_EQ(l[9], 10);
  LONG left = 0, right = 0;
  FControl->GetVolumes(&left, &right);
  EXPECT_EQ(left, 300);
  EXPECT_EQ(right, 400);
  EXPECT_EQ(FControl->GetVolumes(nullptr, &right), E_POINTER);
}

TEST_F(KivoAutomationTest, ColoursFontsAndTextDescribeTheDisplay) {
  LONG color = 0;
  EXPECT_EQ(FControl->GetColor(0, &color), S_OK);
  EXPECT_EQ(FControl->GetColor(8, &color), E_INVALIDARG);
  EXPECT_EQ(FControl->GetColor(-1, &color), E_INVALIDARG);
  TBstr name;
  LONG charset = 0, size = 0, style = 0;
  EXPECT_EQ(FControl->GetFont(1, name.Put(), &charset, &size, &style, &color), S_OK);
  EXPECT_FALSE(BstrToString(name.Get()).empty());
  EXPECT_GT(size, 0);
  EXPECT_EQ(FControl->GetFont(3, name.Put(), &charset, &size, &style, &color), E_INVALIDARG);

  AddTrack(MakeAudio("song.wav"));
  FControl->Play();
  FControl->set_RemainTime(VARIANT_TRUE);
  FControl->set_Position(250);
  TBstr text, font;
  LONG code = 0, value = 0;
  VARIANT_BOOL visible = VARIANT_FALSE, remain = VARIANT_FALSE;
  ASSERT_EQ(FControl->GetText(text.Put(), &code, &visible, &remain, font.Put(), &charset, &size,
                              &style, &color, &value),
            S_OK);
  EXPECT_EQ(BstrToString(text.Get()), "1. song");
  EXPECT_EQ(remain, VARIANT_TRUE);
  EXPECT_EQ(value, 750) << "the remaining time";
}

TEST_F(KivoAutomationTest, WindowOperationsMoveAndShowThePlayer) {
  FControl->set_Left(-5);
  FControl->set_Top(20);
  FControl->set_Visible(0);
  LONG left = 0, visible = 1;
  FControl->get_Left(&left);
  FControl->get_Visible(&visible);
  EXPECT_EQ(left, -5);
  EXPECT_EQ(visible, 0);
  const std::vector<TNotification> received = Received();
  ASSERT_EQ(received.size(), 5u);
  EXPECT_EQ(received[0], (TNotification{ClassMove, 0x0064FFFB}));  // -5, 100
  EXPECT_EQ(received[1], (TNotification{0x4000001E, 0x0064FFFB}));
  EXPECT_EQ(received[4], (TNotification{0x40000001, 0}));

  FActions.Main = reinterpret_cast<HWND>(std::uintptr_t{0x1234});
  LONG handle = 0;
  FControl->get_Handle(&handle);
  EXPECT_EQ(handle, 0x1234);
}

TEST_F(KivoAutomationTest, ShowOperationsAndFormImageGoToThePlayer) {
  FActions.Tools = {"Editor"};
  FControl->ShowToolMenu();
  EXPECT_EQ(FActions.Shown, (std::vector<std::string>{"Tools", "Editor"}));
  EXPECT_EQ(FControl->GetFormImage(StringToBstr(File("form.png")).Get()), S_OK);
  EXPECT_EQ(FActions.Images, (std::vector<std::string>{File("form.png")}));
  EXPECT_EQ(FControl->GetFormImage(nullptr), E_INVALIDARG);
}

}  // namespace
