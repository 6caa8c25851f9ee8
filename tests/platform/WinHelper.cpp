// A program for the tests of the window layer to start: it takes the named
// mutex from a second process, or reports what it was started with.
//
//   WinHelper                      report to the file named by $KOLMIRA_PROBE_OUT
//   WinHelper report FILE ...      report to FILE
//   WinHelper hold-mutex NAME      take the mutex (exit 1 if it existed), become
//                                  idle, and wait to be killed
//   WinHelper probe-mutex NAME     exit 0 if the mutex was new, 1 if it existed
//   WinHelper exit CODE            exit without running a message loop
//   WinHelper block                wait to be killed without a message loop
//
// A report holds, each ended by a zero byte: the current directory, the
// value of $KOLMIRA_PROBE ("<unset>" without one), whether the readiness
// variable is still visible ("ready-visible" or "ready-hidden"), then the
// arguments from the first.
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>

#include "platform/win/Messages.h"
#include "platform/win/ReadySignal.h"
#include "platform/win/Windows.h"

namespace {

int Report(const char* path, int argc, char** argv) {
  if (path == nullptr) return 3;
  std::ofstream out(path, std::ios::binary);
  char directory[4096];
  out << (getcwd(directory, sizeof directory) ? directory : "?") << '\0';
  const char* probe = std::getenv("KOLMIRA_PROBE");
  out << (probe ? probe : "<unset>") << '\0';
  out << (std::getenv(KIVO_READY_FD) ? "ready-visible" : "ready-hidden") << '\0';
  for (int i = 0; i < argc; ++i) out << argv[i] << '\0';
  out.close();
  ProcessMessages();
  return out ? 0 : 3;
}

int HoldMutex(const char* name) {
  const HANDLE mutex = CreateMutexA(nullptr, FALSE, name);
  if (mutex == nullptr) return 3;
  if (GetLastError() == ERROR_ALREADY_EXISTS) return 1;
  ProcessMessages();
  for (;;) pause();
}

int ProbeMutex(const char* name) {
  const HANDLE mutex = CreateMutexA(nullptr, FALSE, name);
  if (mutex == nullptr) return 3;
  const int result = GetLastError() == ERROR_ALREADY_EXISTS ? 1 : 0;
  CloseHandle(mutex);
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Report(std::getenv("KOLMIRA_PROBE_OUT"), argc, argv);
  const std::string_view mode = argv[1];
  if (mode == "report" && argc >= 3) return Report(argv[2], argc, argv);
  if (mode == "hold-mutex" && argc == 3) return HoldMutex(argv[2]);
  if (mode == "probe-mutex" && argc == 3) return ProbeMutex(argv[2]);
  if (mode == "exit" && argc == 3) return std::atoi(argv[2]);
  if (mode == "block") {
    for (;;) pause();
  }
  return 4;
}
