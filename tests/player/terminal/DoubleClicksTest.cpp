// Double clicks told among single presses by the times the test gives
// them: the same cell, the left button, at most 500 ms apart, never a
// third press chained onto a pair.
#include <gtest/gtest.h>

#include <vector>

#include "player/terminal/DoubleClicks.h"

namespace {

using kivo::MouseButton;
using kivo::MouseClick;
using kivo::TDoubleClicks;
using namespace std::chrono_literals;

const TDoubleClicks::Clock::time_point kStart{};
const MouseClick kLeft{MouseButton::Left, 10, 5};

// Whether each press, at its time in milliseconds from the start, was the
// second of a double click.
std::vector<bool> Seconds(const std::vector<std::pair<MouseClick, int>>& presses) {
  TDoubleClicks clicks;
  std::vector<bool> seconds;
  for (const auto& [press, ms] : presses)
    seconds.push_back(clicks.Press(press, kStart + std::chrono::milliseconds(ms)));
  return seconds;
}

TEST(DoubleClicksTest, PressesTooFarApartElsewhereOrOfAnotherButtonAreSingle) {
  EXPECT_EQ(Seconds({{kLeft, 0}, {kLeft, 501}}), (std::vector<bool>{false, false}));
  EXPECT_EQ(Seconds({{kLeft, 0}, {{MouseButton::Left, 11, 5}, 10}}),
            (std::vector<bool>{false, false}));
  EXPECT_EQ(Seconds({{kLeft, 0}, {{MouseButton::Left, 10, 6}, 10}}),
            (std::vector<bool>{false, false}));
  EXPECT_EQ(Seconds({{{MouseButton::Right, 10, 5}, 0}, {{MouseButton::Right, 10, 5}, 10}}),
            (std::vector<bool>{false, false}));
  // Another button between two left presses parts them.
  EXPECT_EQ(Seconds({{kLeft, 0}, {{MouseButton::Middle, 10, 5}, 10}, {kLeft, 20}}),
            (std::vector<bool>{false, false, false}));
  // A clock that went back counts nothing.
  EXPECT_EQ(Seconds({{kLeft, 100}, {kLeft, 50}}), (std::vector<bool>{false, false}));
}

TEST(DoubleClicksTest, ALaterPressBeginsANewPairAndAForgottenOneNone) {
  // Too late for the first, in time for the second.
  EXPECT_EQ(Seconds({{kLeft, 0}, {kLeft, 600}, {kLeft, 700}}),
            (std::vector<bool>{false, false, true}));
  // Elsewhere, then twice there.
  EXPECT_EQ(Seconds({{kLeft, 0}, {{MouseButton::Left, 3, 3}, 100}, {{MouseButton::Left, 3, 3}, 200}}),
            (std::vector<bool>{false, false, true}));
  TDoubleClicks clicks;
  EXPECT_FALSE(clicks.Press(kLeft, kStart));
  clicks.Forget();
  EXPECT_FALSE(clicks.Press(kLeft, kStart + 10ms));
}

TEST(DoubleClicksTest, TheSecondPressWithinTheTimeIsADoubleClickAndTheThirdIsNotChained) {
  EXPECT_EQ(Seconds({{kLeft, 0}, {kLeft, 0}}), (std::vector<bool>{false, true}));
  EXPECT_EQ(Seconds({{kLeft, 0}, {kLeft, 500}}), (std::vector<bool>{false, true}));
  EXPECT_EQ(Seconds({{kLeft, 0}, {kLeft, 100}, {kLeft, 200}, {kLeft, 300}}),
            (std::vector<bool>{false, true, false, true}));
}

}  // namespace
