#include "platform/win/MessageQueue.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <utility>

namespace {

// The platform calls a thread hung that has not looked at its queue for
// this long while not waiting in GetMessage.
constexpr std::chrono::seconds kHungAfter{5};

bool InRange(UINT message, UINT filterMin, UINT filterMax) {
  if (filterMin == 0 && filterMax == 0) return true;
  return message >= filterMin && message <= filterMax;
}

}  // namespace

TThreadQueue::TThreadQueue() : FLastLook(std::chrono::steady_clock::now()) {}

void TThreadQueue::Signal(std::unique_lock<std::mutex>& lock) {
  ++FGeneration;
  if (FWake.Valid()) {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(FWake.Get(), &one, sizeof one);
  }
  lock.unlock();
  FChanged.notify_all();
}

int TThreadQueue::WakeFd() {
  std::lock_guard lock(FLock);
  if (!FWake.Valid()) FWake = TFileDescriptor(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC));
  return FWake.Get();
}

void TThreadQueue::ClearWake() {
  std::lock_guard lock(FLock);
  if (!FWake.Valid()) return;
  std::uint64_t count = 0;
  [[maybe_unused]] const ssize_t read = ::read(FWake.Get(), &count, sizeof count);
}

bool TThreadQueue::Post(const MSG& message, std::shared_ptr<const void> ticket) {
  std::unique_lock lock(FLock);
  if (FClosed) return false;
  FPosted.push_back({message, std::move(ticket)});
  Signal(lock);
  return true;
}

bool TThreadQueue::Send(std::shared_ptr<TSentMessage> message) {
  std::unique_lock lock(FLock);
  if (FClosed) return false;
  FSent.push_back(std::move(message));
  Signal(lock);
  return true;
}

bool TThreadQueue::TakePosted(MSG& message, HWND window, UINT filterMin, UINT filterMax,
                              bool remove) {
  std::lock_guard lock(FLock);
  FLastLook = std::chrono::steady_clock::now();
  const auto found = std::find_if(FPosted.begin(), FPosted.end(), [&](const TPosted& queued) {
    return (window == nullptr || queued.Message.hwnd == window) &&
           InRange(queued.Message.message, filterMin, filterMax);
  });
  if (found == FPosted.end()) return TakeQuit(message, window, filterMin, filterMax, remove);
  message = found->Message;
  if (remove) FPosted.erase(found);
  return true;
}

// WM_QUIT comes only once the thread's other posted messages are done.
bool TThreadQueue::TakeQuit(MSG& message, HWND window, UINT filterMin, UINT filterMax,
                            bool remove) {
  if (!FQuitPosted || window != nullptr || !InRange(WM_QUIT, filterMin, filterMax)) return false;
  message = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(FQuitCode), 0};
  if (remove) FQuitPosted = false;
  return true;
}

std::shared_ptr<TSentMessage> TThreadQueue::TakeSent() {
  std::lock_guard lock(FLock);
  FLastLook = std::chrono::steady_clock::now();
  if (FSent.empty()) return nullptr;
  std::shared_ptr<TSentMessage> message = std::move(FSent.front());
  FSent.pop_front();
  return message;
}

bool TThreadQueue::HasSent() {
  std::lock_guard lock(FLock);
  return !FSent.empty();
}

void TThreadQueue::PostQuit(int exitCode) {
  std::unique_lock lock(FLock);
  FQuitPosted = true;
  FQuitCode = exitCode;
  Signal(lock);
}

std::uint64_t TThreadQueue::Generation() {
  std::lock_guard lock(FLock);
  return FGeneration;
}

void TThreadQueue::WaitForInput(std::uint64_t seenGeneration) {
  std::unique_lock lock(FLock);
  FWaiting = true;
  FChanged.wait(lock, [&] { return FGeneration != seenGeneration; });
  FWaiting = false;
  FLastLook = std::chrono::steady_clock::now();
}

bool TThreadQueue::WaitForInputUntil(std::uint64_t seenGeneration,
                                     std::chrono::steady_clock::time_point deadline) {
  std::unique_lock lock(FLock);
  FWaiting = true;
  const bool changed =
      FChanged.wait_until(lock, deadline, [&] { return FGeneration != seenGeneration; });
  FWaiting = false;
  FLastLook = std::chrono::steady_clock::now();
  return changed;
}

std::vector<std::shared_ptr<TSentMessage>> TThreadQueue::DropWindow(HWND window) {
  std::lock_guard lock(FLock);
  std::erase_if(FPosted, [&](const TPosted& queued) { return queued.Message.hwnd == window; });
  std::vector<std::shared_ptr<TSentMessage>> dropped;
  std::erase_if(FSent, [&](std::shared_ptr<TSentMessage>& sent) {
    if (sent->Window != window) return false;
    dropped.push_back(std::move(sent));
    return true;
  });
  return dropped;
}

std::vector<std::shared_ptr<TSentMessage>> TThreadQueue::Close() {
  std::lock_guard lock(FLock);
  FClosed = true;
  FPosted.clear();
  std::vector<std::shared_ptr<TSentMessage>> dropped(std::make_move_iterator(FSent.begin()),
                                                     std::make_move_iterator(FSent.end()));
  FSent.clear();
  return dropped;
}

bool TThreadQueue::IsHung() {
  std::lock_guard lock(FLock);
  return !FWaiting && std::chrono::steady_clock::now() - FLastLook > kHungAfter;
}

bool TThreadQueue::BeginRunning(TSentMessage& message) {
  std::lock_guard lock(FLock);
  if (message.State == TSentMessage::TState::Abandoned) return false;
  message.State = TSentMessage::TState::Running;
  return true;
}

void TThreadQueue::Finish(TSentMessage& message, TSendState state, LRESULT result) {
  std::unique_lock lock(FLock);
  if (message.State == TSentMessage::TState::Abandoned) return;
  message.State = state;
  message.Result = result;
  Signal(lock);
}

TThreadQueue::TReplyWait TThreadQueue::WaitForReply(
    TSentMessage& message, std::optional<std::chrono::steady_clock::time_point> deadline,
    bool acceptIncoming) {
  std::unique_lock lock(FLock);
  for (;;) {
    if (message.State == TSentMessage::TState::Done ||
        message.State == TSentMessage::TState::Failed ||
        message.State == TSentMessage::TState::Hung) {
      return TReplyWait::Replied;
    }
    if (acceptIncoming && !FSent.empty()) return TReplyWait::Incoming;
    if (deadline && std::chrono::steady_clock::now() >= *deadline) {
      message.State = TSentMessage::TState::Abandoned;
      return TReplyWait::TimedOut;
    }
    if (deadline) {
      FChanged.wait_until(lock, *deadline);
    } else {
      FChanged.wait(lock);
    }
  }
}
