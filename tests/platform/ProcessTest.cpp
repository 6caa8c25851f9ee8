#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "tests/platform/ProcessTestSupport.h"

namespace {

using process_test::kHangGuardMs;
using process_test::kHelper;
using process_test::ReadReport;
using process_test::TChild;
using process_test::TScratchFolder;

TEST(CreateProcessTest, ProgramSeesItsDirectoryAndArgumentsAndBecomesIdle) {
  const TScratchFolder scratch;
  const std::string report = (scratch.Path() / "report").string();
  TChild child;
  ASSERT_TRUE(child.Start(kHelper.c_str(),
                          "helper report " + report + R"( "two words" back\slash "say \"hi\"" "")",
                          scratch.Path().c_str()));
  EXPECT_EQ(WaitForInputIdle(child.Info.hProcess, INFINITE), 0u);
  EXPECT_EQ(child.ExitCode(), 0u);

  const std::vector<std::string> fields = ReadReport(report);
  ASSERT_EQ(fields.size(), 10u);
  EXPECT_EQ(std::filesystem::path(fields[0]), std::filesystem::canonical(scratch.Path()));
  EXPECT_EQ(fields[2], "ready-hidden") << "the readiness variable is not left to the program";
  EXPECT_EQ(std::vector<std::string>(fields.begin() + 3, fields.end()),
            (std::vector<std::string>{"helper", "report", report, "two words", R"(back\slash)",
                                      R"(say "hi")", ""}));
  EXPECT_EQ(child.Info.dwProcessId, child.Info.dwThreadId);
  EXPECT_NE(child.Info.dwProcessId, GetCurrentProcessId());
}

TEST(CreateProcessTest, EmptyCommandLineGivesTheProgramAloneAndTheGivenEnvironment) {
  const TScratchFolder scratch;
  const std::string report = (scratch.Path() / "report").string();
  std::string block = "KOLMIRA_PROBE=from the block";
  block += '\0';
  block += "KOLMIRA_PROBE_OUT=" + report;
  block += '\0';
  block += '\0';
  TChild child;
  ASSERT_TRUE(child.Start(kHelper.c_str(), "", nullptr, block.data()));
  EXPECT_EQ(WaitForInputIdle(child.Info.hProcess, kHangGuardMs), 0u);
  EXPECT_EQ(child.ExitCode(), 0u);

  const std::vector<std::string> fields = ReadReport(report);
  ASSERT_EQ(fields.size(), 4u);
  EXPECT_EQ(std::filesystem::path(fields[0]), std::filesystem::current_path());
  EXPECT_EQ(fields[1], "from the block");
  EXPECT_EQ(fields[3], kHelper);
}

TEST(CreateProcessTest, RelativeApplicationNameIsFoundFromOurDirectoryNotTheProgramsOne) {
  const TScratchFolder scratch;
  const std::string relative = std::filesystem::relative(kHelper).string();
  ASSERT_NE(relative.front(), '/');
  TChild child;
  ASSERT_TRUE(child.Start(relative.c_str(), "helper exit 5", scratch.Path().c_str()));
  EXPECT_EQ(child.ExitCode(), 5u);
}

TEST(CreateProcessTest, WithoutApplicationNameTheFirstWordIsSearchedAlongPath) {
  TChild child;
  ASSERT_TRUE(child.Start(nullptr, R"(sh -c "exit 3")"));
  EXPECT_EQ(child.ExitCode(), 3u);
}

TEST(CreateProcessTest, ProgramThatCannotStartIsReportedWithTheReason) {
  const TScratchFolder scratch;
  TChild child;
  EXPECT_FALSE(child.Start((scratch.Path() / "missing").c_str(), ""));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(child.Start(kHelper.c_str(), "", (scratch.Path() / "missing").c_str()));
  EXPECT_EQ(GetLastError(), ERROR_DIRECTORY);
  EXPECT_FALSE(child.Start(scratch.Path().c_str(), ""));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(child.Info.hProcess, nullptr);
}

