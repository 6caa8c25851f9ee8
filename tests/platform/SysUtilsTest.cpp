// File-name, string, number and format functions of the platform.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <numbers>
#include <string>

#include "platform/vcl/SysUtils.h"
#include "platform/win/WinTypes.h"
#include "tests/platform/FilesTestSupport.h"

namespace {

// Makes a directory current for one test and restores the previous one.
class TCurrentDirScope {
 public:
  explicit TCurrentDirScope(const std::filesystem::path& dir)
      : FSaved(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
  }
  ~TCurrentDirScope() { std::filesystem::current_path(FSaved); }
  TCurrentDirScope(const TCurrentDirScope&) = delete;
  TCurrentDirScope& operator=(const TCurrentDirScope&) = delete;

 private:
  std::filesystem::path FSaved;
};

// ---- File names ----

TEST(ExpandFileName, RelativePathsStartAtTheCurrentDirectory) {
  const files_test::TTempDir dir;
  std::filesystem::create_directories(dir.Path() / "skins" / "blue");
  const TCurrentDirScope scope(dir.Path() / "skins" / "blue");
  const std::string base = GetCurrentDir();
  const std::string skins = ExtractFileDir(base);
  EXPECT_EQ(ExpandFileName("bg.bmp"), base + "/bg.bmp");
  EXPECT_EQ(ExpandFileName("./bg.bmp"), base + "/bg.bmp");
  EXPECT_EQ(ExpandFileName("../red/bg.bmp"), skins + "/red/bg.bmp");
  EXPECT_EQ(ExpandFileName("a/./b/../../c.bmp"), base + "/c.bmp");
  EXPECT_EQ(ExpandFileName("."), base);
  EXPECT_EQ(ExpandFileName(".."), skins);
}

TEST(ExpandFileName, AbsolutePathsAreOnlyNormalised) {
  EXPECT_EQ(ExpandFileName("/opt/kivo/skins/../design.ini"), "/opt/kivo/design.ini");
  EXPECT_EQ(ExpandFileName("/opt//kivo/./x"), "/opt/kivo/x");
  EXPECT_EQ(ExpandFileName("/../../etc"), "/etc");
  EXPECT_EQ(ExpandFileName("/opt/kivo/"), "/opt/kivo/");
  EXPECT_EQ(ExpandFileName("/"), "/");
  EXPECT_EQ(ExpandFileName("/a/.."), "/");
  EXPECT_EQ(ExpandFileName(""), "");
}

TEST(FileNameParts, DirectoryPathNameAndExtension) {
  EXPECT_EQ(ExtractFileDir("/opt/kivo/kivo.exe"), "/opt/kivo");
  EXPECT_EQ(ExtractFileDir("/kivo"), "/");
  EXPECT_EQ(ExtractFileDir("kivo"), "");
  EXPECT_EQ(ExtractFilePath("/opt/kivo/kivo.exe"), "/opt/kivo/");
  EXPECT_EQ(ExtractFileName("/opt/kivo/kivo.exe"), "kivo.exe");
  EXPECT_EQ(ExtractFileName("kivo"), "kivo");

  EXPECT_EQ(ChangeFileExt("/opt/kivo/kivo.exe", ".ini"), "/opt/kivo/kivo.ini");
  EXPECT_EQ(ChangeFileExt("/opt/kivo/kivo", ".ini"), "/opt/kivo/kivo.ini");
  EXPECT_EQ(ChangeFileExt("/opt/kivo.d/kivo", ".ini"), "/opt/kivo.d/kivo.ini");
  EXPECT_EQ(ChangeFileExt("a.tar.gz", ".ini"), "a.tar.ini");
  EXPECT_EQ(ChangeFileExt("", ".ini"), ".ini");
}

TEST(CurrentDir, SetReportsFailureAndLeavesTheDirectory) {
  const files_test::TTempDir dir;
  const TCurrentDirScope scope(dir.Path());
  const std::string before = GetCurrentDir();
  EXPECT_FALSE(SetCurrentDir(dir.File("missing")));
  EXPECT_FALSE(SetCurrentDir(""));
  EXPECT_EQ(GetCurrentDir(), before);
  std::filesystem::create_directory(dir.Path() / "sub");
  EXPECT_TRUE(SetCurrentDir("sub"));
  EXPECT_EQ(GetCurrentDir(), before + "/sub");
}

// ---- Strings ----

TEST(AnsiCase, AsciiAndLatin1LettersChangeOthersStay) {
  EXPECT_EQ(AnsiLowerCase("Dir=3,FOO"), "dir=3,foo");
  EXPECT_EQ(AnsiUpperCase("/plugin"), "/PLUGIN");
  EXPECT_EQ(AnsiLowerCase("ÄÖÜ É × ß"), "äöü é × ß");
  EXPECT_EQ(AnsiUpperCase("äöü é ÷ ÿ"), "ÄÖÜ É ÷ ÿ");
  EXPECT_EQ(AnsiLowerCase("スペアナ Ω"), "スペアナ Ω");
  EXPECT_EQ(AnsiLowerCase(std::string("A\xC3", 2)), std::string("a\xC3", 2));
}

TEST(AnsiCompareText, IgnoresCaseAndOrders) {
  EXPECT_EQ(AnsiCompareText("/PLUGIN", "/plugin"), 0);
  EXPECT_EQ(AnsiCompareText("Ärger", "äRGER"), 0);
  EXPECT_LT(AnsiCompareText("apple", "BANANA"), 0);
  EXPECT_GT(AnsiCompareText("b", "A"), 0);
  EXPECT_LT(AnsiCompareText("/PLUGIN", "/PLUGINS"), 0);
}

TEST(AnsiPos, OneBasedOrZero) {
  EXPECT_EQ(AnsiPos(".cda", "Track01.cda"), 8);
  EXPECT_EQ(AnsiPos("T", "Track"), 1);
  EXPECT_EQ(AnsiPos(".wav", "Track01.cda"), 0);
  EXPECT_EQ(AnsiPos("", "Track"), 0);
}

// ---- Numbers ----

TEST(StrToIntDef, DecimalAndHexadecimalWithinThirtyTwoBits) {
  EXPECT_EQ(StrToIntDef("42", -9), 42);
  EXPECT_EQ(StrToIntDef("+42", -9), 42);
  EXPECT_EQ(StrToIntDef("-7", -9), -7);
  EXPECT_EQ(StrToIntDef("  12", -9), 12);
  EXPECT_EQ(StrToIntDef("$1F", -9), 31);
  EXPECT_EQ(StrToIntDef("0x1f", -9), 31);
  EXPECT_EQ(StrToIntDef("0X1F", -9), 31);
  EXPECT_EQ(StrToIntDef("-$1F", -9), -31);
  EXPECT_EQ(StrToIntDef("$FFFFFF", -9), 16777215);
  EXPECT_EQ(StrToIntDef("$FFFFFFFF", -9), -1);
  EXPECT_EQ(StrToIntDef("2147483647", -9), 2147483647);
  EXPECT_EQ(StrToIntDef("-2147483648", -9), -2147483647 - 1);
  EXPECT_EQ(StrToIntDef("007", -9), 7);
}

TEST(StrToIntDef, AnythingElseGivesTheDefault) {
  for (const char* text :
       {"", " ", "-", "+", "$", "0x", "12abc", "12 ", "1.5", "x1F", "$1G", "2147483648",
        "-2147483649", "$100000000", "99999999999999999999", "--1", "1e3", "٣"}) {
    EXPECT_EQ(StrToIntDef(text, -9), -9) << '"' << text << '"';
  }
}

TEST(IntToStr, Decimal) {
  EXPECT_EQ(IntToStr(0), "0");
  EXPECT_EQ(IntToStr(-2147483648LL), "-2147483648");
}

// ---- Format ----

TEST(Format, TheReportAndErrorTexts) {
  const HRESULT noInterface = static_cast<std::int32_t>(0x80004002u);
  EXPECT_EQ(Format("IKIVOControl Interface Error[%x]", {noInterface}),
            "IKIVOControl Interface Error[80004002]");
  EXPECT_EQ(Format("[%x]", {0x1A}), "[1A]");
  EXPECT_EQ(Format("%s @ %s/%d", {"intf != 0", "Kivo.pas", 1602}), "intf != 0 @ Kivo.pas/1602");
  EXPECT_EQ(Format("'%s': %s @ %s/%d", {std::string("call"), "text\r\n", "f", -3}),
            "'call': text\r\n @ f/-3");
  EXPECT_EQ(Format("100%% %s", {"done"}), "100% done");
}

TEST(Format, WidthPrecisionJustificationAndIndexes) {
  EXPECT_EQ(Format("[%5d|%-5d|%.3d|%.3d]", {42, 42, 7, -7}), "[   42|42   |007|-007]");
  EXPECT_EQ(Format("[%8.4x|%-4X]", {255, 10}), "[    00FF|A   ]");
  EXPECT_EQ(Format("[%6s|%-6s|%.2s]", {"ab", "ab", "abcdef"}), "[    ab|ab    |ab]");
  EXPECT_EQ(Format("%u %u", {-1, 7u}), "4294967295 7");
  EXPECT_EQ(Format("%x", {std::int64_t{-1}}), "FFFFFFFFFFFFFFFF");
  EXPECT_EQ(Format("%d", {std::int64_t{-9000000000}}), "-9000000000");
  EXPECT_EQ(Format("%1:s %0:s %s", {"a", "b"}), "b a b");
  EXPECT_EQ(Format("%D %S", {3, "x"}), "3 x");
}

TEST(Format, BadSpecifiersRaiseTheConvertError) {
  EXPECT_THROW(Format("%q", {1}), EConvertError);
  EXPECT_THROW(Format("%lX", {1}), EConvertError);
  EXPECT_THROW(Format("%d", {"text"}), EConvertError);
  EXPECT_THROW(Format("%s", {5}), EConvertError);
  EXPECT_THROW(Format("%d %d", {5}), EConvertError);
  EXPECT_THROW(Format("%2:d", {5}), EConvertError);
  EXPECT_THROW(Format("50%", {}), EConvertError);
  EXPECT_THROW(Format("%99999999999d", {1}), EConvertError);
}

// ---- Process and maths ----

TEST(ParamStr, ProgramPathAndArguments) {
  const std::string program = ParamStr(0);
  EXPECT_EQ(program, std::filesystem::canonical("/proc/self/exe").string());
  const auto& argv = testing::internal::GetArgvs();
  ASSERT_EQ(ParamCount(), static_cast<int>(argv.size()) - 1);
  for (int i = 1; i <= ParamCount(); ++i) EXPECT_EQ(ParamStr(i), argv[static_cast<std::size_t>(i)]);
  EXPECT_EQ(ParamStr(ParamCount() + 1), "");
  EXPECT_EQ(ParamStr(-1), "");
}

TEST(SinCos, BothAtOnce) {
  for (const long double angle : {0.0L, std::numbers::pi_v<long double> / 6, 2.5L, -4.0L}) {
    long double sine = 2;
    long double cosine = 2;
    SinCos(angle, sine, cosine);
    EXPECT_EQ(sine, std::sin(angle));
    EXPECT_EQ(cosine, std::cos(angle));
  }
  long double sine = 0;
  long double cosine = 0;
  SinCos(std::numbers::pi_v<long double> / 6, sine, cosine);
  EXPECT_NEAR(static_cast<double>(sine), 0.5, 1e-15);
}

}  // namespace
