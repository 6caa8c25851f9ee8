// TKolmira against the scripted player: building the panels from the skin,
// following the player's settings and events, and tearing down.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/vcl/SysUtils.h"
#include "plugin/Kolmira.h"
#include "tests/display/DisplayTestSupport.h"
#include "tests/plugin/ControllerTestSupport.h"
#include "tests/plugin/PluginTestSupport.h"

namespace {

using plugin_test::kSideBySideDesign;
using ::testing::ElementsAre;

constexpr TColor kCyan = 16776960;
constexpr TColor kYellow = 65535;
constexpr TColor kRed = 255;

TBandLevels ShownLevels(const TSpeanaPanel& panel) {
  TBandLevels levels{};
  for (std::int32_t band = 0; band < 10; ++band)
    levels[static_cast<std::size_t>(band)] = panel.Bar(band)->FLevel;
  return levels;
}

bool IsBlank(const TSpeanaPanel& panel) { return ShownLevels(panel) == TBandLevels{}; }

std::vector<TColor> SegmentColors(const TSpeanaPanel& panel, std::int32_t band) {
  std::vector<TColor> colors;
  for (std::int32_t j = 0; j < 10; ++j) colors.push_back(panel.Bar(band)->SegmentColor(j));
  return colors;
}

class ControllerTest : public plugin_test::TPluginStage {
 protected:
  void TearDown() override {
    Controller.reset();
    TPluginStage::TearDown();
  }

  TKolmira& Start() {
    Controller = std::make_unique<TKolmira>(Host.Owner.get(), &Host);
    return *Controller;
  }

  TKolmira& StartSideBySide() {
    WriteDesign(kSideBySideDesign);
    return Start();
  }

  void Feed(std::vector<std::uint32_t> frames) {
    const TSampleBlock block = analysis_test::BlockOf(frames);
    Controller->Sampling(&block);
  }

  // Shows the two-tone block, so that a clear is visible afterwards.
  void ShowLevels() {
    Feed(plugin_test::TwoToneFrames());
    ASSERT_FALSE(IsBlank(*Controller->LeftPanel()));
    ASSERT_FALSE(IsBlank(*Controller->RightPanel()));
  }

  TKIVO& Kivo() { return *Controller->KIVO(); }

  std::vector<std::int64_t> DisplayModesSet() const {
    std::vector<std::int64_t> modes;
    for (const kivo_test::TCall& call : Player->CallsOf("set_DisplayMode"))
      modes.push_back(call.Args.at(0));
    return modes;
  }

