// The default skins hold together: every design key is there, and each
// bitmap fits the panel geometry its design file gives it, so that pictures
// cover the inner area and frame sheets hold eleven levels by ten bands.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/vcl/BmpReader.h"
#include "platform/vcl/IniFiles.h"
#include "platform/vcl/StringList.h"

namespace {

namespace fs = std::filesystem;

const char* const kPanelKeys[] = {"Visible", "Left",      "Top",       "Width",
                                  "Height",  "EdgeInner", "EdgeOuter", "BackColor",
                                  "Checked", "Option",    "Graphics"};

struct InnerArea {
  int Width;
  int Height;
};

InnerArea InnerAreaOf(const TIniFile& design, const char* section) {
  const int bevel = (design.ReadInteger(section, "EdgeInner", 0) != 0 ? 1 : 0) +
                    (design.ReadInteger(section, "EdgeOuter", 0) != 0 ? 1 : 0);
  return {design.ReadInteger(section, "Width", 0) - 2 * bevel,
          design.ReadInteger(section, "Height", 0) - 2 * bevel};
}

class SkinTest : public ::testing::TestWithParam<const char*> {
 protected:
  fs::path Dir() const { return fs::path(KOLMIRA_SKINS_DIR) / GetParam(); }
};

TEST_P(SkinTest, DesignFileSetsEveryKey) {
  const TIniFile design((Dir() / "design.ini").string());
  for (const char* section : {"SpeanaL", "SpeanaR"}) {
    for (const char* key : kPanelKeys) {
      EXPECT_TRUE(design.ValueExists(section, key)) << section << "/" << key;
    }
    EXPECT_EQ(design.ReadInteger(section, "Visible", 0), 1) << section;
  }
  TStringList colours;
  colours.SetCommaText(design.ReadString("Lyrics", "Colors", ""));
  EXPECT_EQ(colours.Count(), 10);
}

TEST_P(SkinTest, BitmapsFitThePanels) {
  const TIniFile design((Dir() / "design.ini").string());
  for (const char* section : {"SpeanaL", "SpeanaR"}) {
    const std::string graphics = design.ReadString(section, "Graphics", "");
    if (graphics.empty()) continue;
    const TBmpImage image = ReadBmpFile((Dir() / graphics).string());
    const InnerArea inner = InnerAreaOf(design, section);
    if (design.ReadBool(section, "Checked", false)) {
      // Bands stand in columns: one frame is one band's column.
      EXPECT_EQ(image.Width, 11 * (inner.Width / 10)) << section;
      EXPECT_EQ(image.Height, 10 * inner.Height) << section;
    } else {
      EXPECT_EQ(image.Width, inner.Width) << section;
      EXPECT_EQ(image.Height, inner.Height) << section;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(DefaultSkins, SkinTest, ::testing::Values("bars", "picture", "frames"));

}  // namespace
