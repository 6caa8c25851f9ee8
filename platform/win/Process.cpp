// Starting programs with posix_spawn. A started program is watched by a
// thread of its own that reaps it when it ends (no zombies, whether or not
// its handles are still open) and records its exit code; a pidfd lets the
// waits see its end without racing that thread.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

// This C library's header leaves out the C linkage.
extern "C" {
#include <sys/pidfd.h>
}

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/win/CommandLine.h"
#include "platform/win/ErrorCodes.h"
#include "platform/win/FileDescriptor.h"
#include "platform/win/Handles.h"
#include "platform/win/ReadySignal.h"
#include "platform/win/Windows.h"

extern char** environ;

namespace {

using TClock = std::chrono::steady_clock;

class TProcessState {
 public:
  TProcessState(pid_t pid, TFileDescriptor pidFd, TFileDescriptor ready)
      : FPid(pid), FPidFd(std::move(pidFd)), FReady(std::move(ready)) {}

  pid_t Pid() const { return FPid; }

  void Reap() {
    int status = 0;
    pid_t result;
    while ((result = waitpid(FPid, &status, 0)) < 0 && errno == EINTR) {
    }
    std::lock_guard lock(FLock);
    FExited = true;
    if (result < 0) {
      // Reaped behind our back (SIGCHLD ignored): the code is lost.
      FExitCode = 0;
    } else if (WIFEXITED(status)) {
      FExitCode = static_cast<DWORD>(WEXITSTATUS(status));
    } else {
      FExitCode = FTerminationCode.value_or(128 + static_cast<DWORD>(WTERMSIG(status)));
    }
    FEnded.notify_all();
  }

  bool WaitForEnd(std::optional<TClock::time_point> deadline) {
    std::unique_lock lock(FLock);
    if (!deadline) {
      FEnded.wait(lock, [&] { return FExited; });
      return true;
    }
    return FEnded.wait_until(lock, *deadline, [&] { return FExited; });
  }

  std::optional<DWORD> ExitCode() {
    std::lock_guard lock(FLock);
    return FExited ? std::optional<DWORD>(FExitCode) : std::nullopt;
  }

  bool Terminate(UINT exitCode) {
    std::lock_guard lock(FLock);
    if (FExited) return false;
    FTerminationCode = exitCode;
    // Without a pidfd the process is at least not reaped yet, so its number
    // is still its own.
    if (FPidFd.Valid()) return pidfd_send_signal(FPidFd.Get(), SIGKILL, nullptr, 0) == 0;
    return kill(FPid, SIGKILL) == 0;
  }

  DWORD WaitForIdle(std::optional<TClock::time_point> deadline);

 private:
  enum class TReadiness { Idle, Ended, Waiting };
  TReadiness PollReadiness(int timeout);
  bool ReadReadyByte(int flags);

  const pid_t FPid;
  TFileDescriptor FPidFd;
  std::mutex FLock;
  std::condition_variable FEnded;
  bool FExited = false;
  DWORD FExitCode = 0;
  std::optional<DWORD> FTerminationCode;

  std::mutex FIdleLock;
  TFileDescriptor FReady;
  bool FIdle = false;
};

bool TProcessState::ReadReadyByte(int flags) {
  char ready = 0;
  ssize_t count;
  while ((count = recv(FReady.Get(), &ready, 1, flags)) < 0 && errno == EINTR) {
  }
  return count == 1;
}

TProcessState::TReadiness TProcessState::PollReadiness(int timeout) {
  pollfd watched[2] = {{FReady.Get(), POLLIN, 0}, {FPidFd.Get(), POLLIN, 0}};
  if (poll(watched, 2, timeout) <= 0) return TReadiness::Waiting;
  if ((watched[0].revents & (POLLIN | POLLHUP)) != 0) {
    return ReadReadyByte(0) ? TReadiness::Idle : TReadiness::Ended;
  }
  // The program ended; its signal may still be waiting to be read.
  if ((watched[1].revents & (POLLIN | POLLHUP)) != 0) {
    return ReadReadyByte(MSG_DONTWAIT) ? TReadiness::Idle : TReadiness::Ended;
  }
  return TReadiness::Waiting;
}

int PollTimeout(std::optional<TClock::time_point> deadline) {
  if (!deadline) return -1;
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - TClock::now()).count();
  return static_cast<int>(std::clamp<long long>(left, 0, INT_MAX));
}