TEST(CreateProcessTest, RequestsThisLayerCannotHonourAreRefused) {
  PROCESS_INFORMATION info{};
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  char commandLine[] = "helper";
  EXPECT_FALSE(CreateProcessA(kHelper.c_str(), commandLine, nullptr, nullptr, FALSE, 0x10, nullptr,
                              nullptr, &startup, &info));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = reinterpret_cast<HANDLE>(std::uintptr_t{4});
  EXPECT_FALSE(CreateProcessA(kHelper.c_str(), commandLine, nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, &startup, &info));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_EQ(info.hProcess, nullptr);
}

// A starter that takes its signals with sigwait blocks them, and one that
// ignores them may start programs too: a started program begins afresh all
// the same, and ends on them.
TEST(CreateProcessTest, ProgramStartsWithNoSignalBlockedOrIgnored) {
  sigset_t terminate;
  sigemptyset(&terminate);
  sigaddset(&terminate, SIGTERM);
  sigset_t mask;
  ASSERT_EQ(pthread_sigmask(SIG_BLOCK, &terminate, &mask), 0);
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  struct sigaction interrupt {};
  ASSERT_EQ(sigaction(SIGINT, &ignore, &interrupt), 0);
  TChild terminated;
  TChild interrupted;
  const bool started = terminated.Start(kHelper.c_str(), "helper block") &&
                       interrupted.Start(kHelper.c_str(), "helper block");
  sigaction(SIGINT, &interrupt, nullptr);
  pthread_sigmask(SIG_SETMASK, &mask, nullptr);
  ASSERT_TRUE(started);

  kill(static_cast<pid_t>(terminated.Info.dwProcessId), SIGTERM);
  kill(static_cast<pid_t>(interrupted.Info.dwProcessId), SIGINT);
  EXPECT_EQ(terminated.ExitCode(), 128u + SIGTERM);
  EXPECT_EQ(interrupted.ExitCode(), 128u + SIGINT);
}

TEST(WaitForInputIdleTest, ProgramWithoutMessageLoopNeverBecomesIdle) {
  TChild quitter;
  ASSERT_TRUE(quitter.Start(kHelper.c_str(), "helper exit 7"));
  EXPECT_EQ(WaitForInputIdle(quitter.Info.hProcess, kHangGuardMs), WAIT_FAILED);
  EXPECT_EQ(quitter.ExitCode(), 7u);

  TChild sleeper;
  ASSERT_TRUE(sleeper.Start(kHelper.c_str(), "helper block"));
  EXPECT_EQ(WaitForInputIdle(sleeper.Info.hProcess, 50), WAIT_TIMEOUT);
  DWORD code = 0;
  ASSERT_TRUE(GetExitCodeProcess(sleeper.Info.hProcess, &code));
  EXPECT_EQ(code, STILL_ACTIVE);
  EXPECT_TRUE(TerminateProcess(sleeper.Info.hProcess, 9));
  EXPECT_EQ(sleeper.ExitCode(), 9u);
  EXPECT_FALSE(TerminateProcess(sleeper.Info.hProcess, 9)) << "it has ended already";
}

TEST(ProcessHandleTest, ClosedHandlesAreInvalidAndEndedProgramsAreReaped) {
  TChild child;
  ASSERT_TRUE(child.Start(kHelper.c_str(), "helper exit 0"));
  const auto pid = static_cast<pid_t>(child.Info.dwProcessId);
  const HANDLE process = child.Info.hProcess;
  EXPECT_TRUE(CloseHandle(child.Info.hThread));
  EXPECT_TRUE(CloseHandle(process));
  child.Info = {};

  DWORD code = 0;
  EXPECT_FALSE(GetExitCodeProcess(process, &code));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_FALSE(CloseHandle(process));
  EXPECT_EQ(WaitForInputIdle(process, 0), WAIT_FAILED);

  // Reaped: the number no longer names a process of ours, not even a zombie.
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::milliseconds(kHangGuardMs);
  while (kill(pid, 0) == 0 && std::chrono::steady_clock::now() < giveUp) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(kill(pid, 0), -1);
  EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), -1);
}

TEST(ProcessHandleTest, CurrentProcessIdIsThisProcess) {
  EXPECT_EQ(GetCurrentProcessId(), static_cast<DWORD>(getpid()));
}

}  // namespace
