// Starting the test helper program and a private folder for each test.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/win/Windows.h"

namespace process_test {

inline const std::string kHelper = KOLMIRA_WIN_HELPER;
// Generous: only guards the tests against hanging.
inline constexpr DWORD kHangGuardMs = 30000;

// A folder of the test's own, removed afterwards; the runtime folder of the
// named mutexes points into it.
class TScratchFolder {
 public:
  TScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kolmira-win-XXXXXX").string();
    FPath = mkdtemp(pattern.data());
    FRuntime = FPath / "runtime";
    std::filesystem::create_directory(FRuntime);
    std::filesystem::permissions(FRuntime, std::filesystem::perms::owner_all);
    setenv("XDG_RUNTIME_DIR", FRuntime.c_str(), 1);
  }
  ~TScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(FPath, ignored);
  }
  TScratchFolder(const TScratchFolder&) = delete;
  TScratchFolder& operator=(const TScratchFolder&) = delete;

  const std::filesystem::path& Path() const { return FPath; }
  const std::filesystem::path& Runtime() const { return FRuntime; }

 private:
  std::filesystem::path FPath;
  std::filesystem::path FRuntime;
};

// A started program whose handles are closed with the test; a program still
// running then is killed first.
class TChild {
 public:
  TChild() = default;
  ~TChild() {
    if (Info.hProcess == nullptr) return;
    TerminateProcess(Info.hProcess, 1);
    WaitForSingleObject(Info.hProcess, kHangGuardMs);
    CloseHandle(Info.hProcess);
    CloseHandle(Info.hThread);
  }
  TChild(const TChild&) = delete;
  TChild& operator=(const TChild&) = delete;

  // As the host link starts the player: size 68, flags 0x101, shown normal.
  BOOL Start(const char* application, std::string commandLine, const char* directory = nullptr,
             void* environment = nullptr) {
    STARTUPINFOA startup{};
    startup.cb = 68;
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    startup.wShowWindow = SW_SHOWNORMAL;
    return CreateProcessA(application, commandLine.data(), nullptr, nullptr, FALSE, 0, environment,
                          directory, &startup, &Info);
  }

  DWORD ExitCode() {
    EXPECT_EQ(WaitForSingleObject(Info.hProcess, kHangGuardMs), WAIT_OBJECT_0);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(Info.hProcess, &code));
    return code;
  }

  PROCESS_INFORMATION Info{};
};

// The zero-separated fields of the helper's report.
inline std::vector<std::string> ReadReport(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::string> fields;
  std::string::size_type start = 0;
  for (auto end = text.find('\0'); end != std::string::npos; end = text.find('\0', start)) {
    fields.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return fields;
}

}  // namespace process_test
