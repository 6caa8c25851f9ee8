#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/vcl/Registry.h"

namespace {

namespace fs = std::filesystem;

const std::string kHostKey = "Software\\SOLVANE\\KIVO";
const std::string kAppPathKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\KIVO.EXE";

// Points the registry at a fresh folder for each test.
class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "kivo-registry-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    FFolder = pattern;
    ::setenv("KIVO_REGISTRY_DIR", FFolder.c_str(), 1);
  }

  void TearDown() override {
    ::unsetenv("KIVO_REGISTRY_DIR");
    fs::remove_all(FFolder);
  }

  fs::path RootFile(const std::string& name) const { return FFolder / (name + ".txt"); }

  void WriteRootFile(const std::string& name, const std::string& content) const {
    std::ofstream(RootFile(name), std::ios::binary) << content;
  }

  static void WriteHostPath(const std::string& path) {
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey(kHostKey, true));
    registry.WriteString("", path);
  }

  static std::string ReadHostPath() {
    TRegistry registry;
    registry.SetRootKey(HKEY_CURRENT_USER);
    if (!registry.OpenKey(kHostKey, false)) return "(no key)";
    return registry.ReadString("");
  }

  fs::path FFolder;
};

TEST_F(RegistryTest, AValueWrittenIsReadBackByANewObject) {
  {
    TRegistry writer;
    EXPECT_EQ(writer.RootKey(), HKEY_CURRENT_USER);
    ASSERT_TRUE(writer.OpenKey(kHostKey, true));
    writer.WriteString("", "/opt/kivo/kivo");
    writer.WriteString("Language", "ja");
    writer.WriteInteger("Volume", -5);
  }
  TRegistry reader;
  ASSERT_TRUE(reader.OpenKeyReadOnly(kHostKey));
  EXPECT_EQ(reader.ReadString(""), "/opt/kivo/kivo");
  EXPECT_EQ(reader.ReadString("Language"), "ja");
  EXPECT_EQ(reader.ReadInteger("Volume"), -5);
  EXPECT_TRUE(fs::exists(RootFile("HKEY_CURRENT_USER")));
}

