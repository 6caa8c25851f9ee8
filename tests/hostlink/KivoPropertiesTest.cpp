// The player's properties, commands and value readers, unbound and bound,
// with the reports of failed reads and of a missing interface.
#include <functional>

#include "hostlink/KivoReports.h"
#include "platform/com/ComObj.h"
#include "tests/hostlink/KivoTestSupport.h"

namespace kivo_test {
namespace {

using ::testing::ElementsAre;

constexpr const char* ReportQuestion =
    "\nPress [Y]es to terminate, [N]o to continue and [C]ancel to Debug";

struct TIntReader {
  const char* Name;
  int (TKIVO::*Read)();
  int Unbound;
};

const TIntReader IntReaders[] = {
    {"Left", &TKIVO::GetLeft, -1},
    {"Top", &TKIVO::GetTop, -1},
    {"Width", &TKIVO::GetWidth, -1},
    {"Height", &TKIVO::GetHeight, -1},
    {"PlayStatus", &TKIVO::GetPlayStatus, 524},
    {"Tracks", &TKIVO::GetTracks, 0},
    {"Track", &TKIVO::GetTrack, 0},
    {"Length", &TKIVO::GetLength, 0},
    {"Position", &TKIVO::GetPosition, 0},
    {"Volume", &TKIVO::GetVolume, 0},
    {"Counter", &TKIVO::GetCounter, 0},
    {"OnTime", &TKIVO::GetOnTime, 0},
    {"OffTime", &TKIVO::GetOffTime, 0},
    {"RecLevel", &TKIVO::GetRecLevel, 100},
    {"Rate", &TKIVO::GetRate, 100},
    {"AdjustVolLevel", &TKIVO::GetAdjustVolLevel, 100},
    {"AdjustSpeanaLevel", &TKIVO::GetAdjustSpeanaLevel, 100},
};

struct TBoolReader {
  const char* Name;
  bool (TKIVO::*Read)();
};

const TBoolReader BoolReaders[] = {
    {"Repeat", &TKIVO::GetRepeat},         {"Random", &TKIVO::GetRandom},
    {"RemainTime", &TKIVO::GetRemainTime}, {"OnTimer", &TKIVO::GetOnTimer},
    {"OffTimer", &TKIVO::GetOffTimer},     {"ShutDownRecord", &TKIVO::GetShutDownRecord},
};

struct TIntWriter {
  const char* Operation;
  void (TKIVO::*Write)(int);
};

const TIntWriter IntWriters[] = {
    {"set_Left", &TKIVO::SetLeft},
    {"set_Top", &TKIVO::SetTop},
    {"set_Track", &TKIVO::SetTrack},
    {"set_Position", &TKIVO::SetPosition},
    {"set_Volume", &TKIVO::SetVolume},
    {"set_Counter", &TKIVO::SetCounter},
    {"set_OnTime", &TKIVO::SetOnTime},
    {"set_OffTime", &TKIVO::SetOffTime},
    {"set_RecLevel", &TKIVO::SetRecLevel},
    {"set_Rate", &TKIVO::SetRate},
    {"set_AdjustVolLevel", &TKIVO::SetAdjustVolLevel},
    {"set_AdjustSpeanaLevel", &TKIVO::SetAdjustSpeanaLevel},
    {"Click", &TKIVO::Click},
};

struct TBoolWriter {
  const char* Operation;
  void (TKIVO::*Write)(bool);
  std::int64_t True;
};

const TBoolWriter BoolWriters[] = {
    {"set_Repeat", &TKIVO::SetRepeat, -1},
    {"set_Random", &TKIVO::SetRandom, -1},
    {"set_RemainTime", &TKIVO::SetRemainTime, -1},
    {"set_OnTimer", &TKIVO::SetOnTimer, -1},
    {"set_OffTimer", &TKIVO::SetOffTimer, -1},
    {"set_ShutDownRecord", &TKIVO::SetShutDownRecord, -1},
    {"set_Visible", &TKIVO::SetVisible, 1},
    {"FF", &TKIVO::FF, 1},
    {"Rewind", &TKIVO::Rewind, 1},
};

struct TCommand {
  const char* Operation;
  void (TKIVO::*Run)();
};

const TCommand Commands[] = {
    {"Play", &TKIVO::Play},
    {"Stop", &TKIVO::Stop},
    {"Pause", &TKIVO::Pause},
    {"Next", &TKIVO::Next},
    {"Back", &TKIVO::Back},
    {"Eject", &TKIVO::Eject},
    {"ShowMenu", &TKIVO::ShowMenu},
    {"ShowToolMenu", &TKIVO::ShowToolMenu},
    {"ShowPlayList", &TKIVO::ShowPlayList},
    {"ShowProperty", &TKIVO::ShowProperty},
    {"SaveKIVOini", &TKIVO::SaveKIVOini},
    {"New", &TKIVO::New},
};

// Every member that can reach the player, called once.
void CallEverything(TKIVO& Kivo) {
  for (const TIntWriter& writer : IntWriters) (Kivo.*writer.Write)(5);
  for (const TBoolWriter& writer : BoolWriters) (Kivo.*writer.Write)(true);
  for (const TCommand& command : Commands) (Kivo.*command.Run)();
  Kivo.SetDisplayMode(dmSpectrumPeaks);
  Kivo.Seek(1, 2);
  Kivo.KeyDown(65, {ssShift});
  Kivo.GetFormImage("x.bmp");
  Kivo.Add("a.wav");
  Kivo.Load("a.kpl");
  Kivo.Save("b.kpl");
}

class KivoUnboundTest : public TKivoTest {};

TEST_F(KivoUnboundTest, EveryReaderGivesItsFixedResultAndAsksNothing) {
  StartPlayer();
  TKIVO& kivo = MakeKivo();
  for (const TIntReader& reader : IntReaders)
    EXPECT_EQ((kivo.*reader.Read)(), reader.Unbound) << reader.Name;
  for (const TBoolReader& reader : BoolReaders) EXPECT_FALSE((kivo.*reader.Read)()) << reader.Name;
  EXPECT_FALSE(kivo.GetVisible());
  EXPECT_EQ(kivo.GetDisplayMode(), 0);
  EXPECT_EQ(kivo.GetColor(3), 0x1FFFFFFF);
  int left = 9;
  int right = 9;
  kivo.GetVolumes(&left, &right);
  EXPECT_EQ(left, 0);
  EXPECT_EQ(right, 0);
  int levels[10] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
  kivo.GetSpeana(levels);
  EXPECT_THAT(levels, ::testing::Each(0));
  EXPECT_TRUE(Player->Calls.empty());
  EXPECT_TRUE(Dialogs.Shown.empty());
}

TEST_F(KivoUnboundTest, WritersAndCommandsSendNothing) {
  StartPlayer();
  TKIVO& kivo = MakeKivo();
  CallEverything(kivo);
  EXPECT_TRUE(Player->Calls.empty());
  EXPECT_TRUE(Dialogs.Shown.empty());
}

class KivoBoundPropertiesTest : public TKivoTest {};

TEST_F(KivoBoundPropertiesTest, ReadersReturnThePlayersValues) {
  TKIVO& kivo = BoundKivo();
  LONG value = 1000;
  for (const TIntReader& reader : IntReaders) Player->Longs[reader.Name] = ++value;
  value = 1000;
  for (const TIntReader& reader : IntReaders) {
    EXPECT_EQ((kivo.*reader.Read)(), ++value) << reader.Name;
    EXPECT_EQ(Player->Calls.back().Operation, std::string("get_") + reader.Name);
  }
  for (const TBoolReader& reader : BoolReaders) {
    Player->Bools[reader.Name] = 1;  // any non-zero value is true
    EXPECT_TRUE((kivo.*reader.Read)()) << reader.Name;
    Player->Bools[reader.Name] = 0;
    EXPECT_FALSE((kivo.*reader.Read)()) << reader.Name;
    EXPECT_EQ(Player->Calls.back().Operation, std::string("get_") + reader.Name);
  }
  Player->Longs["Visible"] = 2;
  EXPECT_TRUE(kivo.GetVisible());
  Player->Longs["DisplayMode"] = 4;
  EXPECT_EQ(kivo.GetDisplayMode(), dmSpectrumFalling);
  EXPECT_TRUE(Dialogs.Shown.empty());
}

TEST_F(KivoBoundPropertiesTest, WritersSendTheirValuesAndTrueAsTheInterfaceWantsIt) {
  TKIVO& kivo = BoundKivo();
  for (const TIntWriter& writer : IntWriters) {
    (kivo.*writer.Write)(-77);
    EXPECT_EQ(Player->Calls.back().Operation, writer.Operation);
    EXPECT_EQ(Player->Calls.back().Args, std::vector<std::int64_t>{-77});
  }
  for (const TBoolWriter& writer : BoolWriters) {
    (kivo.*writer.Write)(true);
    EXPECT_EQ(Player->Calls.back().Operation, writer.Operation);
    EXPECT_EQ(Player->Calls.back().Args, std::vector<std::int64_t>{writer.True});
    (kivo.*writer.Write)(false);
    EXPECT_EQ(Player->Calls.back().Args, std::vector<std::int64_t>{0});
  }
  kivo.SetDisplayMode(dmSpectrumBars);
  EXPECT_EQ(Player->Calls.back().Args, std::vector<std::int64_t>{2});
}

TEST_F(KivoBoundPropertiesTest, CommandsReachTheirOperationsWithTheirArguments) {
  TKIVO& kivo = BoundKivo();
  for (const TCommand& command : Commands) {
    (kivo.*command.Run)();
    EXPECT_EQ(Player->Calls.back().Operation, command.Operation);
    EXPECT_TRUE(Player->Calls.back().Args.empty());
  }
  kivo.Seek(-3, 70000);
  EXPECT_EQ(Player->Calls.back().Args, (std::vector<std::int64_t>{-3, 70000}));
  kivo.KeyDown(0xFFFF, {ssShift, ssCtrl, ssDouble});
  EXPECT_EQ(Player->Calls.back().Operation, "KeyDown");
  EXPECT_EQ(Player->Calls.back().Args, (std::vector<std::int64_t>{0xFFFF, 0x45}));
}

TEST_F(KivoBoundPropertiesTest, TextsTravelWhole) {
  TKIVO& kivo = BoundKivo();
  const std::string name = "/music/Björk – 曲.wav";
  kivo.Add(name);
  kivo.Load("list.kpl");
  kivo.Save("");
  kivo.GetFormImage("form.bmp");
  ASSERT_EQ(Player->Calls.size(), 4u);
  EXPECT_THAT(Player->Calls[0].Texts, ElementsAre(name));
  EXPECT_EQ(Player->Calls[1].Operation, "Load");
  EXPECT_THAT(Player->Calls[1].Texts, ElementsAre("list.kpl"));
  EXPECT_EQ(Player->Calls[2].Operation, "Save");
  EXPECT_THAT(Player->Calls[2].Texts, ElementsAre(""));
  EXPECT_THAT(Player->Calls[3].Texts, ElementsAre("form.bmp"));
}

TEST_F(KivoBoundPropertiesTest, FailedWritesAndCommandsShowNothing) {
  TKIVO& kivo = BoundKivo();
  for (const std::string operation : {"set_Left", "Play", "set_Repeat", "Add", "Seek"})
    Player->Failures[operation] = E_FAIL;
  kivo.SetLeft(1);
  kivo.Play();
  kivo.SetRepeat(true);
  kivo.Add("x");
  kivo.Seek(1, 2);
  EXPECT_EQ(Player->Calls.size(), 5u);
  EXPECT_TRUE(Dialogs.Shown.empty());
}

TEST_F(KivoBoundPropertiesTest, ValueReadersFillTheCallersValues) {
  TKIVO& kivo = BoundKivo();
  Player->Volumes = {12, 34};
  Player->Spectrum = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  Player->Colors[5] = 0x00FF00;
  int left = 0;
  int right = 0;
  kivo.GetVolumes(&left, &right);
  EXPECT_EQ(left, 12);
  EXPECT_EQ(right, 34);
  int levels[10] = {};
  kivo.GetSpeana(levels);
  EXPECT_THAT(levels, ElementsAre(0, 1, 2, 3, 4, 5, 6, 7, 8, 9));
  EXPECT_EQ(kivo.GetColor(5), 0x00FF00);
  EXPECT_EQ(Player->Calls.back().Args, std::vector<std::int64_t>{5});
}

TEST_F(KivoBoundPropertiesTest, FailedValueReadsGiveTheUnboundValuesWhateverThePlayerLeft) {
  TKIVO& kivo = BoundKivo();
  Player->WritesOutValuesOnFailure = true;
  Player->Volumes = {12, 34};
  Player->Spectrum.fill(7);
  Player->Colors[1] = 5;
  for (const std::string operation : {"GetVolumes", "GetSpeana", "GetColor"})
    Player->Failures[operation] = E_FAIL;
  int left = 1;
  int right = 1;
  kivo.GetVolumes(&left, &right);
  EXPECT_EQ(left + right, 0);
  int levels[10] = {};
  kivo.GetSpeana(levels);
  EXPECT_THAT(levels, ::testing::Each(0));
  EXPECT_EQ(kivo.GetColor(1), 0x1FFFFFFF);
  EXPECT_TRUE(Dialogs.Shown.empty());
}

class KivoReportTest : public TKivoTest {
 protected:
  std::string LeftReport() {
    return "(this->get_Left((long*)&Value)) Error: 80004005 (-2147467259) @ Kivo_tlb.h/" +
           std::to_string(ReportLine());
  }
  // The line a report names is the implementation's; read it off the
  // first report so the rest of the text can be checked exactly.
  int ReportLine() const {
    const std::string& text = Dialogs.Shown.at(0).Text;
    const std::size_t slash = text.find("Kivo_tlb.h/");
    return std::stoi(text.substr(slash + 11));
  }
};

TEST_F(KivoReportTest, AFailedReadWithoutSystemTextShowsTheCodeAndContinuesOnNo) {
  TKIVO& kivo = BoundKivo();
  Player->Failures["get_Left"] = E_FAIL;
  Player->WritesOutValuesOnFailure = true;
  Dialogs.Answers = {IDNO};
  EXPECT_EQ(kivo.GetLeft(), -1) << "a failed read gives the unbound result";
  ASSERT_EQ(Dialogs.Shown.size(), 1u);
  EXPECT_EQ(Dialogs.Shown[0].Kind, TShown::TKind::Box);
  EXPECT_EQ(Dialogs.Shown[0].Caption, "HRCHECK: ");
  EXPECT_EQ(Dialogs.Shown[0].Flags, 0x2023u);
  EXPECT_EQ(Dialogs.Shown[0].Text, LeftReport() + ReportQuestion);
  EXPECT_TRUE(kivo.IsBound());
}

TEST_F(KivoReportTest, YesRaisesTheComposedTextWithTheCode) {
  TKIVO& kivo = BoundKivo();
  Player->Failures["get_Left"] = E_FAIL;
  Dialogs.Answers = {IDYES};
  try {
    kivo.GetLeft();
    FAIL() << "no exception";
  } catch (const EOleException& error) {
    EXPECT_EQ(error.Message(), LeftReport());
    EXPECT_EQ(error.ErrorCode(), E_FAIL);
    EXPECT_EQ(error.Source(), "Kivo_tlb.h");
    EXPECT_EQ(error.HelpFile(), "");
    EXPECT_EQ(error.HelpContext(), 0);
  }
  EXPECT_TRUE(kivo.IsBound());
}

TEST_F(KivoReportTest, CancelWithoutDebuggerContinuesAsNo) {
  TKIVO& kivo = BoundKivo();
  Player->Failures["get_RecLevel"] = E_FAIL;
  Player->Failures["get_Repeat"] = E_FAIL;
  Player->WritesOutValuesOnFailure = true;
  Dialogs.Answers = {IDCANCEL, IDCANCEL};
  EXPECT_EQ(kivo.GetRecLevel(), 100);
  EXPECT_FALSE(kivo.GetRepeat());
  ASSERT_EQ(Dialogs.Shown.size(), 2u);
  EXPECT_EQ(Dialogs.Shown[1].Text.rfind("(this->get_Repeat((VARIANT_BOOL*)&Value)) Error: ", 0),
            0u);
}

TEST_F(KivoReportTest, ACodeWithSystemTextIsQuotedWithThatText) {
  TKIVO& kivo = BoundKivo();
  Player->Failures["get_DisplayMode"] = E_NOINTERFACE;
  Dialogs.Answers = {IDNO};
  EXPECT_EQ(kivo.GetDisplayMode(), 0);
  const std::string expected =
      ComposeResultText(E_NOINTERFACE, "this->get_DisplayMode((Kivo_tlb::TKIVODisplayMode*)&Mode)",
                        "Kivo_tlb.h", ReportLine());
  EXPECT_EQ(expected.rfind("'this->get_DisplayMode((Kivo_tlb::TKIVODisplayMode*)&Mode)': ", 0), 0u);
  EXPECT_NE(expected.find("\r\n @ Kivo_tlb.h/"), std::string::npos)
      << "the system text keeps its line break: " << expected;
  EXPECT_EQ(Dialogs.Shown[0].Text, expected + ReportQuestion);
}

TEST_F(KivoReportTest, ReportTextsOfAnyLengthAreKeptWhole) {
  const std::string callText(5000, 'c');
  const std::string text = ComposeResultText(E_FAIL, callText, "Kivo_tlb.h", 7);
  EXPECT_EQ(text, "(" + callText + ") Error: 80004005 (-2147467259) @ Kivo_tlb.h/7");
  Dialogs.Answers = {IDNO};
  EXPECT_EQ(CheckResult(E_FAIL, callText, "Kivo_tlb.h", 7), E_FAIL);
  EXPECT_EQ(Dialogs.Shown[0].Text, text + ReportQuestion);
}

TEST_F(KivoReportTest, GetPositionUnbindsInsteadOfRaising) {
  TKIVO& kivo = BoundKivo();
  std::vector<std::string> log;
  TRecorder unbind(log, "OnUnbind");
  kivo.OnUnbind = TNotifyEvent(&unbind, &TRecorder::Notify);
  Player->Failures["get_Position"] = E_FAIL;
  Dialogs.Answers = {IDYES};
  EXPECT_EQ(kivo.GetPosition(), 0);
  EXPECT_FALSE(kivo.IsBound());
  EXPECT_THAT(log, ElementsAre("OnUnbind"));
  EXPECT_THAT(Player->Operations(), ElementsAre("get_Position", "Detach"));
}

TEST_F(KivoReportTest, GetPositionAnsweredNoStaysBound) {
  TKIVO& kivo = BoundKivo();
  Player->Failures["get_Position"] = E_FAIL;
  Dialogs.Answers = {IDNO};
  EXPECT_EQ(kivo.GetPosition(), 0);
  EXPECT_TRUE(kivo.IsBound());
}

TEST_F(KivoReportTest, AnEmptyHolderIsReportedAndNothingIsCalledAfterNo) {
  TKIVO& kivo = BoundKivo();
  KivoTestAccess::EmptyControlHolder(kivo);
  Player->Longs["Left"] = 5;
  // The last answer is for detaching when the component is destroyed.
  Dialogs.Answers = {IDNO, IDCANCEL, IDNO, IDNO};
  EXPECT_EQ(kivo.GetLeft(), -1);
  kivo.Play();
  EXPECT_EQ(kivo.GetColor(1), 0x1FFFFFFF);
  EXPECT_TRUE(Player->Calls.empty());
  ASSERT_GE(Dialogs.Shown.size(), 3u);
  EXPECT_EQ(Dialogs.Shown[0].Caption, "_ASSERTE: ");
  EXPECT_EQ(Dialogs.Shown[0].Flags, 0x2023u);
  EXPECT_EQ(Dialogs.Shown[0].Text.rfind("intf != 0 @ KivoHolder.h/", 0), 0u);
  EXPECT_NE(Dialogs.Shown[0].Text.find(ReportQuestion), std::string::npos);
}

TEST_F(KivoReportTest, AnEmptyHolderAnsweredYesRaises) {
  TKIVO& kivo = BoundKivo();
  KivoTestAccess::EmptyControlHolder(kivo);
  Dialogs.Answers = {IDYES, IDNO};
  try {
    kivo.SetLeft(3);
    FAIL() << "no exception";
  } catch (const EOleException& error) {
    const std::string& shown = Dialogs.Shown.at(0).Text;
    const std::string position = shown.substr(12, shown.find('\n') - 12);  // "KivoHolder.h/N"
    EXPECT_EQ(error.Message(), "intf != 0 failed - " + position);
    EXPECT_EQ(error.ErrorCode(), E_FAIL);
    EXPECT_EQ(error.Source(), "KivoHolder.h");
  }
  EXPECT_TRUE(Player->Calls.empty());
}

}  // namespace
}  // namespace kivo_test
