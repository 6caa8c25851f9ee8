// The host plug-in object's slots, the windows it lends and the block
// spacing of playback.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "player/Playback.h"
#include "player/Timers.h"
#include "player/host/DesignCheck.h"
#include "player/host/HostPluginObject.h"
#include "player/host/VisualisationWindow.h"

namespace {

using namespace kivo;
namespace fs = std::filesystem;

TEST(HostPluginObjectTest, EverySlotIsFilledAndThePlugInsSlotsAnswerAsTheOptionsSay) {
  TVisualisationWindow windows({40, 30});
  THostPlugin host({6099, false}, windows);
  THostPluginObject* object = host.Object();
  const THostPluginVTable& table = *object->VTable;
  for (auto* unused : table.Unused) ASSERT_NE(unused, nullptr);
  for (auto* unused : table.Unused) unused(object);

  EXPECT_EQ(table.GetHostVersion(object), 6099);
  EXPECT_EQ(table.AcceptsVersion(object, 6000) & 0xFF, 0u);
  EXPECT_EQ(host.AskedVersions(), std::vector<std::int32_t>{6000});
  EXPECT_EQ(table.ExitPlugin(object), 0);
  EXPECT_EQ(host.ExitCount(), 1);

  THostPlugin accepting({}, windows);
  EXPECT_EQ(accepting.Object()->VTable->GetHostVersion(accepting.Object()), 6100);
  EXPECT_NE(accepting.Object()->VTable->AcceptsVersion(accepting.Object(), 6000) & 0xFF, 0u);
}

TEST(HostPluginObjectTest, CodesOneAnd33GiveTwoWindowsAndTheOwnerOwnsBoth) {
  TVisualisationWindow windows({40, 30});
  THostPlugin host({}, windows);
  THostPluginObject* object = host.Object();
  TComponent* first = object->VTable->GetHostComponent(object, 1);
  TComponent* second = object->VTable->GetHostComponent(object, 33);
  EXPECT_EQ(first, &windows.Window());
  EXPECT_EQ(second, &windows.SecondWindow());
  EXPECT_NE(first, second);
  EXPECT_EQ(object->VTable->GetHostComponent(object, 2), nullptr);
  TComponent* owner = object->VTable->GetOwnerComponent(object);
  EXPECT_EQ(first->Owner(), owner);
  EXPECT_EQ(second->Owner(), owner);

  // A control the plug-in makes in the window is owned and painted there.
  auto* panel = new TPanel(first);
  panel->SetParent(&windows.Window());
  panel->SetBevelOuter(bvNone);
  panel->SetBounds(10, 5, 4, 4);
  panel->SetColor(static_cast<TColor>(0x0000FF));
  object->VTable->AttachControl(object, panel);
  EXPECT_EQ(host.AttachedControls(), std::vector<TControl*>{panel});
  const TFrame frame = windows.Render();
  ASSERT_EQ(frame.Width, 40);
  ASSERT_EQ(frame.Height, 30);
  EXPECT_EQ(frame.At(0, 0), FramePixel(clBlack)) << "the window's face is black";
  EXPECT_EQ(frame.At(11, 6), FramePixel(static_cast<TColor>(0x0000FF)));
}

TEST(VisualisationWindowTest, TheWindowIsPaintedAgainOnlyWhenOneOfItsControlsChanged) {
  TVisualisationWindow windows({40, 30});
  auto* panel = new TPanel(&windows.Owner());
  panel->SetParent(&windows.Window());
  panel->SetBevelOuter(bvNone);
  panel->SetBounds(10, 5, 4, 4);
  panel->SetColor(clRed);
  EXPECT_EQ(windows.Painted().At(11, 6), FramePixel(clRed));
  EXPECT_EQ(windows.Paints(), 1u);

  panel->SetColor(clRed);
  panel->SetBounds(10, 5, 4, 4);
  EXPECT_EQ(windows.Painted().At(11, 6), FramePixel(clRed));
  EXPECT_EQ(windows.Paints(), 1u) << "setting a value a control already has changes nothing";

  panel->SetVisible(false);
  EXPECT_EQ(windows.Painted().At(11, 6), FramePixel(clBlack));
  panel->SetVisible(true);
  panel->SetColor(clBlue);
  EXPECT_EQ(windows.Painted().At(11, 6), FramePixel(clBlue));
  EXPECT_EQ(windows.Paints(), 3u);
  EXPECT_EQ(windows.Painted().Pixels, windows.Render().Pixels);

  windows.Window().SetBounds(0, 0, 20, 10);
  const TFrame& smaller = windows.Painted();
  EXPECT_EQ(smaller.Width, 20);
  EXPECT_EQ(smaller.Height, 10);
  EXPECT_EQ(smaller.Pixels, windows.Render().Pixels);
  windows.Window().SetVisible(false);
  EXPECT_EQ(windows.Painted().At(11, 6), 0u) << "a hidden window paints nothing";
}

TEST(WindowSizeTest, TheDesignsVisiblePanelsDecideTheSizeAndANameParsesStrictly) {
  const fs::path design = fs::temp_directory_path() / ("kivo-size-" + std::to_string(getpid()));
  std::ofstream(design) << "[SpeanaL]\nVisible=1\nLeft=10\nTop=50\nWidth=100\nHeight=20\n"
                           "[SpeanaR]\nVisible=1\nLeft=120\nTop=0\nWidth=30\nHeight=40\n";
  const TWindowSize size = WindowSizeForDesign(design.string());
  EXPECT_EQ(size.Width, 150);
  EXPECT_EQ(size.Height, 70);
  // An invisible panel, even a larger one, leaves no black area.
  std::ofstream(design) << "[SpeanaL]\nVisible=1\nLeft=0\nTop=0\nWidth=100\nHeight=20\n"
                           "[SpeanaR]\nVisible=0\nLeft=100\nTop=0\nWidth=300\nHeight=90\n";
  const TWindowSize leftOnly = WindowSizeForDesign(design.string());
  EXPECT_EQ(leftOnly.Width, 100);
  EXPECT_EQ(leftOnly.Height, 20);
  std::ofstream(design) << "[SpeanaL]\nLeft=0\nTop=0\nWidth=100\nHeight=20\n";
  const TWindowSize noneVisible = WindowSizeForDesign(design.string());
  EXPECT_EQ(noneVisible.Width, 1);
  EXPECT_EQ(noneVisible.Height, 1);
  fs::remove(design);
  const TWindowSize none = WindowSizeForDesign("/nonexistent/design.ini");
  EXPECT_EQ(none.Width, 1);
  EXPECT_EQ(none.Height, 1);

  EXPECT_EQ(ParseWindowSize("320x200").Width, 320);
  EXPECT_EQ(ParseWindowSize("320X200").Height, 200);
  for (const char* bad : {"0x5", "5x0", "x5", "5x", "5", "5x5x", "-3x4", "axb", ""})
    EXPECT_THROW(ParseWindowSize(bad), std::invalid_argument) << bad;
}

TEST(VisualisationWindowTest, SizesBeyondTheLargestWindowAreRefusedOrCut) {
  EXPECT_EQ(ParseWindowSize("4096x4096").Width, kMaxWindowSide);
  for (const char* huge : {"4097x1", "1x4097", "100000x100000", "99999999999x1"})
    EXPECT_THROW(ParseWindowSize(huge), std::invalid_argument) << huge;
  try {
    ParseWindowSize("100000x100000");
  } catch (const std::invalid_argument& error) {
    EXPECT_NE(std::string(error.what()).find("from 1 to 4096"), std::string::npos);
  }

  const fs::path design = fs::path(testing::TempDir()) / "huge-design.ini";
  std::ofstream(design) << "[SpeanaL]\nVisible=1\nLeft=2147483647\nWidth=1\nTop=5\nHeight=100000\n";
  const TWindowSize size = WindowSizeForDesign(design.string());
  EXPECT_EQ(size.Width, kMaxWindowSide);
  EXPECT_EQ(size.Height, kMaxWindowSide);
  fs::remove(design);
}

TEST(DesignCheckTest, ValuesThatAreNoNumbersOrOutOfRangeAreNamedWithWhatIsUsed) {
  const fs::path design = fs::path(testing::TempDir()) / "nonsense-design.ini";
  std::ofstream(design) << "[SpeanaL]\nVisible=yes\nLeft=abc\nWidth=-10\nEdgeInner=7\n"
                           "BackColor=$00301808\n[SpeanaR]\nWidth=2147483647\nHeight=$10\n"
                           "[Lyrics]\nColors=65280,green,255\n";
  EXPECT_EQ(DesignProblems(design.string()),
            (std::vector<std::string>{
                "SpeanaL Visible=yes is not a number: 0 is used",
                "SpeanaL Left=abc is not a number: 0 is used",
                "SpeanaL Width=-10 is out of range (0 to 4096)",
                "SpeanaL EdgeInner=7 is out of range (0 to 3)",
                "SpeanaR Width=2147483647 is out of range (0 to 4096)",
                "Lyrics Colors item 2 (green) is not a number: 255 is used",
            }));
  const std::string notice = DesignNotice(design.string());
  EXPECT_EQ(notice.rfind("design " + design.string() + ": SpeanaL Visible=yes", 0), 0u) << notice;
  fs::remove(design);

  EXPECT_TRUE(DesignProblems("/nonexistent/design.ini").empty());
  for (const char* skin : {"bars", "picture", "frames"})
    EXPECT_EQ(DesignNotice(std::string(KOLMIRA_SKINS_SOURCE) + "/" + skin + "/design.ini"), "")
        << skin;
}

TEST(PlaybackSpacingTest, HopOverridesTheFrameRateAndPositionsConvertBothWays) {
  EXPECT_EQ(BlockHop(0, 30, 44100), 1470u);
  EXPECT_EQ(BlockHop(512, 30, 44100), 512u);
  EXPECT_EQ(BlockHop(0, 1000, 100), 1u) << "at least one frame";
  EXPECT_EQ(FramesAt(1500, 2048), 3072u);
  EXPECT_EQ(FramesAt(-10, 2048), 0u);
  EXPECT_EQ(MillisecondsAt(3072, 2048), 1500);
}

TEST(SwitchTimerTest, ATimerFiresOnceAsItsMinuteBeginsAndOnlyWhileItIsOn) {
  TPlayerState state;
  state.OnTime = 7 * 60;
  state.OffTime = 0;
  EXPECT_EQ(DueTimerAction(state, 7 * 60 - 1, 7 * 60), TTimerAction::None) << "timers off";
  state.OnTimer = true;
  state.OffTimer = true;
  EXPECT_EQ(DueTimerAction(state, 7 * 60 - 1, 7 * 60), TTimerAction::Start);
  EXPECT_EQ(DueTimerAction(state, 7 * 60, 7 * 60), TTimerAction::None) << "already fired";
  EXPECT_EQ(DueTimerAction(state, 23 * 60 + 59, 0), TTimerAction::Stop) << "across midnight";
  state.OnTime = 0;
  EXPECT_EQ(DueTimerAction(state, 23 * 60 + 59, 0), TTimerAction::Stop) << "stopping wins";
  const std::int32_t now = LocalMinuteOfDay();
  EXPECT_GE(now, 0);
  EXPECT_LT(now, 24 * 60);
}

}  // namespace
