#include <gtest/gtest.h>

#include <filesystem>

#include "display/Fileinfo.h"
#include "platform/vcl/SysUtils.h"
#include "tests/platform/FilesTestSupport.h"

namespace {

class FileinfoTest : public ::testing::Test {
 protected:
  FileinfoTest() : Home(GetCurrentDir()) {
    std::filesystem::create_directory(Dir.Path() / "skin");
    SkinDir = std::filesystem::canonical(Dir.Path() / "skin").string();
  }
  ~FileinfoTest() override { SetCurrentDir(Home); }

  const std::string Home;
  files_test::TTempDir Dir;
  std::string SkinDir;
};

TEST_F(FileinfoTest, AnEmptyPathOrDirectoryLeavesThePathAsItIs) {
  EXPECT_EQ(ExpandFileNameInDir("bars.bmp", ""), "bars.bmp");
  EXPECT_EQ(ExpandFileNameInDir("../x/./bars.bmp", ""), "../x/./bars.bmp");
  EXPECT_EQ(ExpandFileNameInDir("", SkinDir), "");
}

TEST_F(FileinfoTest, ARelativePathIsTakenFromTheDirectory) {
  EXPECT_EQ(ExpandFileNameInDir("bars.bmp", SkinDir), SkinDir + "/bars.bmp");
  EXPECT_EQ(ExpandFileNameInDir("./parts/../bars.bmp", SkinDir), SkinDir + "/bars.bmp");
  EXPECT_EQ(ExpandFileNameInDir("../shared/bars.bmp", SkinDir),
            std::filesystem::path(SkinDir).parent_path().string() + "/shared/bars.bmp");
  EXPECT_EQ(GetCurrentDir(), Home);
}

TEST_F(FileinfoTest, AnAbsolutePathStaysAbsolute) {
  EXPECT_EQ(ExpandFileNameInDir("/opt/skins/./a/../bars.bmp", SkinDir), "/opt/skins/bars.bmp");
  EXPECT_EQ(GetCurrentDir(), Home);
}

TEST_F(FileinfoTest, ADirectoryThatCannotBeEnteredLeavesTheCurrentOneAsBase) {
  const std::string missing = Dir.File("missing");
  files_test::WriteText(Dir.File("plain"), "not a directory");
  EXPECT_EQ(ExpandFileNameInDir("bars.bmp", missing), ExpandFileName("bars.bmp"));
  EXPECT_EQ(ExpandFileNameInDir("bars.bmp", Dir.File("plain")), ExpandFileName("bars.bmp"));
  EXPECT_EQ(GetCurrentDir(), Home);
}

TEST_F(FileinfoTest, ARelativeDirectoryIsTakenFromTheCurrentOne) {
  ASSERT_TRUE(SetCurrentDir(Dir.Path().string()));
  const std::string before = GetCurrentDir();
  EXPECT_EQ(ExpandFileNameInDir("bars.bmp", "skin"), SkinDir + "/bars.bmp");
  EXPECT_EQ(GetCurrentDir(), before);
}

}  // namespace