  std::unique_ptr<TKolmira> Controller;
};

// --- Building from the design file ---------------------------------------

TEST_F(ControllerTest, BuildsBothPanelsInTheLentWindowFromTheirSections) {
  WriteDesign(
      "[SpeanaL]\nVisible=1\nLeft=5\nTop=6\nWidth=120\nHeight=44\nEdgeInner=1\nEdgeOuter=2\n"
      "BackColor=$0000FF00\nChecked=0\n"
      "[SpeanaR]\nVisible=0\nLeft=130\nTop=7\nWidth=110\nHeight=40\nEdgeInner=3\nEdgeOuter=0\n"
      "BackColor=128\n");
  TKolmira& controller = Start();

  const TSpeanaPanel& left = *controller.LeftPanel();
  const TSpeanaPanel& right = *controller.RightPanel();
  EXPECT_TRUE(left.Visible());
  EXPECT_EQ(left.BoundsRect(), Bounds(5, 6, 120, 44));
  EXPECT_EQ(left.BevelInner(), bvLowered);
  EXPECT_EQ(left.BevelOuter(), bvRaised);
  EXPECT_EQ(left.Color(), 0x0000FF00);
  EXPECT_EQ(left.FStyle, TSpeanaPanel::kBarStyle);
  EXPECT_FALSE(right.Visible());
  EXPECT_EQ(right.BoundsRect(), Bounds(130, 7, 110, 40));
  EXPECT_EQ(right.BevelInner(), bvSpace);
  EXPECT_EQ(right.BevelOuter(), bvNone);
  EXPECT_EQ(right.Color(), 128);

  for (const TSpeanaPanel* panel : {&left, &right}) {
    EXPECT_EQ(panel->Owner(), Host.Window.get());
    EXPECT_EQ(panel->Parent(), Host.Window.get());
  }
  EXPECT_EQ(Host.SecondWindow->ControlCount(), 0) << "the second component is asked for only";
  EXPECT_THAT(Host.Calls, ElementsAre("GetHostComponent 1", "GetHostComponent 33", "AttachControl",
                                      "AttachControl"));
  EXPECT_THAT(Host.Attached, ElementsAre(&left, &right));
}

TEST_F(ControllerTest, MetersAreLaidOutForTheConfiguredSizeAfterTheGraphics) {
  WriteDesign("[SpeanaL]\nVisible=1\nWidth=200\nHeight=100\nOption=dir=1\n");
  TKolmira& controller = Start();
  // Columns growing upward across 200 pixels: band 9 is the rightmost.
  const TMeter& band9 = *controller.LeftPanel()->Bar(9);
  EXPECT_EQ(band9.Direction(), 1);
  ASSERT_NE(band9.Segment(0), nullptr);
  EXPECT_GE(band9.Segment(0)->Left(), 180);
  EXPECT_GT(band9.Segment(0)->Top(), band9.Segment(9)->Top());
}

TEST_F(ControllerTest, LinksToThePlayerAndCopiesItsLevels) {
  Player->Longs["RecLevel"] = 80;
  Player->Longs["AdjustSpeanaLevel"] = 120;
  TKolmira& controller = Start();

  EXPECT_TRUE(Kivo().IsBound());
  EXPECT_EQ(Kivo().Owner(), Host.Owner.get()) << "the link shares the controller's owner";
  EXPECT_EQ(controller.Owner(), Host.Owner.get());
  EXPECT_EQ(controller.Analysis().FRecLevel, 80);
  EXPECT_EQ(controller.Analysis().FAdjustSpeanaLevel, 120);
  // Volume notifications (0x100), not the player's spectrum (0x10000000).
  const std::vector<kivo_test::TCall> subscriptions = Player->CallsOf("SetEvent");
  ASSERT_FALSE(subscriptions.empty());
  const std::int64_t mask = subscriptions.back().Args.at(1);
  EXPECT_NE(mask & 0x100, 0);
  EXPECT_EQ(mask & 0x10000000, 0);
}

TEST_F(ControllerTest, AMissingDesignFileLeavesTwoHiddenEmptyPanelsThatIgnoreBlocks) {
  TKolmira& controller = Start();
  for (const TSpeanaPanel* panel : {controller.LeftPanel(), controller.RightPanel()}) {
    EXPECT_FALSE(panel->Visible());
    EXPECT_EQ(panel->BoundsRect(), Bounds(0, 0, 0, 0));
    EXPECT_EQ(panel->Graphics(), "");
    EXPECT_EQ(SegmentColors(*panel, 0), (std::vector<TColor>{kCyan, kCyan, kCyan, kCyan, kCyan,
                                                             kCyan, kYellow, kYellow, kRed, kRed}));
  }
  Feed(plugin_test::TwoToneFrames());
  EXPECT_TRUE(IsBlank(*controller.LeftPanel()));
  EXPECT_TRUE(IsBlank(*controller.RightPanel()));
}

TEST_F(ControllerTest, BevelNumbersOutsideTheFourBevelsGiveNone) {
  WriteDesign("[SpeanaL]\nEdgeInner=7\nEdgeOuter=-1\n");
  TKolmira& controller = Start();
  EXPECT_EQ(controller.LeftPanel()->BevelInner(), bvNone);
  EXPECT_EQ(controller.LeftPanel()->BevelOuter(), bvNone);
}

// --- "Option" and "Colors" -------------------------------------------------

TEST_F(ControllerTest, TheDirItemOfOptionSetsTheDirection) {
  WriteDesign("[SpeanaL]\nOption=Dir=3,Foo\n[SpeanaR]\nOption=dir=x\n");
  TKolmira& controller = Start();
  EXPECT_EQ(controller.LeftPanel()->FDirection, 3);
  EXPECT_EQ(controller.RightPanel()->FDirection, 0);
}

TEST_F(ControllerTest, WithoutOptionTheDirectionIsZero) {
  WriteDesign("[SpeanaL]\nVisible=1\n");
  EXPECT_EQ(Start().LeftPanel()->FDirection, 0);
}

TEST(DirectionFromOption, ReadsTheDirItemOfACommaList) {
  EXPECT_EQ(DirectionFromOption("Dir=3,Foo"), 3);
  EXPECT_EQ(DirectionFromOption("foo=1 DIR=$A"), 10) << "blanks separate items too";
  EXPECT_EQ(DirectionFromOption("\"x=1,2\",dir=0x7"), 7);
  EXPECT_EQ(DirectionFromOption("direction=5"), 0);
  EXPECT_EQ(DirectionFromOption("dir="), 0);
  EXPECT_EQ(DirectionFromOption(""), 0);
}

TEST_F(ControllerTest, MissingColorsAreRed) {
  WriteDesign("[Lyrics]\nColors=255,65535\n");
  TKolmira& controller = Start();
  const std::vector<TColor> expected{kRed, kYellow, kRed, kRed, kRed, kRed, kRed, kRed, kRed, kRed};
  EXPECT_EQ(SegmentColors(*controller.LeftPanel(), 0), expected);
  EXPECT_EQ(SegmentColors(*controller.RightPanel(), 9), expected);
}

TEST_F(ControllerTest, ColorsAfterTheTenthAreIgnoredAndUnreadableOnesAreRed) {
  WriteDesign("[Lyrics]\nColors=1,2,3,blue,5,6,7,8,9,$0A,11,12\n");
  TKolmira& controller = Start();
  const std::vector<TColor> expected{1, 2, 3, kRed, 5, 6, 7, 8, 9, 10};
  EXPECT_EQ(SegmentColors(*controller.LeftPanel(), 4), expected);
  EXPECT_EQ(SegmentColors(*controller.RightPanel(), 4), expected);
}

// --- Graphics --------------------------------------------------------------

class ControllerGraphicsTest : public ControllerTest {
 protected:
  void SetUp() override {
    ControllerTest::SetUp();
    FFormerDir = GetCurrentDir();
  }
  void TearDown() override {
    SetCurrentDir(FFormerDir);
    ControllerTest::TearDown();
  }

