// TIniFile: the reading rules of the design and settings files, and writes
// that change only the lines they mean to.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/vcl/IniFiles.h"
#include "platform/vcl/StringList.h"
#include "tests/platform/FilesTestSupport.h"

namespace {

using files_test::ReadText;
using files_test::WriteText;

class IniFileTest : public testing::Test {
 protected:
  TIniFile IniWith(const std::string& text) const {
    WriteText(FPath, text);
    return TIniFile(FPath);
  }

  files_test::TTempDir FDir;
  std::string FPath = FDir.File("design.ini");
};

// ---- Reading ----

const char* const kDesign =
    "; skin design\n"
    "[SpeanaL]\n"
    "Visible=1\n"
    "  left = 12  \n"
    "Option=\"Dir=3,Foo\"\n"
    "Quoted='single'\n"
    "Mismatched=\"half'\n"
    "Lonely=\"\n"
    "Inner=a \"b\" c\n"
    "Empty=\n"
    "this line is no key\n"
    ";Width=99\n"
    "=no name\n"
    "Visible=0\n"
    "[ speanaR ]\n"
    "Visible=2\n"
    "[SpeanaL]\n"
    "Height=50\n";

TEST_F(IniFileTest, NamesIgnoreCaseValuesLoseBlanksAndMatchingQuotes) {
  const TIniFile ini = IniWith(kDesign);
  EXPECT_EQ(ini.ReadString("speanal", "LEFT", "?"), "12");
  EXPECT_EQ(ini.ReadString("SpeanaL", "Option", "?"), "Dir=3,Foo");
  EXPECT_EQ(ini.ReadString("SpeanaL", "Quoted", "?"), "single");
  EXPECT_EQ(ini.ReadString("SpeanaL", "Mismatched", "?"), "\"half'");
  EXPECT_EQ(ini.ReadString("SpeanaL", "Lonely", "?"), "\"");
  EXPECT_EQ(ini.ReadString("SpeanaL", "Inner", "?"), "a \"b\" c");
  EXPECT_EQ(ini.ReadString("SpeanaL", "Empty", "?"), "");
  EXPECT_EQ(ini.ReadString("SpeanaR", "Visible", "?"), "2");
}

TEST_F(IniFileTest, MissingKeysCommentsAndMalformedLinesGiveDefaults) {
  const TIniFile ini = IniWith(kDesign);
  EXPECT_EQ(ini.ReadString("SpeanaL", "Graphics", "none"), "none");
  EXPECT_EQ(ini.ReadInteger("SpeanaL", "Width", 7), 7);
  EXPECT_EQ(ini.ReadString("SpeanaL", "this line is no key", "d"), "d");
  EXPECT_EQ(ini.ReadString("SpeanaL", "", "d"), "d");
  EXPECT_EQ(ini.ReadString("Lyrics", "Colors", "d"), "d");
}

TEST_F(IniFileTest, TheFirstOfADuplicatedSectionOrKeyWins) {
  const TIniFile ini = IniWith(kDesign);
  EXPECT_EQ(ini.ReadInteger("SpeanaL", "Visible", -1), 1);
  EXPECT_EQ(ini.ReadInteger("SpeanaL", "Height", -1), -1);
}

TEST_F(IniFileTest, KeysBeforeAnySectionBelongToNone) {
  const TIniFile ini = IniWith("Design=skin.ini\n[KIVO]\nSpeanaPattern=4\n");
  EXPECT_EQ(ini.ReadString("", "Design", "d"), "d");
  EXPECT_EQ(ini.ReadInteger("KIVO", "SpeanaPattern", 2), 4);
}

TEST_F(IniFileTest, WindowsLineEndingsAndAByteOrderMarkAreRead) {
  const TIniFile ini =
      IniWith("\xEF\xBB\xBF[KIVO]\r\nDesign = skins\\blue.ini \r\nSpeanaPattern=5\r\n");
  EXPECT_EQ(ini.ReadString("KIVO", "Design", ""), "skins\\blue.ini");
  EXPECT_EQ(ini.ReadInteger("KIVO", "SpeanaPattern", 2), 5);
}

TEST_F(IniFileTest, IntegersDecimalOrHexadecimalElseTheDefault) {
  const TIniFile ini = IniWith(
      "[N]\na=42\nb=-7\nc=$1F\nd=0x1F\ne=0X1f\nf=-$1F\ng=$FFFFFFFF\nh=2147483648\ni=12abc\nj=\nk=1."
      "5\n"
      "l=\"16776960\"\nm= 0x \n");
  const std::vector<std::pair<const char*, std::int32_t>> expected{
      {"a", 42}, {"b", -7}, {"c", 31}, {"d", 31}, {"e", 31},       {"f", -31}, {"g", -1},
      {"h", 99}, {"i", 99}, {"j", 99}, {"k", 99}, {"l", 16776960}, {"m", 99},  {"missing", 99}};
  for (const auto& [key, value] : expected) EXPECT_EQ(ini.ReadInteger("N", key, 99), value) << key;
}

TEST_F(IniFileTest, BooleansAreIntegersWhereNonZeroIsTrue) {
  const TIniFile ini = IniWith("[SpeanaL]\nChecked=1\nZero=0\nMinus=-1\nHex=$10\nWord=yes\n");
  EXPECT_TRUE(ini.ReadBool("SpeanaL", "Checked", false));
  EXPECT_FALSE(ini.ReadBool("SpeanaL", "Zero", true));
  EXPECT_TRUE(ini.ReadBool("SpeanaL", "Minus", false));
  EXPECT_TRUE(ini.ReadBool("SpeanaL", "Hex", false));
  EXPECT_TRUE(ini.ReadBool("SpeanaL", "Word", true));
  EXPECT_FALSE(ini.ReadBool("SpeanaL", "Word", false));
  EXPECT_TRUE(ini.ReadBool("SpeanaL", "Missing", true));
}

TEST_F(IniFileTest, AMissingOrUnreadableFileReadsAsDefaults) {
  for (const std::string& path : {FDir.File("missing.ini"), FDir.Path().string()}) {
    const TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("KIVO", "Design", "d"), "d");
    EXPECT_EQ(ini.ReadInteger("KIVO", "SpeanaPattern", 2), 2);
    EXPECT_FALSE(ini.ReadBool("SpeanaL", "Checked", false));
    EXPECT_FALSE(ini.SectionExists("KIVO"));
  }
  EXPECT_FALSE(std::filesystem::exists(FDir.File("missing.ini")));
}