TEST_F(RegistryTest, EachRootKeyHasItsOwnValues) {
  TRegistry machine;
  machine.SetRootKey(HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(machine.OpenKey(kAppPathKey, true));
  machine.WriteString("", "/usr/bin/kivo");

  TRegistry user;
  EXPECT_FALSE(user.KeyExists(kAppPathKey));
  user.SetRootKey(HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(user.OpenKey(kAppPathKey, false));
  EXPECT_EQ(user.ReadString(""), "/usr/bin/kivo");
  EXPECT_TRUE(fs::exists(RootFile("HKEY_LOCAL_MACHINE")));
  EXPECT_FALSE(fs::exists(RootFile("HKEY_CURRENT_USER")));
}

TEST_F(RegistryTest, PathsAndNamesIgnoreCaseAndStraySeparators) {
  WriteHostPath("/opt/kivo/kivo");
  TRegistry registry;
  ASSERT_TRUE(registry.OpenKey("\\SOFTWARE\\solvane\\Kivo\\", false));
  EXPECT_EQ(registry.CurrentPath(), "SOFTWARE\\solvane\\Kivo");
  EXPECT_EQ(registry.ReadString(""), "/opt/kivo/kivo");
  registry.WriteString("Design", "a");
  registry.WriteString("DESIGN", "b");
  EXPECT_EQ(registry.ReadString("design"), "b") << "one value, whatever the case of its name";
  EXPECT_TRUE(registry.KeyExists("\\software\\SOLVANE"));
}

TEST_F(RegistryTest, MissingKeysAndValues) {
  TRegistry registry;
  EXPECT_FALSE(registry.OpenKey(kHostKey, false));
  EXPECT_FALSE(registry.KeyExists("Software")) << "a failed open creates nothing";
  EXPECT_EQ(registry.CurrentPath(), "");
  EXPECT_EQ(registry.ReadString(""), "") << "no key open reads as missing";

  ASSERT_TRUE(registry.OpenKey(kHostKey, true));
  EXPECT_TRUE(registry.KeyExists("\\Software\\SOLVANE")) << "parents are made too";
  EXPECT_FALSE(registry.ValueExists(""));
  EXPECT_EQ(registry.ReadString(""), "") << "a missing default value reads as empty";
  EXPECT_EQ(registry.ReadString("Nothing"), "");
  EXPECT_THROW(registry.ReadInteger("Nothing"), ERegistryException);

  EXPECT_FALSE(registry.OpenKey("\\Software\\Other", false));
  EXPECT_EQ(registry.CurrentPath(), kHostKey) << "a failed open keeps the open key";
}

TEST_F(RegistryTest, RelativePathsStartAtTheOpenKey) {
  TRegistry registry;
  ASSERT_TRUE(registry.OpenKey("Software", true));
  ASSERT_TRUE(registry.OpenKey("SOLVANE\\KIVO", true));
  EXPECT_EQ(registry.CurrentPath(), kHostKey);
  EXPECT_TRUE(registry.KeyExists("\\Software\\SOLVANE\\KIVO"));
  EXPECT_FALSE(registry.KeyExists("Software"))
      << "relative to the open key: Software\\SOLVANE\\KIVO\\Software";
  registry.CloseKey();
  EXPECT_TRUE(registry.KeyExists("Software"));
}

TEST_F(RegistryTest, AValueOfAnotherTypeIsNotAString) {
  TRegistry registry;
  ASSERT_TRUE(registry.OpenKey(kHostKey, true));
  registry.WriteInteger("Version", 6100);
  EXPECT_THROW(registry.ReadString("Version"), ERegistryException);
  registry.WriteString("Name", "KIVO");
  EXPECT_THROW(registry.ReadInteger("Name"), ERegistryException);
  EXPECT_EQ(registry.ReadInteger("Version"), 6100);
}

TEST_F(RegistryTest, WritesFailWithoutAKeyOpenForWriting) {
  WriteHostPath("/opt/kivo/kivo");
  TRegistry registry;
  EXPECT_THROW(registry.WriteString("x", "y"), ERegistryException);
  ASSERT_TRUE(registry.OpenKeyReadOnly(kHostKey));
  EXPECT_THROW(registry.WriteString("", "/elsewhere"), ERegistryException);
  EXPECT_FALSE(registry.DeleteValue(""));
  EXPECT_EQ(ReadHostPath(), "/opt/kivo/kivo");

  registry.SetRootKey(reinterpret_cast<HKEY>(std::intptr_t{42}));
  EXPECT_FALSE(registry.OpenKey("Software", true)) << "an unknown root key has no keys";
}

TEST_F(RegistryTest, DeletingAKeyTakesItsSubkeys) {
  TRegistry registry;
  ASSERT_TRUE(registry.OpenKey(kHostKey + "\\Plugins\\Kolmira", true));
  registry.WriteString("Enabled", "1");
  ASSERT_TRUE(registry.OpenKey("\\Software\\SOLVANEX", true));
  registry.CloseKey();
  EXPECT_TRUE(registry.DeleteKey("software\\solvane"));
  EXPECT_FALSE(registry.KeyExists(kHostKey + "\\Plugins\\Kolmira"));
  EXPECT_FALSE(registry.KeyExists("Software\\SOLVANE"));
  EXPECT_TRUE(registry.KeyExists("Software\\SOLVANEX"))
      << "a key that only begins with the same name stays";
  EXPECT_FALSE(registry.DeleteKey("Software\\SOLVANE"));
  EXPECT_FALSE(registry.DeleteKey("\\")) << "the root key cannot be deleted";
}

TEST_F(RegistryTest, WritingToADeletedOpenKeyFails) {
  TRegistry registry;
  ASSERT_TRUE(registry.OpenKey(kHostKey, true));
  TRegistry other;
  ASSERT_TRUE(other.DeleteKey(kHostKey));
  EXPECT_THROW(registry.WriteString("x", "y"), ERegistryException);
}

TEST_F(RegistryTest, DeletingAValue) {
  TRegistry registry;
  ASSERT_TRUE(registry.OpenKey(kHostKey, true));
  registry.WriteString("", "/opt/kivo/kivo");
  EXPECT_TRUE(registry.ValueExists(""));
  EXPECT_TRUE(registry.DeleteValue(""));
  EXPECT_FALSE(registry.ValueExists(""));
  EXPECT_FALSE(registry.DeleteValue(""));
}

TEST_F(RegistryTest, ValuesAndNamesMayHoldAnyByte) {
  const std::string awkward =
      std::string("line one\nline two\r\n=%41[x];\0\x7F end", 31) + "\xE5\xAF\xBE\xE5\xBF\x9C";
  const std::string awkwardName = "[a=b;\nc%]";
  {
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey(kHostKey + "\\[odd]=%key", true));
    registry.WriteString("", awkward);
    registry.WriteString(awkwardName, awkward);
    registry.WriteString("After", "still here");
  }
  TRegistry registry;
  ASSERT_TRUE(registry.OpenKey(kHostKey + "\\[ODD]=%KEY", false));
  EXPECT_EQ(registry.ReadString(""), awkward);
  EXPECT_EQ(registry.ReadString(awkwardName), awkward);
  EXPECT_EQ(registry.ReadString("After"), "still here");
}

TEST_F(RegistryTest, ADamagedFileReadsAsEmptyKeysAndCanBeWrittenAgain) {
  std::mt19937 generator(7);
  std::uniform_int_distribution<int> byte(0, 255);
  std::string garbage;
  for (int i = 0; i < 4096; ++i) garbage += static_cast<char>(byte(generator));
  WriteRootFile("HKEY_CURRENT_USER", garbage);

  EXPECT_EQ(ReadHostPath(), "(no key)");
  WriteHostPath("/opt/kivo/kivo");
  EXPECT_EQ(ReadHostPath(), "/opt/kivo/kivo");
}

TEST_F(RegistryTest, UnreadableLinesAreSkippedAndTheRestIsKept) {
  WriteRootFile("HKEY_CURRENT_USER",
                "KIVO-REGISTRY 1\r\n"
                "[Software\\SOLVANE\\KIVO]\r\n"
                "=sz:/opt/kivo/kivo\r\n"
                "Broken=sz:%4\n"
                "NoType=/x\n"
                "Odd=binary:ABC\n"
                "Huge=dword:99999999999\n"
                "Later=unknown:1\n"
                "just some words\n"
                "[Bad%ZZKey]\n"
                "Orphan=sz:lost\n"
                "[Software\\SOLVANE\\KIVO]\n"
                "Count=dword:12\n"
                "Blob=binary:00ff\n");
  TRegistry registry;
  ASSERT_TRUE(registry.OpenKey(kHostKey, false));
  EXPECT_EQ(registry.ReadString(""), "/opt/kivo/kivo");
  EXPECT_EQ(registry.ReadInteger("Count"), 12);
  for (const char* name : {"Broken", "NoType", "Odd", "Huge", "Later", "Orphan"}) {
    EXPECT_FALSE(registry.ValueExists(name)) << name;
  }
  EXPECT_THROW(registry.ReadString("Blob"), ERegistryException);
}

TEST_F(RegistryTest, AFileWithoutItsFirstLineHoldsNothing) {
  WriteRootFile("HKEY_CURRENT_USER", "[Software\\SOLVANE\\KIVO]\n=sz:/opt/kivo/kivo\n");
  EXPECT_EQ(ReadHostPath(), "(no key)");
  WriteRootFile("HKEY_CURRENT_USER", "");
  EXPECT_EQ(ReadHostPath(), "(no key)");
}

TEST_F(RegistryTest, WritesLeaveNoTemporaryFilesBehind) {
  for (int i = 0; i < 5; ++i) WriteHostPath("/opt/kivo/kivo" + std::to_string(i));
  for (const fs::directory_entry& entry : fs::directory_iterator(FFolder)) {
    const std::string name = entry.path().filename().string();
    EXPECT_TRUE(name == "HKEY_CURRENT_USER.txt" || name == "HKEY_CURRENT_USER.txt.lock") << name;
  }
  EXPECT_EQ(ReadHostPath(), "/opt/kivo/kivo4");
}

// The name of a concurrent writer's value: its letter and a number.
std::string WriterValueName(char writer, int number) {
  std::string name(1, writer);
  name += std::to_string(number);
  return name;
}

TEST_F(RegistryTest, ConcurrentWritersLoseNoValue) {
  constexpr int kWritesPerThread = 40;
  WriteHostPath("");
  auto writeValues = [](char writer) {
    for (int i = 0; i < kWritesPerThread; ++i) {
      TRegistry registry;
      if (!registry.OpenKey(kHostKey, false)) return;
      registry.WriteString(WriterValueName(writer, i), "v");
    }
  };
  std::thread first(writeValues, 'a');
  std::thread second(writeValues, 'b');
  first.join();
  second.join();
  TRegistry registry;
  ASSERT_TRUE(registry.OpenKey(kHostKey, false));
  for (int i = 0; i < kWritesPerThread; ++i) {
    EXPECT_TRUE(registry.ValueExists(WriterValueName('a', i))) << i;
    EXPECT_TRUE(registry.ValueExists(WriterValueName('b', i))) << i;
  }
}

// Restores an environment variable when the test is done with it.
class TSavedVariable {
 public:
  explicit TSavedVariable(const char* name) : FName(name) {
    if (const char* value = std::getenv(name)) FValue = value;
  }
  TSavedVariable(const TSavedVariable&) = delete;
  TSavedVariable& operator=(const TSavedVariable&) = delete;
  ~TSavedVariable() {
    if (FValue) {
      ::setenv(FName, FValue->c_str(), 1);
    } else {
      ::unsetenv(FName);
    }
  }

 private:
  const char* FName;
  std::optional<std::string> FValue;
};

TEST(RegistryFolder, FollowsTheEnvironment) {
  const TSavedVariable savedFolder("KIVO_REGISTRY_DIR");
  const TSavedVariable savedConfig("XDG_CONFIG_HOME");
  const TSavedVariable savedHome("HOME");
  ::setenv("KIVO_REGISTRY_DIR", "/srv/registry", 1);
  EXPECT_EQ(RegistryFolder(), fs::path("/srv/registry"));
  ::unsetenv("KIVO_REGISTRY_DIR");
  ::setenv("XDG_CONFIG_HOME", "/home/someone/.cfg", 1);
  EXPECT_EQ(RegistryFolder(), fs::path("/home/someone/.cfg/kivo/registry"));
  ::setenv("XDG_CONFIG_HOME", "relative", 1);
  ::setenv("HOME", "/home/someone", 1);
  EXPECT_EQ(RegistryFolder(), fs::path("/home/someone/.config/kivo/registry"))
      << "a relative folder is ignored";
}

}  // namespace