DWORD TProcessState::WaitForIdle(std::optional<TClock::time_point> deadline) {
  std::lock_guard lock(FIdleLock);
  while (!FIdle) {
    switch (PollReadiness(PollTimeout(deadline))) {
      case TReadiness::Idle:
        FIdle = true;
        FReady.Reset();
        break;
      case TReadiness::Ended:
        return WAIT_FAILED;
      case TReadiness::Waiting:
        if (deadline && TClock::now() >= *deadline) return WAIT_TIMEOUT;
        break;
    }
  }
  return 0;
}

class TProcessHandle : public THandleObject {
 public:
  explicit TProcessHandle(std::shared_ptr<TProcessState> state) : State(std::move(state)) {}
  std::shared_ptr<TProcessState> State;
};

std::shared_ptr<TProcessState> FindProcess(HANDLE process) {
  const std::shared_ptr<TProcessHandle> handle = FindHandleOf<TProcessHandle>(process);
  if (!handle) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return handle->State;
}

std::optional<TClock::time_point> DeadlineAfter(DWORD milliseconds) {
  if (milliseconds == INFINITE) return std::nullopt;
  return TClock::now() + std::chrono::milliseconds(milliseconds);
}

// --- What the program is started with -------------------------------------

struct TLaunch {
  std::string Program;
  bool SearchPath = false;
  std::vector<std::string> Arguments;
  std::vector<std::string> Environment;
};

std::string AbsolutePath(const std::string& path) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(path, error);
  return error ? path : absolute.string();
}

bool IsReadyVariable(const std::string& entry) {
  const std::string prefix = std::string(KIVO_READY_FD) + "=";
  return entry.compare(0, prefix.size(), prefix) == 0;
}

std::vector<std::string> EnvironmentFrom(LPVOID block) {
  std::vector<std::string> entries;
  if (block == nullptr) {
    for (char** entry = environ; *entry != nullptr; ++entry) entries.emplace_back(*entry);
  } else {
    for (const char* entry = static_cast<const char*>(block); *entry != '\0';
         entry += std::strlen(entry) + 1) {
      entries.emplace_back(entry);
    }
  }
  std::erase_if(entries, IsReadyVariable);
  return entries;
}

// The application name is taken as it is, relative to our current directory
// (not the program's); without one, the command line's first word is
// searched along PATH.
std::optional<TLaunch> LaunchFor(LPCSTR applicationName, LPCSTR commandLine, LPVOID environment) {
  TLaunch launch;
  launch.Arguments = SplitCommandLine(commandLine == nullptr ? "" : commandLine);
  if (applicationName != nullptr) {
    launch.Program = AbsolutePath(applicationName);
    if (launch.Arguments.empty()) launch.Arguments.emplace_back(applicationName);
  } else {
    if (launch.Arguments.empty() || launch.Arguments[0].empty()) return std::nullopt;
    launch.Program = launch.Arguments[0];
    launch.SearchPath = launch.Program.find('/') == std::string::npos;
  }
  launch.Environment = EnvironmentFrom(environment);
  return launch;
}