TEST_F(IniFileTest, SectionsKeysAndExistence) {
  const TIniFile ini =
      IniWith("[Tool]\nEditor=vi\nviewer=less\nEDITOR=nano\n[KIVO]\n[tool]\nOther=1\n");
  TStringList list;
  ini.ReadSection("TOOL", list);
  EXPECT_EQ(list.CommaText(), "Editor,viewer");
  ini.ReadSections(list);
  EXPECT_EQ(list.CommaText(), "Tool,KIVO");
  EXPECT_TRUE(ini.ValueExists("tool", "editor"));
  EXPECT_FALSE(ini.ValueExists("Tool", "Other"));
  EXPECT_TRUE(ini.SectionExists("kivo"));
  EXPECT_FALSE(ini.SectionExists("Lyrics"));
}

// ---- Writing ----

TEST_F(IniFileTest, WritingAKeyReplacesOnlyItsValue) {
  const std::string before =
      "; comment\n[KIVO]\n  design = old.ini ; not a "
      "comment\nSpeanaPattern=2\n\n[Tool]\nDesign=x\n";
  TIniFile ini = IniWith(before);
  ini.WriteString("kivo", "DESIGN", "skins/blue.ini");
  EXPECT_EQ(ReadText(FPath),
            "; comment\n[KIVO]\n  design =skins/blue.ini\nSpeanaPattern=2\n\n[Tool]\nDesign=x\n");
  EXPECT_EQ(ini.ReadString("KIVO", "Design", ""), "skins/blue.ini");
}

TEST_F(IniFileTest, ANewKeyFollowsTheLastEntryOfItsSection) {
  TIniFile ini = IniWith("[KIVO]\nDesign=a\n; trailing comment\n\n[Tool]\nEditor=vi\n");
  ini.WriteInteger("KIVO", "SpeanaPattern", 4);
  ini.WriteBool("Tool", "Enabled", true);
  EXPECT_EQ(
      ReadText(FPath),
      "[KIVO]\nDesign=a\n; trailing comment\nSpeanaPattern=4\n\n[Tool]\nEditor=vi\nEnabled=1\n");
}

TEST_F(IniFileTest, AMissingSectionOrFileIsCreated) {
  TIniFile ini = IniWith("[KIVO]\nDesign=a");
  ini.WriteString("Tool", "Viewer", "less");
  EXPECT_EQ(ReadText(FPath), "[KIVO]\nDesign=a\n[Tool]\nViewer=less\n");

  TIniFile fresh(FDir.File("new.ini"));
  fresh.WriteBool("SpeanaL", "Checked", false);
  EXPECT_EQ(ReadText(FDir.File("new.ini")), "[SpeanaL]\nChecked=0\n");
  EXPECT_FALSE(fresh.ReadBool("SpeanaL", "Checked", true));
}

TEST_F(IniFileTest, NewLinesTakeTheFilesLineEnding) {
  TIniFile ini = IniWith("[KIVO]\r\nDesign=a\r\n[Tool]\r\nA=1");
  ini.WriteString("KIVO", "SpeanaPattern", "3");
  ini.WriteString("Tool", "B", "2");
  ini.WriteString("Lyrics", "Colors", "255");
  EXPECT_EQ(ReadText(FPath),
            "[KIVO]\r\nDesign=a\r\nSpeanaPattern=3\r\n[Tool]\r\nA=1\r\nB=2\r\n[Lyrics]\r\nColors="
            "255\r\n");
}

