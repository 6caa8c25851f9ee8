// Finding the player, starting it, binding with the version gate, and
// letting go of it again.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "hostlink/Palette.h"
#include "tests/hostlink/KivoTestSupport.h"

namespace kivo_test {
namespace {

using ::testing::ElementsAre;

class KivoDiscoveryTest : public TKivoTest {};

TEST_F(KivoDiscoveryTest, WithoutRegistryKeysNothingIsFoundStartedOrReported) {
  TKIVO& kivo = MakeKivo();
  EXPECT_EQ(kivo.HostPath, "");
  EXPECT_FALSE(kivo.Execute(""));
  kivo.Bind();
  EXPECT_FALSE(kivo.IsBound());
  EXPECT_TRUE(Dialogs.Shown.empty());
}

TEST_F(KivoDiscoveryTest, ProgramPathComesFromTheMachineKeyBeforeTheUserKey) {
  WriteHostPath(HKEY_CURRENT_USER, UserKey, "/opt/user/kivo.exe");
  EXPECT_EQ(MakeKivo().HostPath, "/opt/user/kivo.exe");
  WriteHostPath(HKEY_LOCAL_MACHINE, MachineKey, "/opt/machine/kivo.exe");
  EXPECT_EQ(MakeKivo().HostPath, "/opt/machine/kivo.exe");
}

TEST_F(KivoDiscoveryTest, ConstructionAnnouncesTheComponentToTheRunningPlayer) {
  StartPlayer();
  TKIVO& kivo = MakeKivo();
  EXPECT_EQ(kivo.KIVOWindow(), Window->Handle);
  EXPECT_EQ(kivo.KIVOMessage(), RegisterWindowMessageA("WM_KIVO"));
  ProcessMessages();
  ASSERT_EQ(Window->Received.size(), 1u);
  EXPECT_EQ(Window->Received[0].Msg, kivo.KIVOMessage());
  EXPECT_EQ(Window->Received[0].WParam, 0x401u);
  EXPECT_EQ(Window->Received[0].LParam, HandleOf(kivo.WindowHandle));
}

TEST_F(KivoDiscoveryTest, TheFirstWindowClassWinsAndEveryLookupOverwritesTheWindow) {
  TFakeMainWindow second("TKivoForm");
  TKIVO& kivo = MakeKivo();
  EXPECT_EQ(kivo.GetKIVOHandle(), second.Handle);
  {
    TFakeMainWindow first("TFormKIVO");
    EXPECT_EQ(kivo.GetKIVOHandle(), first.Handle);
  }
  EXPECT_EQ(kivo.GetKIVOHandle(), second.Handle);
}

TEST_F(KivoDiscoveryTest, LookupWithoutPlayerWindowGivesNull) {
  TKIVO& kivo = MakeKivo();
  EXPECT_EQ(kivo.GetKIVOHandle(), nullptr);
  EXPECT_EQ(kivo.KIVOWindow(), nullptr);
}

// The window layer's helper program stands in for the player program: it
// writes down where and with what it was started, then runs its loop.
class KivoExecuteTest : public TKivoTest {
 protected:
  std::vector<std::string> RunHelper(const std::string& Params) {
    const std::string report = (Folder / "report.bin").string();
    setenv("KOLMIRA_PROBE_OUT", report.c_str(), 1);
    WriteHostPath(HKEY_CURRENT_USER, UserKey, KOLMIRA_WIN_HELPER);
    TKIVO& kivo = MakeKivo();
    EXPECT_TRUE(kivo.Execute(Params == "report" ? "report " + report + " x" : Params));
    unsetenv("KOLMIRA_PROBE_OUT");
    std::ifstream in(report, std::ios::binary);
    std::vector<std::string> fields;
    std::string field;
    while (std::getline(in, field, '\0')) fields.push_back(field);
    return fields;
  }
};

TEST_F(KivoExecuteTest, EmptyParametersStartTheProgramAloneInItsOwnDirectory) {
  const std::vector<std::string> fields = RunHelper("");
  ASSERT_EQ(fields.size(), 4u);
  EXPECT_EQ(fields[0], ExtractFileDir(KOLMIRA_WIN_HELPER));
}

TEST_F(KivoExecuteTest, ParametersFollowTheProgramPathAfterOneBlank) {
  const std::vector<std::string> fields = RunHelper("report");
  ASSERT_EQ(fields.size(), 7u);
  EXPECT_EQ(fields[4], "report");
  EXPECT_EQ(fields[5], (Folder / "report.bin").string());
  EXPECT_EQ(fields[6], "x");
}

TEST_F(KivoExecuteTest, AProgramThatCannotStartGivesFalse) {
  WriteHostPath(HKEY_CURRENT_USER, UserKey, (Folder / "missing.exe").string());
  EXPECT_FALSE(MakeKivo().Execute("x"));
}

class KivoBindTest : public TKivoTest {
 protected:
  void Listen(TKIVO& Kivo) {
    Kivo.OnBind = TNotifyEvent(&FBind, &TRecorder::Notify);
    Kivo.OnUnbind = TNotifyEvent(&FUnbind, &TRecorder::Notify);
  }
  void ExpectRefusal() {
    ASSERT_EQ(Dialogs.Shown.size(), 2u);
    EXPECT_EQ(Dialogs.Shown[0].Kind, TShown::TKind::Beep);
    EXPECT_EQ(Dialogs.Shown[0].Flags, 0x30u);
    EXPECT_EQ(Dialogs.Shown[1].Kind, TShown::TKind::Dialog);
    EXPECT_EQ(Dialogs.Shown[1].Text,
              "このバージョンのKIVOには対応していません\n対応版をお使いください");
    EXPECT_EQ(Dialogs.Shown[1].Type, mtWarning);
    EXPECT_EQ(Dialogs.Shown[1].Buttons, TMsgDlgButtons{mbOK});
    EXPECT_EQ(Dialogs.Shown[1].HelpContext, 0);
  }
  void ExpectBindError(const std::string& Text) {
    ASSERT_EQ(Dialogs.Shown.size(), 2u);
    EXPECT_EQ(Dialogs.Shown[0].Kind, TShown::TKind::Beep);
    EXPECT_EQ(Dialogs.Shown[0].Flags, 0x30u);
    EXPECT_EQ(Dialogs.Shown[1].Text, Text);
    EXPECT_EQ(Dialogs.Shown[1].Type, mtError);
    EXPECT_EQ(Dialogs.Shown[1].Buttons, TMsgDlgButtons{mbOK});
  }

