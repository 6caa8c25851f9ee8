// The three entries: the version gate, the single-instance lock, the
// refusal message and the states between start and stop.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/vcl/Dialogs.h"
#include "platform/win/Windows.h"
#include "plugin/EntryPoints.h"
#include "plugin/Kolmira.h"
#include "tests/display/DisplayTestSupport.h"
#include "tests/plugin/ControllerTestSupport.h"
#include "tests/plugin/PluginTestSupport.h"

namespace {

using dialog_test::TShown;
using ::testing::ElementsAre;

constexpr const char* kRefusalText =
    "Kolmira+\n\nこのバージョンのKIVOには対応していません\n対応版をお使いください";

class EntryPointsTest : public plugin_test::TPluginStage {
 protected:
  void SetUp() override {
    TPluginStage::SetUp();
    WriteDesign(plugin_test::kSideBySideDesign);
  }

  void TearDown() override {
    _pinAbort();
    TPluginStage::TearDown();
  }

  // Whether somebody holds the lock "Kolmira", asked as another instance
  // would ask.
  static bool LockTaken() {
    const HANDLE probe = CreateMutexA(nullptr, FALSE, "Kolmira");
    const bool taken = GetLastError() == ERROR_ALREADY_EXISTS;
    CloseHandle(probe);
    return taken;
  }

  TKolmira* Running() const {
    return Host.Owner->ComponentCount() == 0 ? nullptr
                                             : dynamic_cast<TKolmira*>(Host.Owner->Components(0));
  }

  // Feeds the two-tone block and tells whether the left panel shows it.
  bool ShowsABlock() {
    std::vector<std::uint32_t> frames = plugin_test::TwoToneFrames();
    TSampleBlock block = analysis_test::BlockOf(frames);
    EXPECT_EQ(_pinSampling(&block), &block);
    const TKolmira* controller = Running();
    return controller != nullptr && controller->LeftPanel()->Bar(1)->FLevel > 0;
  }

