#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <set>
#include <string>
#include <thread>

#include "tests/platform/ProcessTestSupport.h"

namespace {

using process_test::kHangGuardMs;
using process_test::kHelper;
using process_test::TChild;
using process_test::TScratchFolder;

// A mutex handle closed with the test, with the last error its creation left.
class TMutex {
 public:
  explicit TMutex(const char* name, BOOL initialOwner = FALSE)
      : FHandle(CreateMutexA(nullptr, initialOwner, name)), FCreationError(GetLastError()) {}
  ~TMutex() {
    if (FHandle != nullptr) CloseHandle(FHandle);
  }
  TMutex(const TMutex&) = delete;
  TMutex& operator=(const TMutex&) = delete;

  HANDLE Get() const { return FHandle; }
  bool Existed() const { return FCreationError == ERROR_ALREADY_EXISTS; }
  DWORD CreationError() const { return FCreationError; }

 private:
  HANDLE FHandle;
  DWORD FCreationError;
};

class NamedMutexTest : public ::testing::Test {
 protected:
  std::set<std::string> MarkerFiles() const {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(Scratch.Path())) {
      if (entry.is_regular_file()) names.insert(entry.path().lexically_relative(Scratch.Path()).string());
    }
    return names;
  }

  // What a second process finds: 0 the name was free, 1 it existed.
  DWORD ProbeFromAnotherProcess(const std::string& name) {
    TChild probe;
    EXPECT_TRUE(probe.Start(kHelper.c_str(), "helper probe-mutex " + name));
    return probe.ExitCode();
  }

  TScratchFolder Scratch;
};

TEST_F(NamedMutexTest, SecondCreationInTheSameProcessReportsThatItExists) {
  const TMutex first("Kolmira");
  ASSERT_NE(first.Get(), nullptr);
  EXPECT_EQ(first.CreationError(), ERROR_SUCCESS);
  {
    const TMutex second("Kolmira");
    ASSERT_NE(second.Get(), nullptr);
    EXPECT_NE(second.Get(), first.Get());
    EXPECT_TRUE(second.Existed());
  }
  EXPECT_TRUE(TMutex("Kolmira").Existed()) << "the first handle still names it";
  EXPECT_FALSE(TMutex("kolmira").Existed()) << "names are compared exactly";
}

TEST_F(NamedMutexTest, ClosingTheLastHandleFreesTheName) {
  { const TMutex only("Kolmira"); }
  const TMutex again("Kolmira");
  EXPECT_NE(again.Get(), nullptr);
  EXPECT_FALSE(again.Existed());
  EXPECT_EQ(ProbeFromAnotherProcess("Kolmira"), 1u);
}

TEST_F(NamedMutexTest, UnnamedMutexesNeverExistAlready) {
  const TMutex empty("");
  const TMutex none(nullptr);
  ASSERT_NE(empty.Get(), nullptr);
  ASSERT_NE(none.Get(), nullptr);
  EXPECT_FALSE(TMutex("").Existed());
  EXPECT_FALSE(TMutex(nullptr).Existed());
  EXPECT_TRUE(MarkerFiles().empty());
}