  std::vector<std::string> Log;
  TRecorder FBind{Log, "OnBind"};
  TRecorder FUnbind{Log, "OnUnbind"};
};

TEST_F(KivoBindTest, BindingAttachesSendsTheMaskAndRaisesOnBind) {
  StartPlayer();
  TKIVO& kivo = MakeKivo();
  Listen(kivo);
  Player->AttachState = 7;
  kivo.Bind();
  EXPECT_TRUE(kivo.IsBound());
  EXPECT_THAT(Player->Operations(),
              ElementsAre("get_Handle", "get_Version", "CheckVersion", "Attach", "SetEvent"));
  EXPECT_EQ(Player->CallsOf("CheckVersion")[0].Args, std::vector<std::int64_t>{4300});
  const TCall attach = Player->CallsOf("Attach")[0];
  EXPECT_NE(attach.Args[0], 0);
  EXPECT_EQ(attach.Args[1], getpid());
  EXPECT_EQ(attach.Args[2], HandleOf(kivo.WindowHandle));
  EXPECT_EQ(Player->CallsOf("SetEvent")[0].Args,
            (std::vector<std::int64_t>{HandleOf(kivo.WindowHandle), 0xEFFFF81F}));
  EXPECT_EQ(KivoTestAccess::PluginState(kivo), 7);
  EXPECT_TRUE(kivo.IsPlugin());
  EXPECT_THAT(Log, ElementsAre("OnBind"));
  EXPECT_EQ(FBind.Senders[0], &kivo);
}

TEST_F(KivoBindTest, TheWindowComesFromThePlayersHandleProperty) {
  StartPlayer();
  TFakeMainWindow other("TFormKIVO");
  TKIVO& kivo = MakeKivo();
  EXPECT_EQ(kivo.KIVOWindow(), other.Handle);
  kivo.Bind();
  EXPECT_EQ(kivo.KIVOWindow(), Window->Handle);
}

TEST_F(KivoBindTest, BindingTwiceOrWhileDesigningDoesNothing) {
  TKIVO& kivo = BoundKivo();
  kivo.Bind();
  EXPECT_TRUE(Player->Calls.empty());
  kivo.Unbind();
  kivo.SetDesigning(true);
  Player->Calls.clear();
  kivo.Bind();
  EXPECT_FALSE(kivo.IsBound());
  EXPECT_TRUE(Player->Calls.empty());
}

TEST_F(KivoBindTest, AVersionOf6100PassesTheGate) {
  StartPlayer();
  Player->Longs["Version"] = 6100;
  MakeKivo().Bind();
  EXPECT_TRUE(Kivo->IsBound());
}

TEST_F(KivoBindTest, AVersionOf6099IsRefusedWithUnbindButNoBind) {
  StartPlayer();
  Player->Longs["Version"] = 6099;
  TKIVO& kivo = MakeKivo();
  Listen(kivo);
  Dialogs.Answers = {mrOk};
  kivo.Bind();
  EXPECT_FALSE(kivo.IsBound());
  EXPECT_THAT(Log, ElementsAre("OnUnbind"));
  EXPECT_THAT(Player->Operations(), ElementsAre("get_Handle", "get_Version", "Detach"));
  ExpectRefusal();
}

TEST_F(KivoBindTest, AVersionTestAnswerOfOneIsRefused) {
  StartPlayer();
  Player->Longs["Version"] = 7000;
  Player->VersionTestResult = S_FALSE;
  TKIVO& kivo = MakeKivo();
  Listen(kivo);
  Dialogs.Answers = {mrOk};
  kivo.Bind();
  EXPECT_FALSE(kivo.IsBound());
  EXPECT_THAT(Log, ElementsAre("OnUnbind"));
  EXPECT_EQ(Player->CallsOf("Attach").size(), 0u);
  ExpectRefusal();
}

TEST_F(KivoBindTest, AMissingPlayerClassIsReportedWithItsCode) {
  Window = std::make_unique<TFakeMainWindow>();
  TKIVO& kivo = MakeKivo();
  Dialogs.Answers = {mrOk};
  kivo.Bind();
  EXPECT_FALSE(kivo.IsBound());
  ExpectBindError("KIVOControl Create Instance Error[80040154]");
}

TEST_F(KivoBindTest, ARefusedInterfaceIsReportedAndNothingIsKept) {
  StartPlayer();
  Player->Refused = {IID_IKIVOLyrics};
  TKIVO& kivo = MakeKivo();
  const ULONG before = Player->References();
  Dialogs.Answers = {mrOk};
  kivo.Bind();
  EXPECT_FALSE(kivo.IsBound());
  ExpectBindError("IKIVOLyrics Interface Error[80004002]");
  EXPECT_EQ(Player->References(), before) << "references of the failed attempt are released";
  EXPECT_TRUE(Player->Calls.empty());
}

TEST_F(KivoBindTest, EachInterfaceHasItsOwnMessage) {
  StartPlayer();
  Player->Refused = {IID_IKIVOMenu};
  Dialogs.Answers = {mrOk};
  MakeKivo().Bind();
  ExpectBindError("IKIVOMenu Interface Error[80004002]");
}

TEST_F(KivoBindTest, AFailedHandleReadAnsweredYesEndsBindingWithItsMessage) {
  StartPlayer();
  Player->Failures["get_Handle"] = E_FAIL;
  TKIVO& kivo = MakeKivo();
  Dialogs.Answers = {IDYES, mrOk};
  kivo.Bind();
  EXPECT_FALSE(kivo.IsBound());
  ASSERT_EQ(Dialogs.Shown.size(), 3u);
  const std::string report =
      "(this->get_Handle((long*)&Value)) Error: 80004005 (-2147467259) @ Kivo_tlb.h/1622";
  EXPECT_EQ(Dialogs.Shown[0].Caption, "HRCHECK: ");
  EXPECT_EQ(Dialogs.Shown[0].Text,
            report + "\nPress [Y]es to terminate, [N]o to continue and [C]ancel to Debug");
  EXPECT_EQ(Dialogs.Shown[1].Kind, TShown::TKind::Beep);
  EXPECT_EQ(Dialogs.Shown[2].Text, report);
  EXPECT_EQ(Dialogs.Shown[2].Type, mtError);
}

TEST_F(KivoBindTest, AFailedVersionReadAnsweredNoReadsAsVersionZeroAndIsRefused) {
  StartPlayer();
  Player->Failures["get_Version"] = E_FAIL;
  Player->WritesOutValuesOnFailure = true;
  TKIVO& kivo = MakeKivo();
  Dialogs.Answers = {IDNO, mrOk};
  kivo.Bind();
  EXPECT_FALSE(kivo.IsBound());
  ASSERT_EQ(Dialogs.Shown.size(), 3u);
  EXPECT_EQ(Dialogs.Shown[0].Text,
            "(this->get_Version((long*)&Value)) Error: 80004005 (-2147467259) @ Kivo_tlb.h/1602"
            "\nPress [Y]es to terminate, [N]o to continue and [C]ancel to Debug");
  EXPECT_EQ(Dialogs.Shown[2].Type, mtWarning);
}

TEST_F(KivoBindTest, UnbindDetachesDropsTheInterfacesAndKeepsMaskAndWindow) {
  StartPlayer();
  const ULONG before = Player->References();
  TKIVO& kivo = MakeKivo();
  kivo.Bind();
  EXPECT_EQ(Player->References(), before + 4) << "one reference per interface";
  Listen(kivo);
  kivo.SetEvent(0x1234);
  Player->Calls.clear();
  kivo.Unbind();
  EXPECT_FALSE(kivo.IsBound());
  EXPECT_THAT(Player->Operations(), ElementsAre("Detach"));
  EXPECT_EQ(Player->Calls[0].Args, std::vector<std::int64_t>{HandleOf(kivo.WindowHandle)});
  EXPECT_EQ(Player->References(), before);
  EXPECT_EQ(KivoTestAccess::EventMask(kivo), 0x1234u);
  EXPECT_EQ(kivo.KIVOWindow(), Window->Handle);
  EXPECT_THAT(Log, ElementsAre("OnUnbind"));
  kivo.Unbind();
  EXPECT_THAT(Log, ElementsAre("OnUnbind"));
}

TEST_F(KivoBindTest, RebindingSendsTheMaskSetWhileUnbound) {
  TKIVO& kivo = BoundKivo();
  kivo.Unbind();
  kivo.SetEvent(0);
  EXPECT_TRUE(kivo.GetEvents().Empty());
  kivo.Bind();
  EXPECT_EQ(Player->CallsOf("SetEvent").back().Args[1], 0);
}

TEST_F(KivoBindTest, DestroyingABoundComponentDetachesAndRaisesOnUnbind) {
  TKIVO& kivo = BoundKivo();
  Listen(kivo);
  const LONG window = HandleOf(kivo.WindowHandle);
  Kivo.reset();
  EXPECT_THAT(Player->Operations(), ElementsAre("Detach"));
  EXPECT_EQ(Player->Calls[0].Args, std::vector<std::int64_t>{window});
  EXPECT_THAT(Log, ElementsAre("OnUnbind"));
}

TEST_F(KivoBindTest, LifecycleCommandsReachThePlayerOnlyWhileBound) {
  TKIVO& kivo = MakeKivo();
  kivo.Close();
  kivo.Abort();
  kivo.ShutDown();
  EXPECT_TRUE(Player->Calls.empty());
  Kivo.reset();
  BoundKivo();
  Kivo->Close();
  Kivo->Abort();
  Kivo->ShutDown();
  EXPECT_THAT(Player->Operations(), ElementsAre("Close", "Abort", "ShutDown"));
  EXPECT_EQ(Player->Calls[1].Args, std::vector<std::int64_t>{HandleOf(Kivo->WindowHandle)});
  EXPECT_TRUE(Kivo->IsBound());
}

TEST_F(KivoBindTest, VersionQueriesAnswerOnlyWhileBound) {
  TKIVO& kivo = MakeKivo();
  EXPECT_EQ(kivo.GetVersion(), 0);
  EXPECT_FALSE(kivo.CheckVersion(4300));
  Kivo.reset();
  BoundKivo();
  Player->Longs["Version"] = 6123;
  EXPECT_EQ(Kivo->GetVersion(), 6123);
  EXPECT_TRUE(Kivo->CheckVersion(1));
  Player->VersionTestResult = S_FALSE;
  EXPECT_FALSE(Kivo->CheckVersion(1));
  EXPECT_EQ(Player->CallsOf("CheckVersion")[1].Args, std::vector<std::int64_t>{1});
}

TEST_F(KivoBindTest, PluginStateOneIsNotAPluginAndZeroLooksAtTheCommandLine) {
  StartPlayer();
  Player->AttachState = 1;
  MakeKivo().Bind();
  EXPECT_FALSE(Kivo->IsPlugin());
  Kivo.reset();
  Player->AttachState = 0x100;  // only the lowest byte counts
  MakeKivo().Bind();
  EXPECT_EQ(KivoTestAccess::PluginState(*Kivo), 0);
  EXPECT_FALSE(Kivo->IsPlugin()) << "this test program has no /PLUGIN argument";
}

TEST_F(KivoBindTest, AutoLinkBindsOnlyOutsideLoadingAndWithAPlayerWindow) {
  StartPlayer();
  TKIVO& kivo = MakeKivo();
  ReadComponent(kivo, [&] {
    kivo.SetAutoLink(true);
    EXPECT_FALSE(kivo.IsBound());
  });
  EXPECT_TRUE(kivo.IsBound()) << "Loaded binds";
  kivo.Unbind();
  kivo.SetAutoLink(false);
  EXPECT_FALSE(kivo.IsBound());
  EXPECT_FALSE(kivo.AutoLink());
  kivo.SetAutoLink(true);
  EXPECT_TRUE(kivo.IsBound());
}

TEST_F(KivoBindTest, LoadedWithoutAutoLinkDoesNotBind) {
  StartPlayer();
  TKIVO& kivo = MakeKivo();
  ReadComponent(kivo, [&] { kivo.SetAutoLink(false); });
  EXPECT_FALSE(kivo.IsBound());
}

TEST_F(KivoBindTest, RegisterPlacesTheComponentOnItsPalettePage) {
  Kivo::Register();
  EXPECT_THAT(PaletteComponents("SOLVANE"), ElementsAre("TKIVO"));
  EXPECT_TRUE(PaletteComponents("Standard").empty());
}

// IsPlugin looks at the process's own command line, so these cases run
// this program again with the argument in question; the first case is the
// one the second run performs.
TEST(KivoPluginArgument, ReportsIsPluginOnlyInsideASecondRun) {
  const char* expected = std::getenv("KIVO_EXPECT_PLUGIN");
  if (expected == nullptr) GTEST_SKIP() << "runs inside KivoPluginArgument's other case";
  TKIVO kivo(nullptr);
  if (const char* state = std::getenv("KIVO_PLUGIN_STATE"))
    KivoTestAccess::SetPluginState(kivo, static_cast<std::uint8_t>(std::atoi(state)));
  EXPECT_EQ(kivo.IsPlugin(), std::string(expected) == "1");
}

// The plug-in state the player answered at attach; 0 is no answer.
bool SecondRunAgrees(const std::string& Argument, bool Expected, int PluginState = 0) {
  const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  const std::string command =
      "KIVO_PLUGIN_STATE=" + std::to_string(PluginState) +
      " KIVO_EXPECT_PLUGIN=" + (Expected ? "1" : "0") + " '" + self + "' " + Argument +
      " --gtest_filter=KivoPluginArgument.ReportsIsPluginOnlyInsideASecondRun"
      " >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

TEST(KivoPluginArgument, AnArgumentThatIsSlashPluginInAnyCaseMakesAPlugin) {
  EXPECT_TRUE(SecondRunAgrees("/Plugin", true));
  EXPECT_FALSE(SecondRunAgrees("/Plugin", false)) << "the second run really looks";
  EXPECT_TRUE(SecondRunAgrees("/PLUGINS", false));
  EXPECT_TRUE(SecondRunAgrees("x", false));
}

TEST(KivoPluginArgument, APlayersAnswerOfOneOutweighsTheArgument) {
  EXPECT_TRUE(SecondRunAgrees("/plugin", false, 1));
  EXPECT_TRUE(SecondRunAgrees("x", true, 2));
}

class KivoRawMessageTest : public TKivoTest {};

TEST_F(KivoRawMessageTest, PostWithoutPlayerWindowFails) {
  EXPECT_FALSE(MakeKivo().Post(0x8001, 1, 2));
}

TEST_F(KivoRawMessageTest, PostToAStaleWindowFindsTheWindowAgain) {
  StartPlayer();
  Player->Longs["Handle"] = 0x7FFF0000;  // no such window
  TKIVO& kivo = MakeKivo();
  kivo.Bind();
  ProcessMessages();
  Window->Received.clear();
  EXPECT_TRUE(kivo.Post(0x8001, -1, -2));
  EXPECT_EQ(kivo.KIVOWindow(), Window->Handle);
  ProcessMessages();
  ASSERT_EQ(Window->Received.size(), 1u);
  EXPECT_EQ(Window->Received[0].Msg, 0x8001u);
  EXPECT_EQ(Window->Received[0].WParam, 0xFFFFFFFFu);
  EXPECT_EQ(Window->Received[0].LParam, -2);
}

TEST_F(KivoRawMessageTest, RequestLooksTheWindowUpAgainEvenWhenOneIsKnown) {
  StartPlayer();
  Player->Longs["Handle"] = 0x7FFF0000;  // no such window
  TKIVO& kivo = MakeKivo();
  kivo.Bind();
  ProcessMessages();
  ASSERT_NE(kivo.KIVOWindow(), Window->Handle);
  Window->Received.clear();
  Window->Answer = 17;
  EXPECT_EQ(kivo.Request(0x8003, 5, 6), 17);
  EXPECT_EQ(kivo.KIVOWindow(), Window->Handle);
  ASSERT_EQ(Window->Received.size(), 1u);
  EXPECT_EQ(Window->Received[0].Msg, 0x8003u);
}

TEST_F(KivoRawMessageTest, RequestLooksTheWindowUpAndReturnsTheAnswer) {
  TKIVO& kivo = MakeKivo();
  EXPECT_EQ(kivo.Request(0x8002, 3, 4), 0);
  TFakeMainWindow window;
  window.Answer = 42;
  EXPECT_EQ(kivo.Request(0x8002, 3, 4), 42);
  ASSERT_EQ(window.Received.size(), 1u);
  EXPECT_EQ(window.Received[0].WParam, 3u);
  EXPECT_EQ(window.Received[0].LParam, 4);
}

}  // namespace
}  // namespace kivo_test
