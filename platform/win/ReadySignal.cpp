#include "platform/win/ReadySignal.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>

namespace {

// Only a socket that this process inherited qualifies: an inherited variable
// naming some other descriptor must not make us write into a file.
int InheritedReadyDescriptor() {
  const char* text = std::getenv(KIVO_READY_FD);
  if (text == nullptr) return -1;
  int descriptor = -1;
  const char* end = text + std::strlen(text);
  const auto [last, error] = std::from_chars(text, end, descriptor);
  if (error != std::errc{} || last != end || descriptor < 0) return -1;
  struct stat status {};
  if (fstat(descriptor, &status) != 0 || !S_ISSOCK(status.st_mode)) return -1;
  return descriptor;
}

// Taken when the library loads, before the program can start children of
// its own, so that none of them inherits the descriptor or the variable.
int TakeReadyDescriptor() {
  const int descriptor = InheritedReadyDescriptor();
  unsetenv(KIVO_READY_FD);
  if (descriptor >= 0) fcntl(descriptor, F_SETFD, FD_CLOEXEC);
  return descriptor;
}

std::atomic<int> gReadyDescriptor{TakeReadyDescriptor()};

}  // namespace

bool StarterAwaitsIdle() { return gReadyDescriptor.load() >= 0; }

void SignalReadyOnce() {
  const int descriptor = gReadyDescriptor.exchange(-1);
  if (descriptor < 0) return;
  const char ready = 1;
  // The starter may have stopped listening; that is no error of ours.
  while (send(descriptor, &ready, 1, MSG_NOSIGNAL) < 0 && errno == EINTR) {
  }
  close(descriptor);
}
