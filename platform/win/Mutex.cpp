// The named mutex as a system-wide marker. Every process that has the name
// open holds a shared lock (an open-file-description lock) on a file named
// after it in the user's private runtime folder; a creator that can take the
// lock exclusively knows that nobody else has the name open. The kernel
// drops the locks of a process that ends, so a dead holder leaves nothing
// behind but the empty file, which is kept: removing it could let two
// processes lock different files of the same name.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>

#include "platform/win/ErrorCodes.h"
#include "platform/win/FileDescriptor.h"
#include "platform/win/Handles.h"
#include "platform/win/Windows.h"

namespace {

// The platform's limit on the length of an object name.
constexpr std::size_t kLongestName = 260;

// Ownership is by thread within this process; the lock file only marks that
// the name is open.
class TMutexState {
 public:
  explicit TMutexState(TFileDescriptor lockFile) : FLockFile(std::move(lockFile)) {}

  void TakeOwnership() {
    std::lock_guard lock(FLock);
    FOwner = std::this_thread::get_id();
    ++FDepth;
  }

  bool Release() {
    std::lock_guard lock(FLock);
    if (FDepth == 0 || FOwner != std::this_thread::get_id()) return false;
    if (--FDepth == 0) FOwner = std::thread::id();
    return true;
  }

 private:
  std::mutex FLock;
  std::thread::id FOwner;
  unsigned FDepth = 0;
  TFileDescriptor FLockFile;
};

class TMutexHandle : public THandleObject {
 public:
  explicit TMutexHandle(std::shared_ptr<TMutexState> state) : State(std::move(state)) {}
  std::shared_ptr<TMutexState> State;
};

// Bytes other than letters, digits, '-' and '_' are written as %XX, so that
// no name can leave the folder or stand for another name.
std::string FileNameFor(std::string_view name) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string fileName = "mutex-";
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
        (byte >= '0' && byte <= '9') || byte == '-' || byte == '_') {
      fileName += c;
    } else {
      fileName += '%';
      fileName += kHex[byte >> 4];
      fileName += kHex[byte & 0xF];
    }
  }
  return fileName;
}

std::string RuntimeFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && runtime[0] == '/') return runtime;
  return "/tmp";
}

// A folder of our own that nobody else may write to, made when missing.
std::optional<std::string> MutexFolder() {
  const std::string folder = RuntimeFolder() + "/kivo-mutex-" + std::to_string(geteuid());
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    SetLastError(ErrorFromErrno(errno));
    return std::nullopt;
  }
  struct stat status {};
  if (lstat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode) ||
      status.st_uid != geteuid() || (status.st_mode & 077) != 0) {
    SetLastError(ERROR_ACCESS_DENIED);
    return std::nullopt;
  }
  return folder;
}

bool SetLock(int descriptor, short type, int command) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  int result;
  while ((result = fcntl(descriptor, command, &lock)) != 0 && errno == EINTR) {
  }
  return result == 0;
}

// Takes the shared lock; tells whether another process had the name open.
// The exclusive lock is turned into the shared one in one step, so no
// creator can slip in between.
std::optional<bool> OpenName(int descriptor) {
  if (SetLock(descriptor, F_WRLCK, F_OFD_SETLK)) {
    if (!SetLock(descriptor, F_RDLCK, F_OFD_SETLK)) return std::nullopt;
    return false;
  }
  if (errno != EAGAIN && errno != EACCES) return std::nullopt;
  // Another creator may hold the exclusive lock for a moment.
  if (!SetLock(descriptor, F_RDLCK, F_OFD_SETLKW)) return std::nullopt;
  return true;
}

struct TOpenedName {
  std::shared_ptr<TMutexState> State;
  bool Existed;
};

std::optional<TOpenedName> OpenNameFile(std::string_view name) {
  const std::optional<std::string> folder = MutexFolder();
  if (!folder) return std::nullopt;
  const std::string path = *folder + "/" + FileNameFor(name);
  TFileDescriptor file(open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
  if (!file.Valid()) {
    SetLastError(ErrorFromErrno(errno));
    return std::nullopt;
  }
  const std::optional<bool> existed = OpenName(file.Get());
  if (!existed) {
    SetLastError(ErrorFromErrno(errno));
    return std::nullopt;
  }
  return TOpenedName{std::make_shared<TMutexState>(std::move(file)), *existed};
}

// The names this process has open; a name is free again here once its last
// handle is closed.
class TMutexNames {
 public:
  std::optional<TOpenedName> Open(std::string_view name) {
    std::lock_guard lock(FLock);
    const std::string key(name);
    if (std::shared_ptr<TMutexState> state = FStates[key].lock()) {
      return TOpenedName{std::move(state), true};
    }
    std::optional<TOpenedName> opened = OpenNameFile(name);
    if (opened) FStates[key] = opened->State;
    return opened;
  }

 private:
  std::mutex FLock;
  std::map<std::string, std::weak_ptr<TMutexState>> FStates;
};

HANDLE NewHandle(const std::shared_ptr<TMutexState>& state, bool takeOwnership, DWORD lastError) {
  if (takeOwnership) state->TakeOwnership();
  const HANDLE handle = InsertHandle(std::make_shared<TMutexHandle>(state));
  SetLastError(lastError);
  return handle;
}

}  // namespace

HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES, BOOL initialOwner, LPCSTR name) {
  if (name == nullptr || name[0] == '\0') {
    return NewHandle(std::make_shared<TMutexState>(TFileDescriptor()), initialOwner != FALSE,
                     ERROR_SUCCESS);
  }
  if (std::strlen(name) > kLongestName) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return nullptr;
  }
  static TMutexNames names;
  const std::optional<TOpenedName> opened = names.Open(name);
  if (!opened) return nullptr;
  // Only the creator of a mutex can own it from the start.
  const bool owner = initialOwner != FALSE && !opened->Existed;
  return NewHandle(opened->State, owner, opened->Existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
}

BOOL ReleaseMutex(HANDLE mutex) {
  const std::shared_ptr<TMutexHandle> handle = FindHandleOf<TMutexHandle>(mutex);
  if (!handle) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!handle->State->Release()) {
    SetLastError(ERROR_NOT_OWNER);
    return FALSE;
  }
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}