  void ExpectRefusalShown() const {
    ASSERT_EQ(Dialogs.Shown.size(), 1U);
    const TShown& shown = Dialogs.Shown[0];
    EXPECT_EQ(shown.Kind, TShown::TKind::Dialog);
    EXPECT_EQ(shown.Text, kRefusalText);
    EXPECT_EQ(shown.Type, mtWarning);
    EXPECT_EQ(shown.Buttons, TMsgDlgButtons{mbOK});
    EXPECT_EQ(shown.HelpContext, 0);
  }
};

// --- The version gate ------------------------------------------------------

TEST_F(EntryPointsTest, APlayerRefusingTheInterfaceIsToldWithoutBeingAskedItsVersion) {
  Host.Accepts = 0x100;  // only the low byte counts
  Dialogs.Answers = {mrOk};
  EXPECT_EQ(_pinRun(&Host), -7);
  ExpectRefusalShown();
  EXPECT_THAT(Host.Calls, ElementsAre("AcceptsVersion 6000", "ExitPlugin"));
  EXPECT_FALSE(LockTaken());
  EXPECT_EQ(Running(), nullptr);
}

TEST_F(EntryPointsTest, TheRefusalIsClosedBeforeThePlayerIsToldToExit) {
  Host.Version = 6099;
  Dialogs.Answers = {mrOk};
  bool answeredAtExit = false;
  Host.OnExitPlugin = [&] {
    answeredAtExit = Dialogs.Shown.size() == 1 && Dialogs.Answers.empty();
  };
  EXPECT_EQ(_pinRun(&Host), -7);
  EXPECT_TRUE(answeredAtExit) << "the box was shown and answered when ExitPlugin ran";
}

TEST_F(EntryPointsTest, APlayerOlderThan6100IsRefusedWithTheMessage) {
  Host.Version = 6099;
  Dialogs.Answers = {mrOk};
  EXPECT_EQ(_pinRun(&Host), -7);
  ExpectRefusalShown();
  EXPECT_THAT(Host.Calls, ElementsAre("AcceptsVersion 6000", "GetHostVersion", "ExitPlugin"));
  EXPECT_FALSE(LockTaken());
  EXPECT_FALSE(ShowsABlock());
}

TEST_F(EntryPointsTest, Version6100StartsAndReturnsTheController) {
  Host.Accepts = 0x01;
  const std::intptr_t result = _pinRun(&Host);
  ASSERT_NE(Running(), nullptr);
  EXPECT_EQ(result, reinterpret_cast<std::intptr_t>(Running()));
  EXPECT_THAT(Host.Calls, ElementsAre("AcceptsVersion 6000", "GetHostVersion", "GetOwnerComponent",
                                      "GetHostComponent 1", "GetHostComponent 33", "AttachControl",
                                      "AttachControl"));
  EXPECT_TRUE(LockTaken());
  EXPECT_TRUE(ShowsABlock());
  EXPECT_TRUE(Dialogs.Shown.empty());
}

// --- The single-instance lock ----------------------------------------------

TEST_F(EntryPointsTest, ASecondStartIsRefusedSilentlyAndTheFirstRunsOn) {
  const std::intptr_t first = _pinRun(&Host);
  ASSERT_NE(first, 0);
  Host.Calls.clear();
  Host.ExitResult = 42;

  EXPECT_EQ(_pinRun(&Host), 42);
  EXPECT_THAT(Host.Calls, ElementsAre("AcceptsVersion 6000", "GetHostVersion", "ExitPlugin"));
  EXPECT_TRUE(Dialogs.Shown.empty());
  EXPECT_EQ(reinterpret_cast<std::intptr_t>(Running()), first);
  EXPECT_TRUE(ShowsABlock());
}

TEST_F(EntryPointsTest, AfterARefusedSecondStartAbortFreesTheLockForANewStart) {
  ASSERT_NE(_pinRun(&Host), 0);
  ASSERT_EQ(_pinRun(&Host), -7);

  _pinAbort();
  EXPECT_FALSE(LockTaken()) << "the running instance's handle was kept and closed";
  EXPECT_EQ(Running(), nullptr);
  EXPECT_NE(_pinRun(&Host), 0);
  EXPECT_TRUE(ShowsABlock());
}

TEST_F(EntryPointsTest, ALockHeldElsewhereRefusesUntilAbortClosesTheStoredHandle) {
  const HANDLE elsewhere = CreateMutexA(nullptr, FALSE, "Kolmira");
  ASSERT_NE(elsewhere, nullptr);
  EXPECT_EQ(_pinRun(&Host), -7);
  EXPECT_TRUE(Dialogs.Shown.empty());
  EXPECT_EQ(Running(), nullptr);
  EXPECT_FALSE(ShowsABlock());

  CloseHandle(elsewhere);
  EXPECT_TRUE(LockTaken()) << "the refused start keeps the handle it obtained";
  _pinAbort();
  EXPECT_FALSE(LockTaken());
  EXPECT_NE(_pinRun(&Host), 0);
}

// --- Blocks and stops in every state ---------------------------------------

TEST_F(EntryPointsTest, BlocksBeforeAStartAndAfterAStopAreIgnored) {
  EXPECT_FALSE(ShowsABlock());
  EXPECT_EQ(_pinSampling(nullptr), nullptr);
  ASSERT_NE(_pinRun(&Host), 0);
  _pinAbort();
  EXPECT_FALSE(ShowsABlock());
  EXPECT_EQ(_pinSampling(nullptr), nullptr);
}

TEST_F(EntryPointsTest, StopFreesEverythingTheStartBuiltAndAStopAgainDoesNothing) {
  _pinAbort();
  ASSERT_NE(_pinRun(&Host), 0);
  _pinAbort();
  EXPECT_EQ(Host.Owner->ComponentCount(), 0);
  EXPECT_EQ(Host.Window->ControlCount(), 0);
  EXPECT_EQ(Player->CallsOf("Detach").size(), 1U);
  EXPECT_FALSE(LockTaken());
  _pinAbort();
  EXPECT_EQ(Player->CallsOf("Detach").size(), 1U);
}

// The controller and its host link are components of the player's owner
// component; a player that frees its owner before the stop frees them once,
// and the stop then has only the lock left to close.
TEST_F(EntryPointsTest, APlayerFreeingItsOwnerFirstLeavesTheStopOnlyTheLock) {
  ASSERT_NE(_pinRun(&Host), 0);
  Host.Owner.reset();
  EXPECT_EQ(Host.Window->ControlCount(), 0) << "the panels went with the controller";
  EXPECT_EQ(Player->CallsOf("Detach").size(), 1U);
  std::vector<std::uint32_t> frames = plugin_test::TwoToneFrames();
  TSampleBlock block = analysis_test::BlockOf(frames);
  EXPECT_EQ(_pinSampling(&block), &block);
  EXPECT_TRUE(LockTaken());

  _pinAbort();
  EXPECT_FALSE(LockTaken());
  EXPECT_EQ(Player->CallsOf("Detach").size(), 1U);
  Host.Owner = std::make_unique<TComponent>(nullptr);
  ASSERT_NE(_pinRun(&Host), 0);
  EXPECT_TRUE(ShowsABlock());
}

// The panels are components of the player's window: a player that frees
// the window first leaves the controller without panels, not with freed
// ones.
TEST_F(EntryPointsTest, APlayerFreeingItsWindowFirstLeavesAControllerWithoutPanels) {
  ASSERT_NE(_pinRun(&Host), 0);
  TKolmira* controller = Running();
  Host.Window.reset();
  EXPECT_EQ(controller->LeftPanel(), nullptr);
  EXPECT_EQ(controller->RightPanel(), nullptr);
  std::vector<std::uint32_t> frames = plugin_test::TwoToneFrames();
  TSampleBlock block = analysis_test::BlockOf(frames);
  EXPECT_EQ(_pinSampling(&block), &block);
  controller->DoPanelClick(controller);
  controller->DoChangeDisplayMode(controller, Kivo_tlb::dmSpectrumPeaks);
  controller->DoVolume(controller, 0, 0);
  _pinAbort();
  EXPECT_EQ(Host.Owner->ComponentCount(), 0);
  EXPECT_FALSE(LockTaken());
}

TEST_F(EntryPointsTest, AnErrorWhileBuildingPassesToThePlayerAndLeavesOnlyTheLock) {
  WriteDesign("[SpeanaL]\nVisible=1\nWidth=200\nHeight=100\nGraphics=missing.bmp\n");
  EXPECT_THROW(_pinRun(&Host), Exception);
  EXPECT_EQ(Running(), nullptr);
  EXPECT_EQ(Host.Window->ControlCount(), 0);
  EXPECT_FALSE(ShowsABlock());
  EXPECT_TRUE(LockTaken());

  _pinAbort();
  EXPECT_FALSE(LockTaken());
  WriteDesign(plugin_test::kSideBySideDesign);
  EXPECT_NE(_pinRun(&Host), 0);
  EXPECT_TRUE(ShowsABlock());
}

}  // namespace