TEST_F(NamedMutexTest, NamesStayInsideThePrivateFolder) {
  const TMutex up("../escape");
  const TMutex slash("a/b");
  const TMutex encoded("a%2Fb");
  const TMutex dots("..");
  for (const TMutex* mutex : {&up, &slash, &encoded, &dots}) {
    ASSERT_NE(mutex->Get(), nullptr);
    EXPECT_FALSE(mutex->Existed()) << "no two of these names may share a marker";
  }
  const std::set<std::string> files = MarkerFiles();
  EXPECT_EQ(files.size(), 4u);
  const std::string folder = "runtime/kivo-mutex-" + std::to_string(geteuid()) + "/";
  for (const std::string& file : files) EXPECT_EQ(file.rfind(folder, 0), 0u) << file;

  struct stat status {};
  ASSERT_EQ(stat((Scratch.Runtime() / ("kivo-mutex-" + std::to_string(geteuid()))).c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0700u);
}

TEST_F(NamedMutexTest, FolderOthersCouldWriteToIsRefused) {
  const auto folder = Scratch.Runtime() / ("kivo-mutex-" + std::to_string(geteuid()));
  std::filesystem::create_directory(folder);
  std::filesystem::permissions(folder, std::filesystem::perms::all);
  const TMutex refused("Kolmira");
  EXPECT_EQ(refused.Get(), nullptr);
  EXPECT_EQ(refused.CreationError(), ERROR_ACCESS_DENIED);
}

TEST_F(NamedMutexTest, OverlongNameIsRefused) {
  const TMutex refused(std::string(261, 'k').c_str());
  EXPECT_EQ(refused.Get(), nullptr);
  EXPECT_EQ(refused.CreationError(), ERROR_FILENAME_EXCED_RANGE);
}

TEST_F(NamedMutexTest, NameTakenInAnotherProcessIsFreedWhenThatProcessDies) {
  TChild holder;
  ASSERT_TRUE(holder.Start(kHelper.c_str(), "helper hold-mutex Kolmira"));
  ASSERT_EQ(WaitForInputIdle(holder.Info.hProcess, kHangGuardMs), 0u) << "the holder has the name";
  {
    const TMutex refused("Kolmira");
    ASSERT_NE(refused.Get(), nullptr);
    EXPECT_TRUE(refused.Existed());
  }
  ASSERT_TRUE(TerminateProcess(holder.Info.hProcess, 1));
  ASSERT_EQ(WaitForSingleObject(holder.Info.hProcess, kHangGuardMs), WAIT_OBJECT_0);

  const TMutex mine("Kolmira");
  EXPECT_FALSE(mine.Existed());
  EXPECT_EQ(ProbeFromAnotherProcess("Kolmira"), 1u);
}

TEST_F(NamedMutexTest, NameStaysTakenWhileAnyProcessHasItOpen) {
  TChild creator;
  ASSERT_TRUE(creator.Start(kHelper.c_str(), "helper hold-mutex Kolmira"));
  ASSERT_EQ(WaitForInputIdle(creator.Info.hProcess, kHangGuardMs), 0u);
  const TMutex opened("Kolmira");
  ASSERT_TRUE(opened.Existed());
  ASSERT_TRUE(TerminateProcess(creator.Info.hProcess, 1));
  ASSERT_EQ(WaitForSingleObject(creator.Info.hProcess, kHangGuardMs), WAIT_OBJECT_0);
  EXPECT_EQ(ProbeFromAnotherProcess("Kolmira"), 1u) << "our handle still names it";
}

TEST_F(NamedMutexTest, OnlyTheOwningThreadCanReleaseIt) {
  const TMutex notOwned("Kolmira");
  EXPECT_FALSE(ReleaseMutex(notOwned.Get()));
  EXPECT_EQ(GetLastError(), ERROR_NOT_OWNER);

  const TMutex owned("Owned", TRUE);
  BOOL releasedElsewhere = TRUE;
  std::thread([&] { releasedElsewhere = ReleaseMutex(owned.Get()); }).join();
  EXPECT_FALSE(releasedElsewhere);
  EXPECT_TRUE(ReleaseMutex(owned.Get()));
  EXPECT_FALSE(ReleaseMutex(owned.Get())) << "owned once, released once";

  const TMutex existing("Owned", TRUE);
  EXPECT_FALSE(ReleaseMutex(existing.Get())) << "only its creator can own it from the start";
}

TEST_F(NamedMutexTest, ClosedHandleIsInvalid) {
  const HANDLE mutex = CreateMutexA(nullptr, FALSE, "Kolmira");
  ASSERT_TRUE(CloseHandle(mutex));
  EXPECT_FALSE(CloseHandle(mutex));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_FALSE(ReleaseMutex(mutex));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_FAILED);
}

}  // namespace