TEST_F(IniFileTest, DeletingAKeyOrSectionRemovesOnlyItsLines) {
  TIniFile ini =
      IniWith("[Tool]\nEditor=vi\n; keep\nViewer=less\n[KIVO]\nDesign=a\n[Old]\nX=1\n\n[Last]\n");
  ini.DeleteKey("tool", "EDITOR");
  EXPECT_EQ(ReadText(FPath),
            "[Tool]\n; keep\nViewer=less\n[KIVO]\nDesign=a\n[Old]\nX=1\n\n[Last]\n");
  EXPECT_FALSE(ini.ValueExists("Tool", "Editor"));
  ini.EraseSection("old");
  EXPECT_EQ(ReadText(FPath), "[Tool]\n; keep\nViewer=less\n[KIVO]\nDesign=a\n[Last]\n");
}

TEST_F(IniFileTest, DeletingWhatIsNotThereTouchesNothing) {
  TIniFile ini = IniWith("[Tool]\nEditor=vi\n");
  ::chmod(FPath.c_str(), 0640);
  ini.DeleteKey("Tool", "Viewer");
  ini.DeleteKey("Lyrics", "Colors");
  ini.EraseSection("Lyrics");
  EXPECT_EQ(ReadText(FPath), "[Tool]\nEditor=vi\n");
  TIniFile missing(FDir.File("missing.ini"));
  missing.DeleteKey("Tool", "Editor");
  missing.EraseSection("Tool");
  EXPECT_FALSE(std::filesystem::exists(FDir.File("missing.ini")));
}

TEST_F(IniFileTest, EveryCallSeesTheFileAsItIsNow) {
  TIniFile reader = IniWith("[KIVO]\nSpeanaPattern=1\n");
  EXPECT_EQ(reader.ReadInteger("KIVO", "SpeanaPattern", 2), 1);
  TIniFile(FPath).WriteInteger("KIVO", "SpeanaPattern", 4);
  EXPECT_EQ(reader.ReadInteger("KIVO", "SpeanaPattern", 2), 4);
  WriteText(FPath, "[KIVO]\nSpeanaPattern=5\n");
  EXPECT_EQ(reader.ReadInteger("KIVO", "SpeanaPattern", 2), 5);
  reader.WriteString("KIVO", "Design", "d.ini");
  EXPECT_EQ(ReadText(FPath), "[KIVO]\nSpeanaPattern=5\nDesign=d.ini\n");
}

TEST_F(IniFileTest, AWriteKeepsPermissionsAndWritesThroughALink) {
  IniWith("[KIVO]\n");
  ASSERT_EQ(::chmod(FPath.c_str(), 0640), 0);
  const std::string link = FDir.File("link.ini");
  std::filesystem::create_symlink(FPath, link);
  TIniFile(link).WriteString("KIVO", "Design", "x");
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(ReadText(FPath), "[KIVO]\nDesign=x\n");
  struct stat status {};
  ASSERT_EQ(::stat(FPath.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 07777, 0640u);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(FDir.Path()), {}), 2);
}

// ---- Writes that must fail loudly ----

TEST_F(IniFileTest, AWriteThatCannotBeMadeRaises) {
  TIniFile inMissingFolder(FDir.File("no/such/folder.ini"));
  EXPECT_THROW(inMissingFolder.WriteString("KIVO", "Design", "x"), EIniFileException);
  TIniFile onAFolder(FDir.Path().string());
  EXPECT_THROW(onAFolder.WriteString("KIVO", "Design", "x"), EIniFileException);
  EXPECT_THROW(onAFolder.DeleteKey("KIVO", "Design"), EIniFileException);
}

TEST_F(IniFileTest, NamesAndValuesThatWouldBreakTheFileAreRefused) {
  const std::string before = "[Tool]\nEditor=vi\n";
  TIniFile ini = IniWith(before);
  EXPECT_THROW(ini.WriteString("Tool", "Editor", "vi\n[KIVO]\nDesign=evil"), EIniFileException);
  EXPECT_THROW(ini.WriteString("Tool", "a=b", "1"), EIniFileException);
  EXPECT_THROW(ini.WriteString("Tool", " ;x", "1"), EIniFileException);
  EXPECT_THROW(ini.WriteString("Tool", "[x", "1"), EIniFileException);
  EXPECT_THROW(ini.WriteString("Tool", "", "1"), EIniFileException);
  EXPECT_THROW(ini.WriteString("To]ol", "a", "1"), EIniFileException);
  EXPECT_THROW(ini.WriteString("Tool\r", "a", "1"), EIniFileException);
  EXPECT_EQ(ReadText(FPath), before);
  try {
    ini.WriteString("Tool", "Editor", "a\nb");
    FAIL() << "no error";
  } catch (const EIniFileException& error) {
    EXPECT_NE(error.Message().find(FPath), std::string::npos) << error.Message();
  }
}

}  // namespace
