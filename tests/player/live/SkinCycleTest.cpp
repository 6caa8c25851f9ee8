// The skins the `s` key steps through.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include "player/live/SkinCycle.h"

namespace {

namespace fs = std::filesystem;
using namespace kivo;

class SkinCycleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FDir = fs::temp_directory_path() / ("kivo-skins-" + std::to_string(::getpid()));
    fs::remove_all(FDir);
  }
  void TearDown() override { fs::remove_all(FDir); }

  std::string AddSkin(const std::string& folder, const std::string& name) const {
    fs::create_directories(FDir / folder / name);
    const fs::path design = FDir / folder / name / "design.ini";
    std::ofstream(design) << "[SpeanaL]\nVisible=1\n";
    return design.string();
  }

  fs::path FDir;
};

TEST_F(SkinCycleTest, SkinsOfBothFoldersComeInNameOrderAndFoldersWithoutADesignAreLeftOut) {
  const std::string picture = AddSkin("defaults", "picture");
  const std::string bars = AddSkin("defaults", "bars");
  const std::string mine = AddSkin("home", "mine");
  const std::string aqua = AddSkin("home", "aqua");
  fs::create_directories(FDir / "home" / "empty");
  std::ofstream(FDir / "home" / "design.ini") << "not in a skin folder\n";

  const std::vector<std::string> designs =
      ListSkinDesigns({FDir / "defaults", FDir / "home", FDir / "absent"});
  EXPECT_EQ(designs, (std::vector<std::string>{aqua, bars, mine, picture}));
}

TEST_F(SkinCycleTest, StepsWrapAroundPassOverBrokenSkinsAndFindNewOnes) {
  const std::string bars = AddSkin("defaults", "bars");
  const std::string frames = AddSkin("defaults", "frames");
  TSkinCycle cycle({FDir / "defaults", FDir / "home"});

  EXPECT_EQ(cycle.After(bars), frames);
  EXPECT_EQ(cycle.After(frames), bars);
  // A design that is no skin of the list (--design elsewhere) starts it.
  EXPECT_EQ(cycle.After("/elsewhere/design.ini"), bars);
  EXPECT_EQ(cycle.After(""), bars);
  // The same design however it is written.
  EXPECT_EQ(cycle.After((FDir / "defaults" / "." / "bars" / "design.ini").string()), frames);

  // Added while playing: found at the next step.
  const std::string broken = AddSkin("home", "broken");
  EXPECT_EQ(cycle.After(bars), broken);
  cycle.MarkBroken(broken);
  EXPECT_EQ(cycle.After(bars), frames);

  cycle.MarkBroken(frames);
  EXPECT_EQ(cycle.After(bars), std::nullopt) << "no other skin to go to";
  EXPECT_EQ(SkinName(broken), "broken");
}

TEST(SkinCycleEmptyTest, WithoutSkinsThereIsNothingToGoTo) {
  const TSkinCycle cycle({"/nonexistent/skins"});
  EXPECT_EQ(cycle.After("/any/design.ini"), std::nullopt);
}

}  // namespace