std::vector<char*> PointersTo(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (std::string& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

// posix_spawn's file actions and attributes, freed however the start ends.
// A new process starts afresh, as on the platform: no signal blocked and
// every signal at its default action, whatever the starting thread blocks
// or ignores (a client that waits for its signals with sigwait would
// otherwise leave its player deaf to them).
class TSpawnSetup {
 public:
  TSpawnSetup() {
    posix_spawn_file_actions_init(&FActions);
    posix_spawnattr_init(&FAttributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&FAttributes, &none);
    sigset_t all;
    sigfillset(&all);
    posix_spawnattr_setsigdefault(&FAttributes, &all);
    posix_spawnattr_setflags(&FAttributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  }
  ~TSpawnSetup() {
    posix_spawnattr_destroy(&FAttributes);
    posix_spawn_file_actions_destroy(&FActions);
  }
  TSpawnSetup(const TSpawnSetup&) = delete;
  TSpawnSetup& operator=(const TSpawnSetup&) = delete;

  posix_spawn_file_actions_t* Actions() { return &FActions; }
  const posix_spawnattr_t* Attributes() const { return &FAttributes; }

 private:
  posix_spawn_file_actions_t FActions;
  posix_spawnattr_t FAttributes;
};

bool ValidRequest(DWORD creationFlags, LPSTARTUPINFOA startupInfo,
                  LPPROCESS_INFORMATION processInformation, LPCSTR currentDirectory) {
  if (startupInfo == nullptr || processInformation == nullptr || creationFlags != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  if ((startupInfo->dwFlags & STARTF_USESTDHANDLES) != 0 &&
      (startupInfo->hStdInput != nullptr || startupInfo->hStdOutput != nullptr ||
       startupInfo->hStdError != nullptr)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  struct stat status {};
  if (currentDirectory != nullptr &&
      (stat(currentDirectory, &status) != 0 || !S_ISDIR(status.st_mode))) {
    SetLastError(ERROR_DIRECTORY);
    return false;
  }
  return true;
}

void AddStandardStreams(TSpawnSetup& setup, const STARTUPINFOA& startupInfo) {
  if ((startupInfo.dwFlags & STARTF_USESTDHANDLES) == 0) return;
  posix_spawn_file_actions_addopen(setup.Actions(), STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(setup.Actions(), STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(setup.Actions(), STDERR_FILENO, "/dev/null", O_WRONLY, 0);
}

void StartReaper(const std::shared_ptr<TProcessState>& state) {
  std::thread([state] { state->Reap(); }).detach();
}

void FillInformation(LPPROCESS_INFORMATION information,
                     const std::shared_ptr<TProcessState>& state) {
  information->hProcess = InsertHandle(std::make_shared<TProcessHandle>(state));
  information->hThread = InsertHandle(std::make_shared<TProcessHandle>(state));
  information->dwProcessId = static_cast<DWORD>(state->Pid());
  information->dwThreadId = static_cast<DWORD>(state->Pid());
}

}  // namespace

BOOL CreateProcessA(LPCSTR applicationName, LPSTR commandLine, LPSECURITY_ATTRIBUTES,
                    LPSECURITY_ATTRIBUTES, BOOL, DWORD creationFlags, LPVOID environment,
                    LPCSTR currentDirectory, LPSTARTUPINFOA startupInfo,
                    LPPROCESS_INFORMATION processInformation) {
  if (!ValidRequest(creationFlags, startupInfo, processInformation, currentDirectory)) return FALSE;
  std::optional<TLaunch> launch = LaunchFor(applicationName, commandLine, environment);
  if (!launch) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  int ends[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
    SetLastError(ErrorFromErrno(errno));
    return FALSE;
  }
  TFileDescriptor ready(ends[0]);
  const TFileDescriptor childEnd(ends[1]);
  launch->Environment.push_back(std::string(KIVO_READY_FD) + "=" + std::to_string(childEnd.Get()));

  TSpawnSetup setup;
  // A descriptor duplicated onto itself loses its close-on-exec flag.
  posix_spawn_file_actions_adddup2(setup.Actions(), childEnd.Get(), childEnd.Get());
  if (currentDirectory != nullptr) {
    posix_spawn_file_actions_addchdir_np(setup.Actions(), currentDirectory);
  }
  AddStandardStreams(setup, *startupInfo);

  std::vector<char*> arguments = PointersTo(launch->Arguments);
  std::vector<char*> variables = PointersTo(launch->Environment);
  pid_t pid = 0;
  const auto spawn = launch->SearchPath ? posix_spawnp : posix_spawn;
  const int error = spawn(&pid, launch->Program.c_str(), setup.Actions(), setup.Attributes(),
                          arguments.data(), variables.data());
  if (error != 0) {
    SetLastError(ErrorFromErrno(error));
    return FALSE;
  }
  auto state =
      std::make_shared<TProcessState>(pid, TFileDescriptor(pidfd_open(pid, 0)), std::move(ready));
  StartReaper(state);
  FillInformation(processInformation, state);
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

DWORD WaitForInputIdle(HANDLE process, DWORD milliseconds) {
  const std::shared_ptr<TProcessState> state = FindProcess(process);
  if (!state) return WAIT_FAILED;
  return state->WaitForIdle(DeadlineAfter(milliseconds));
}

DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds) {
  const std::shared_ptr<TProcessState> state = FindProcess(object);
  if (!state) return WAIT_FAILED;
  return state->WaitForEnd(DeadlineAfter(milliseconds)) ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode) {
  const std::shared_ptr<TProcessState> state = FindProcess(process);
  if (!state) return FALSE;
  *exitCode = state->ExitCode().value_or(STILL_ACTIVE);
  return TRUE;
}

BOOL TerminateProcess(HANDLE process, UINT exitCode) {
  const std::shared_ptr<TProcessState> state = FindProcess(process);
  if (!state) return FALSE;
  if (!state->Terminate(exitCode)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  return TRUE;
}

DWORD GetCurrentProcessId() { return static_cast<DWORD>(getpid()); }
