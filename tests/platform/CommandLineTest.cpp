#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win/CommandLine.h"

namespace {

using TArguments = std::vector<std::string>;

TEST(SplitCommandLineTest, BlanksSeparateAndQuotesJoin) {
  EXPECT_EQ(SplitCommandLine(""), TArguments{});
  EXPECT_EQ(SplitCommandLine("kivo"), TArguments{"kivo"});
  EXPECT_EQ(SplitCommandLine("kivo  /PLUGIN\t x "), (TArguments{"kivo", "/PLUGIN", "x"}));
  EXPECT_EQ(SplitCommandLine(R"(kivo "a b" c"d e"f)"), (TArguments{"kivo", "a b", "cd ef"}));
  EXPECT_EQ(SplitCommandLine(R"(kivo "" "open)"), (TArguments{"kivo", "", "open"}));
  EXPECT_EQ(SplitCommandLine(R"(kivo "a""b")"), (TArguments{"kivo", R"(a"b)"}));
}

TEST(SplitCommandLineTest, BackslashesCountOnlyBeforeAQuote) {
  EXPECT_EQ(SplitCommandLine(R"(p a\b a\\b)"), (TArguments{"p", R"(a\b)", R"(a\\b)"}));
  EXPECT_EQ(SplitCommandLine(R"(p a\"b)"), (TArguments{"p", R"(a"b)"}));
  EXPECT_EQ(SplitCommandLine(R"(p a\\"b c")"), (TArguments{"p", R"(a\b c)"}));
  EXPECT_EQ(SplitCommandLine(R"(p a\\\"b)"), (TArguments{"p", R"(a\"b)"}));
  EXPECT_EQ(SplitCommandLine(R"(p "C:\dir\\")"), (TArguments{"p", R"(C:\dir\)"}));
}

TEST(SplitCommandLineTest, ProgramNameTakesBackslashesLiterally) {
  EXPECT_EQ(SplitCommandLine(R"("C:\Program Files\KIVO\kivo.exe" /PLUGIN)"),
            (TArguments{R"(C:\Program Files\KIVO\kivo.exe)", "/PLUGIN"}));
  EXPECT_EQ(SplitCommandLine(R"(C:\dir\\"x y)"), (TArguments{R"(C:\dir\\"x)", "y"}));
  // The player's path with a blank, unquoted, as the host link passes it.
  EXPECT_EQ(SplitCommandLine("/opt/my kivo/kivo x"), (TArguments{"/opt/my", "kivo/kivo", "x"}));
}

}  // namespace