  void WritePicture(const std::string& path) const {
    display_test::WriteBmp(path, 40, 20, [](std::int32_t, std::int32_t) { return clOlive; });
  }

 private:
  std::string FFormerDir;
};

TEST_F(ControllerGraphicsTest, ABareFileNameIsFoundBesideTheDesignFile) {
  WritePicture(SkinFile("back.bmp"));
  WritePicture((Folder / "player" / "back.bmp").string());
  ASSERT_TRUE(SetCurrentDir((Folder / "player").string()));
  WriteDesign("[SpeanaL]\nVisible=1\nWidth=200\nHeight=100\nGraphics=back.bmp\n");
  TKolmira& controller = Start();
  EXPECT_EQ(controller.LeftPanel()->Graphics(), SkinFile("back.bmp"));
  EXPECT_NE(controller.LeftPanel()->Image(), nullptr);
  EXPECT_EQ(GetCurrentDir(), (Folder / "player").string());
}

TEST_F(ControllerGraphicsTest, AnAbsolutePathIsUsedAsItIs) {
  const std::string elsewhere = (Folder / "player" / "back.bmp").string();
  WritePicture(elsewhere);
  WriteDesign("[SpeanaR]\nVisible=1\nWidth=200\nHeight=100\nGraphics=" + elsewhere + "\n");
  EXPECT_EQ(Start().RightPanel()->Graphics(), elsewhere);
}

TEST_F(ControllerGraphicsTest, CheckedSelectsFramesCutFromTheSheet) {
  // Eleven frames of 20 x 100, one per level.
  display_test::WriteBmp(SkinFile("frames.bmp"), 220, 100,
                         [](std::int32_t x, std::int32_t) { return x < 20 ? clBlack : clLime; });
  WriteDesign("[SpeanaL]\nVisible=1\nWidth=200\nHeight=100\nChecked=1\nGraphics=frames.bmp\n");
  TKolmira& controller = Start();
  EXPECT_EQ(controller.LeftPanel()->FStyle, TSpeanaPanel::kFrameStyle);
  ASSERT_NE(controller.LeftPanel()->Images(), nullptr);
  EXPECT_EQ(controller.LeftPanel()->Bar(0)->FKind, TMeter::kBandImage);
}

// --- Sample blocks -------------------------------------------------------

TEST_F(ControllerTest, ABlockShowsTheAnalysisLevelsOnEachChannelsPanel) {
  Player->Longs["RecLevel"] = 70;
  Player->Longs["AdjustSpeanaLevel"] = 150;
  WriteSettings("[KIVO]\nSpeanaPattern=0\n");
  TKolmira& controller = StartSideBySide();

  Feed(plugin_test::TwoToneFrames());
  const plugin_test::TExpectedLevels expected =
      plugin_test::LevelsOf(plugin_test::TwoToneFrames(), 70, 0, 150);
  ASSERT_NE(expected.Left, expected.Right) << "the channels must differ to tell them apart";
  EXPECT_EQ(ShownLevels(*controller.LeftPanel()), expected.Left);
  EXPECT_EQ(ShownLevels(*controller.RightPanel()), expected.Right);
}

TEST_F(ControllerTest, ASilentOrInvalidBlockClearsBothPanels) {
  TKolmira& controller = StartSideBySide();
  ShowLevels();
  Feed(std::vector<std::uint32_t>(2048, analysis_test::Frame(100, -100)));
  EXPECT_TRUE(IsBlank(*controller.LeftPanel()));
  EXPECT_TRUE(IsBlank(*controller.RightPanel()));

  ShowLevels();
  controller.Sampling(nullptr);
  EXPECT_TRUE(IsBlank(*controller.LeftPanel()));
  EXPECT_TRUE(IsBlank(*controller.RightPanel()));
}

TEST_F(ControllerTest, EitherPanelVisibleIsEnoughForBothToBeFed) {
  for (const auto& [left, right] : {std::pair{0, 1}, std::pair{1, 0}}) {
    WriteDesign("[SpeanaL]\nVisible=" + std::to_string(left) +
                "\nWidth=200\nHeight=100\n[SpeanaR]\nVisible=" + std::to_string(right) +
                "\nWidth=200\nHeight=100\n");
    TKolmira& controller = Start();
    Feed(plugin_test::TwoToneFrames());
    EXPECT_FALSE(IsBlank(*controller.LeftPanel())) << left << right;
    EXPECT_FALSE(IsBlank(*controller.RightPanel())) << left << right;
    Controller.reset();
  }
}

TEST_F(ControllerTest, OnlyThePanelsOwnVisibilityCounts) {
  TKolmira& controller = StartSideBySide();
  Host.Window->SetVisible(false);
  Feed(plugin_test::TwoToneFrames());
  EXPECT_FALSE(IsBlank(*controller.LeftPanel())) << "a hidden window still lets blocks through";

  Controller.reset();
  WriteDesign("[SpeanaL]\nWidth=200\nHeight=100\n[SpeanaR]\nWidth=200\nHeight=100\n");
  Host.Window->SetVisible(true);
  TKolmira& hidden = Start();
  Feed(plugin_test::TwoToneFrames());
  EXPECT_TRUE(IsBlank(*hidden.LeftPanel()));
  EXPECT_TRUE(IsBlank(*hidden.RightPanel()));
}

// --- Peak mode and the player's display mode ------------------------------

TEST_F(ControllerTest, ClicksCyclePeakModeAndMoveASpectrumDisplayAlong) {
  Player->Longs["DisplayMode"] = 3;
  TKolmira& controller = StartSideBySide();
  EXPECT_EQ(controller.LeftPanel()->PeakMode(), 2);
  EXPECT_EQ(controller.RightPanel()->PeakMode(), 2);

  controller.RightPanel()->Click();
  EXPECT_EQ(controller.LeftPanel()->PeakMode(), 3);
  EXPECT_EQ(controller.RightPanel()->PeakMode(), 3);
  controller.LeftPanel()->Click();
  EXPECT_EQ(controller.LeftPanel()->PeakMode(), 1);
  EXPECT_EQ(controller.RightPanel()->PeakMode(), 1);
  EXPECT_THAT(DisplayModesSet(), ElementsAre(4, 2));
}

TEST_F(ControllerTest, AClickLeavesADisplayWithoutSpectrumAlone) {
  Player->Longs["DisplayMode"] = 1;
  TKolmira& controller = StartSideBySide();
  EXPECT_EQ(controller.LeftPanel()->PeakMode(), 0) << "display mode 1 keeps the panels' mode";

  controller.LeftPanel()->Click();
  EXPECT_EQ(controller.LeftPanel()->PeakMode(), 1) << "mode 0 goes to 1";
  EXPECT_EQ(controller.RightPanel()->PeakMode(), 1);
  EXPECT_TRUE(DisplayModesSet().empty());
}

TEST_F(ControllerTest, AClickBlanksThePanels) {
  TKolmira& controller = StartSideBySide();
  ShowLevels();
  controller.LeftPanel()->Click();
  EXPECT_TRUE(IsBlank(*controller.LeftPanel()));
  EXPECT_TRUE(IsBlank(*controller.RightPanel()));
}

TEST_F(ControllerTest, TheSpectrumDisplayModesSetTheMatchingPeakMode) {
  TKolmira& controller = StartSideBySide();
  for (const auto& [display, peak] : {std::pair{2, 1}, {4, 3}, {3, 2}}) {
    Kivo().OnChangeDisplayMode(&Kivo(), static_cast<TKIVODisplayMode>(display));
    EXPECT_EQ(controller.LeftPanel()->PeakMode(), peak) << "display mode " << display;
    EXPECT_EQ(controller.RightPanel()->PeakMode(), peak) << "display mode " << display;
  }
}

TEST_F(ControllerTest, AnotherDisplayModeKeepsThePeakModeButClears) {
  Player->Longs["DisplayMode"] = 4;
  TKolmira& controller = StartSideBySide();
  ShowLevels();
  Kivo().OnChangeDisplayMode(&Kivo(), Kivo_tlb::dmTrackInfo);
  EXPECT_EQ(controller.LeftPanel()->PeakMode(), 3);
  EXPECT_EQ(controller.RightPanel()->PeakMode(), 3);
  EXPECT_TRUE(IsBlank(*controller.LeftPanel()));
  EXPECT_TRUE(IsBlank(*controller.RightPanel()));
}

// --- The player's events ---------------------------------------------------

TEST_F(ControllerTest, VolumeZeroOnBothChannelsClears) {
  TKolmira& controller = StartSideBySide();
  ShowLevels();
  const auto volume = [&](int left, int right) {
    // As the player sends it: the left volume in the low word.
    SendMessageA(Kivo().WindowHandle, Kivo().KIVOMessage(), 0x100,
                 static_cast<LPARAM>(left | right << 16));
  };
  volume(0, 5);
  EXPECT_FALSE(IsBlank(*controller.LeftPanel()));
  volume(5, 0);
  EXPECT_FALSE(IsBlank(*controller.RightPanel()));
  volume(0, 0);
  EXPECT_TRUE(IsBlank(*controller.LeftPanel()));
  EXPECT_TRUE(IsBlank(*controller.RightPanel()));
}

TEST_F(ControllerTest, ThePlayersSpectrumAllZeroClears) {
  TKolmira& controller = StartSideBySide();
  ShowLevels();
  int levels[10] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
  Kivo().OnSpeana(&Kivo(), levels);
  EXPECT_FALSE(IsBlank(*controller.LeftPanel()));
  levels[9] = 0;
  Kivo().OnSpeana(&Kivo(), levels);
  EXPECT_TRUE(IsBlank(*controller.LeftPanel()));
  EXPECT_TRUE(IsBlank(*controller.RightPanel()));
}

TEST_F(ControllerTest, PlayStatusRereadsTheRecordingLevelAndAdjustLevelBoth) {
  TKolmira& controller = Start();
  Player->Longs["RecLevel"] = 55;
  Player->Longs["AdjustSpeanaLevel"] = 66;
  Kivo().OnPlayStatus(&Kivo(), 1);
  EXPECT_EQ(controller.Analysis().FRecLevel, 55);
  EXPECT_EQ(controller.Analysis().FAdjustSpeanaLevel, 100);

  Player->Longs["RecLevel"] = 77;
  Kivo().OnAdjustLevel(&Kivo(), 0);
  EXPECT_EQ(controller.Analysis().FRecLevel, 77);
  EXPECT_EQ(controller.Analysis().FAdjustSpeanaLevel, 66);
}

TEST_F(ControllerTest, TheBandPatternComesFromThePlayerSettingsFile) {
  WriteSettings("[KIVO]\nSpeanaPattern=4\n");
  TKolmira& controller = Start();
  EXPECT_EQ(controller.Analysis().FSpeanaPattern, 4);

  WriteSettings("[KIVO]\nDesign=x\n");
  Kivo().OnSaveKIVOini(&Kivo());
  EXPECT_EQ(controller.Analysis().FSpeanaPattern, 2) << "the default without the key";

  WriteSettings("[kivo]\nspeanapattern=4\n");
  Kivo().OnSaveKIVOini(&Kivo());
  EXPECT_EQ(controller.Analysis().FSpeanaPattern, 4);
}

TEST_F(ControllerTest, SavedSettingsAlsoFollowTheDisplayModeAgain) {
  TKolmira& controller = StartSideBySide();
  Player->Longs["DisplayMode"] = 4;
  Kivo().OnSaveKIVOini(&Kivo());
  EXPECT_EQ(controller.LeftPanel()->PeakMode(), 3);
  EXPECT_EQ(controller.RightPanel()->PeakMode(), 3);
}

// --- Tearing down ----------------------------------------------------------

TEST_F(ControllerTest, DestructionFreesThePanelsBeforeLeavingThePlayer) {
  Start();
  int panelsLeftAtDetach = -1;
  Player->During["Detach"] = [&] { panelsLeftAtDetach = Host.Window->ControlCount(); };
  Controller.reset();
  EXPECT_EQ(panelsLeftAtDetach, 0);
  EXPECT_EQ(Host.Window->ComponentCount(), 0);
  EXPECT_EQ(Host.Owner->ComponentCount(), 0) << "the link goes with the controller";
}

TEST_F(ControllerTest, AGraphicsFileThatCannotBeReadFreesWhatWasBuilt) {
  display_test::WriteBmp(SkinFile("left.bmp"), 40, 20,
                         [](std::int32_t, std::int32_t) { return clOlive; });
  WriteDesign(
      "[SpeanaL]\nVisible=1\nWidth=200\nHeight=100\nGraphics=left.bmp\n"
      "[SpeanaR]\nVisible=1\nWidth=200\nHeight=100\nGraphics=missing.bmp\n");
  EXPECT_THROW(Start(), Exception);
  EXPECT_EQ(Controller, nullptr);
  EXPECT_EQ(Host.Window->ControlCount(), 0);
  EXPECT_EQ(Host.Window->ComponentCount(), 0);
  EXPECT_EQ(Host.Owner->ComponentCount(), 0);
  EXPECT_EQ(Player->CallsOf("Detach").size(), 1U) << "the link was bound and ends";
  EXPECT_TRUE(Host.Attached.empty());
}

}  // namespace
