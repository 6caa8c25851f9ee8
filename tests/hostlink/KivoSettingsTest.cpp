// The design file's path and the player's tool list in the player settings
// file beside the player program.
#include "platform/vcl/IniFiles.h"
#include "platform/vcl/SysUtils.h"
#include "tests/hostlink/KivoTestSupport.h"

namespace kivo_test {
namespace {

class KivoSettingsTest : public TKivoTest {
 protected:
  void SetUp() override {
    TKivoTest::SetUp();
    ProgramPath = InstallPlayer();
    SettingsPath = (Folder / "player" / "kivo.ini").string();
  }

  TIniFile Settings() const { return TIniFile(SettingsPath); }

  // The tool-change messages that reached the player's window.
  int ToolChanges() {
    ProcessMessages();
    int count = 0;
    for (const TFakeMainWindow::TReceived& message : Window->Received)
      if (message.Msg == Kivo->KIVOMessage() && message.WParam == 0x403 && message.LParam == 0)
        ++count;
    return count;
  }

  std::string ProgramPath;
  std::string SettingsPath;
};

TEST_F(KivoSettingsTest, UnboundARelativeDesignIsResolvedBesideTheProgram) {
  Settings().WriteString("KIVO", "Design", "skins/../skins/blue/blue.ini");
  const std::string before = GetCurrentDir();
  EXPECT_EQ(MakeKivo().GetDesign(), (Folder / "player" / "skins" / "blue" / "blue.ini").string());
  EXPECT_EQ(GetCurrentDir(), before) << "the current directory is restored";
}

TEST_F(KivoSettingsTest, UnboundAnAbsoluteDesignIsOnlyNormalised) {
  Settings().WriteString("KIVO", "Design", "/skins/./red//red.ini");
  EXPECT_EQ(MakeKivo().GetDesign(), "/skins/red/red.ini");
}

TEST_F(KivoSettingsTest, UnboundAnEmptyOrMissingDesignIsEmpty) {
  TKIVO& kivo = MakeKivo();
  EXPECT_EQ(kivo.GetDesign(), "");
  Settings().WriteString("KIVO", "Design", "");
  EXPECT_EQ(kivo.GetDesign(), "");
}

TEST_F(KivoSettingsTest, BoundTheDesignIsThePlayersAsItCame) {
  Settings().WriteString("KIVO", "Design", "file.ini");
  TKIVO& kivo = BoundKivo();
  Player->Texts["Design"] = "skins/Grün/../x.ini";
  EXPECT_EQ(kivo.GetDesign(), "skins/Grün/../x.ini");
  kivo.SetDesign("other/ß.ini");
  EXPECT_EQ(Player->Calls.back().Operation, "set_Design");
  EXPECT_THAT(Player->Calls.back().Texts, ::testing::ElementsAre("other/ß.ini"));
  EXPECT_EQ(Settings().ReadString("KIVO", "Design", "?"), "file.ini");
}

TEST_F(KivoSettingsTest, AFailedDesignReadIsReportedAndFallsBackToTheSettingsFile) {
  Settings().WriteString("KIVO", "Design", "/skins/a.ini");
  TKIVO& kivo = BoundKivo();
  Player->Failures["get_Design"] = E_FAIL;
  Dialogs.Answers = {IDNO};
  EXPECT_EQ(kivo.GetDesign(), "/skins/a.ini");
  EXPECT_EQ(Dialogs.Shown.at(0).Text.rfind("(this->get_Design((BSTR*)&Value)) Error: 80004005", 0),
            0u);
}

TEST_F(KivoSettingsTest, UnboundSetDesignWritesThePathUnchanged) {
  TKIVO& kivo = MakeKivo();
  kivo.SetDesign("skins/./green.ini");
  EXPECT_EQ(Settings().ReadString("KIVO", "Design", ""), "skins/./green.ini");
  EXPECT_EQ(kivo.GetDesign(), (Folder / "player" / "skins" / "green.ini").string());
}

TEST_F(KivoSettingsTest, ToolsAreKeptInTheirSectionAndAnnouncedToThePlayer) {
  StartPlayer();
  TKIVO& kivo = MakeKivo();
  EXPECT_FALSE(kivo.ToolExists("Visualiser"));
  kivo.SetTool("Visualiser", "kolmira.so,1");
  EXPECT_EQ(Settings().ReadString("Tool", "Visualiser", ""), "kolmira.so,1");
  EXPECT_TRUE(kivo.ToolExists("VISUALISER"));
  EXPECT_EQ(ToolChanges(), 1);
  kivo.DeleteTool("visualiser");
  EXPECT_FALSE(kivo.ToolExists("Visualiser"));
  EXPECT_EQ(ToolChanges(), 2);
  EXPECT_TRUE(Player->Calls.empty());
}

TEST_F(KivoSettingsTest, ToolChangesAreAnnouncedWhileBoundToo) {
  TKIVO& kivo = BoundKivo();
  ProcessMessages();
  Window->Received.clear();
  kivo.SetTool("A", "1");
  kivo.ToolExists("A");
  kivo.DeleteTool("A");
  EXPECT_EQ(ToolChanges(), 2);
  EXPECT_TRUE(Player->Calls.empty());
}

}  // namespace
}  // namespace kivo_test
