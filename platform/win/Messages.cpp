#include "platform/win/Messages.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "platform/win/MessageQueue.h"
#include "platform/win/ReadySignal.h"
#include "platform/win/RemoteWindows.h"

namespace {

struct TWindow {
  HWND Handle;
  std::string ClassName;
  std::string Title;
  bool TopLevel;
  // Its handle was given to another process, which may now address it.
  bool Exposed;
  std::thread::id Owner;
  std::shared_ptr<TThreadQueue> Queue;
  TWndMethod Procedure;
  // A hidden window that broadcasts reach as they reach top-level ones.
  bool HearsBroadcasts = false;
};

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameTextAscii(std::string_view left, std::string_view right) {
  return left.size() == right.size() &&
         std::equal(left.begin(), left.end(), right.begin(),
                    [](char a, char b) { return LowerAscii(a) == LowerAscii(b); });
}

// --- The calling thread's queue ---------------------------------------------

void DestroyThreadWindows();

// Made on first use; when the thread ends, its windows are destroyed and
// whatever other threads still wait on fails, as on the platform.
class TThreadQueueHolder {
 public:
  ~TThreadQueueHolder();
  const std::shared_ptr<TThreadQueue>& Queue() {
    if (!FQueue) FQueue = std::make_shared<TThreadQueue>();
    return FQueue;
  }

 private:
  std::shared_ptr<TThreadQueue> FQueue;
};

thread_local TThreadQueueHolder tQueue;

const std::shared_ptr<TThreadQueue>& CurrentQueue() { return tQueue.Queue(); }

void FailSends(const std::vector<std::shared_ptr<TSentMessage>>& sends) {
  // Each sender's Finish runs without any lock of ours held.
  for (const auto& sent : sends) {
    sent->Sender->Finish(*sent, TSentMessage::TState::Failed, 0);
  }
}

TThreadQueueHolder::~TThreadQueueHolder() {
  if (!FQueue) return;
  DestroyThreadWindows();
  FailSends(FQueue->Close());
}

// --- The process's windows --------------------------------------------------

// Window handles are numbers never given out twice (a destroyed window's
// handle stays invalid), even and above HWND_BROADCAST, and below 2^31 so
// that they survive the 32-bit longs they travel in to the player. On the
// session bus they are counted in this process's own block.
class TWindowRegistry {
 public:
  HWND Add(TWindow window) {
    static const std::uintptr_t first = FirstWindowNumber();
    std::lock_guard lock(FLock);
    if (FNextId == 0) FNextId = first;
    FNextId += 2;
    window.Handle = reinterpret_cast<HWND>(FNextId);
    const HWND handle = window.Handle;
    FWindows.emplace(FNextId, std::make_shared<TWindow>(std::move(window)));
    return handle;
  }

  std::shared_ptr<TWindow> Find(HWND handle) {
    std::lock_guard lock(FLock);
    return FindLocked(handle);
  }

  std::shared_ptr<TWindow> Remove(HWND handle) {
    std::lock_guard lock(FLock);
    const auto found = FWindows.find(reinterpret_cast<std::uintptr_t>(handle));
    if (found == FWindows.end()) return nullptr;
    std::shared_ptr<TWindow> window = std::move(found->second);
    FWindows.erase(found);
    return window;
  }

  // Under the registry's lock, so that a window destroyed meanwhile cannot
  // receive a message after its queue was cleared of it.
  bool Post(HWND handle, UINT message, WPARAM wParam, LPARAM lParam,
            std::shared_ptr<const void> ticket = nullptr) {
    std::lock_guard lock(FLock);
    const std::shared_ptr<TWindow> window = FindLocked(handle);
    return window && window->Queue->Post(MSG{handle, message, wParam, lParam}, std::move(ticket));
  }

  void PostToTopLevel(UINT message, WPARAM wParam, LPARAM lParam,
                      const std::shared_ptr<const void>& ticket = nullptr) {
    std::lock_guard lock(FLock);
    for (const auto& [id, window] : FWindows) {
      if (window->TopLevel || window->HearsBroadcasts)
        window->Queue->Post(MSG{window->Handle, message, wParam, lParam}, ticket);
    }
  }

  bool HearBroadcasts(HWND handle) {
    std::lock_guard lock(FLock);
    const std::shared_ptr<TWindow> window = FindLocked(handle);
    if (window) window->HearsBroadcasts = true;
    return window != nullptr;
  }

  void Expose(HWND handle) {
    std::lock_guard lock(FLock);
    if (const std::shared_ptr<TWindow> window = FindLocked(handle)) window->Exposed = true;
  }

  bool IsAddressable(HWND handle) {
    std::lock_guard lock(FLock);
    const std::shared_ptr<TWindow> window = FindLocked(handle);
    return window && (window->TopLevel || window->Exposed);
  }

  // Newest first, as new windows lie above the older ones.
  std::vector<std::shared_ptr<TWindow>> TopLevel() {
    std::lock_guard lock(FLock);
    std::vector<std::shared_ptr<TWindow>> windows;
    for (auto entry = FWindows.rbegin(); entry != FWindows.rend(); ++entry) {
      if (entry->second->TopLevel) windows.push_back(entry->second);
    }
    return windows;
  }

  std::vector<HWND> OwnedBy(std::thread::id thread) {
    std::lock_guard lock(FLock);
    std::vector<HWND> handles;
    for (const auto& [id, window] : FWindows) {
      if (window->Owner == thread) handles.push_back(window->Handle);
    }
    return handles;
  }

 private:
  std::shared_ptr<TWindow> FindLocked(HWND handle) {
    const auto found = FWindows.find(reinterpret_cast<std::uintptr_t>(handle));
    return found == FWindows.end() ? nullptr : found->second;
  }

  std::mutex FLock;
  std::uintptr_t FNextId = 0;
  std::map<std::uintptr_t, std::shared_ptr<TWindow>> FWindows;
};

TWindowRegistry& Windows() {
  static TWindowRegistry registry;
  return registry;
}

HWND MakeWindow(LPCSTR className, LPCSTR windowName, bool topLevel, TWndMethod method) {
  const std::string name = className ? className : "";
  const std::string title = windowName ? windowName : "";
  const HWND handle = Windows().Add(TWindow{nullptr, name, title, topLevel, false,
                                            std::this_thread::get_id(), CurrentQueue(),
                                            std::move(method)});
  if (topLevel) PublishTopLevel(handle, name, title);
  return handle;
}

void DestroyThreadWindows() {
  for (const HWND handle : Windows().OwnedBy(std::this_thread::get_id())) DestroyWindow(handle);
}

// --- Registered messages ------------------------------------------------------

// A name's number is worked out from the name itself (FNV-1a over its
// lower-cased bytes, folded into the range), so that every process of the
// session gives the same number for the same name without asking anyone.
// A second name that lands on a number already taken here moves on to the
// next free one; names are kept folded to lower case, so that lookups
// ignore ASCII case.
class TMessageNames {
 public:
  UINT Register(std::string_view name) {
    std::string key(name);
    std::transform(key.begin(), key.end(), key.begin(), LowerAscii);
    std::lock_guard lock(FLock);
    const auto found = FNumbers.find(key);
    if (found != FNumbers.end()) return found->second;
    if (FNumbers.size() > kLast - kFirst) return 0;
    UINT number = kFirst + Hash(key) % (kLast - kFirst + 1);
    while (FTaken.contains(number)) number = number == kLast ? kFirst : number + 1;
    FNumbers.emplace(std::move(key), number);
    FTaken.insert(number);
    return number;
  }

  bool Has(UINT number) {
    std::lock_guard lock(FLock);
    return FTaken.contains(number);
  }

 private:
  static std::uint32_t Hash(std::string_view key) {
    std::uint32_t hash = 2166136261u;
    for (const char c : key) {
      hash ^= static_cast<unsigned char>(c);
      hash *= 16777619u;
    }
    return hash;
  }

  static constexpr UINT kFirst = 0xC000;
  static constexpr UINT kLast = 0xFFFF;
  std::mutex FLock;
  std::map<std::string, UINT> FNumbers;
  std::set<UINT> FTaken;
};

// --- Calling a window's procedure ---------------------------------------------

LRESULT CallProcedure(const TWindow& window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!window.Procedure.Assigned()) return DefWindowProcA(window.Handle, message, wParam, lParam);
  TMessage record{message, wParam, lParam, 0};
  window.Procedure(record);
  return record.Result;
}

bool OwnedHere(const TWindow& window) { return window.Owner == std::this_thread::get_id(); }

void HandleSentMessage(TSentMessage& sent) {
  if (!sent.Sender->BeginRunning(sent)) return;
  const std::shared_ptr<TWindow> window = Windows().Find(sent.Window);
  if (!window || !OwnedHere(*window)) {
    sent.Sender->Finish(sent, TSentMessage::TState::Failed, 0);
    return;
  }
  const LRESULT result = CallProcedure(*window, sent.Message, sent.WParam, sent.LParam);
  sent.Sender->Finish(sent, TSentMessage::TState::Done, result);
}

void HandleSentMessages() {
  while (const std::shared_ptr<TSentMessage> sent = CurrentQueue()->TakeSent()) {
    HandleSentMessage(*sent);
  }
}

std::optional<std::chrono::steady_clock::time_point> DeadlineAfter(UINT timeout) {
  if (timeout == INFINITE) return std::nullopt;
  return std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout);
}

}  // namespace

std::shared_ptr<TThreadQueue> CallingThreadQueue() { return CurrentQueue(); }

// Unless SMTO_BLOCK is given, messages sent to this thread meanwhile are
// handled, so that two threads sending to each other do not lock up.
LRESULT AwaitSendReply(const std::shared_ptr<TSentMessage>& sent, UINT flags, UINT timeout,
                       PDWORD_PTR result) {
  const std::shared_ptr<TThreadQueue>& own = CurrentQueue();
  const auto deadline = DeadlineAfter(timeout);
  const bool acceptIncoming = (flags & SMTO_BLOCK) == 0;
  for (;;) {
    switch (own->WaitForReply(*sent, deadline, acceptIncoming)) {
      case TThreadQueue::TReplyWait::Incoming:
        HandleSentMessages();
        continue;
      case TThreadQueue::TReplyWait::TimedOut:
        SetLastError(ERROR_TIMEOUT);
        return 0;
      case TThreadQueue::TReplyWait::Replied:
        break;
    }
    break;
  }
  if (sent->State == TSentMessage::TState::Hung) {
    SetLastError(ERROR_TIMEOUT);
    return 0;
  }
  if (sent->State == TSentMessage::TState::Failed) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (result != nullptr) *result = static_cast<std::uintptr_t>(sent->Result);
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

namespace {

// Queues the message for the window's thread and waits for its answer.
LRESULT SendToOtherThread(const TWindow& window, UINT message, WPARAM wParam, LPARAM lParam,
                          UINT flags, UINT timeout, PDWORD_PTR result) {
  if ((flags & SMTO_ABORTIFHUNG) != 0 && window.Queue->IsHung()) {
    SetLastError(ERROR_TIMEOUT);
    return 0;
  }
  auto sent = std::make_shared<TSentMessage>(
      TSentMessage{window.Handle, message, wParam, lParam, CurrentQueue()});
  if (!window.Queue->Send(sent)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return AwaitSendReply(sent, flags, timeout, result);
}

LRESULT SendToWindow(const TWindow& window, UINT message, WPARAM wParam, LPARAM lParam, UINT flags,
                     UINT timeout, PDWORD_PTR result) {
  if (!OwnedHere(window)) {
    return SendToOtherThread(window, message, wParam, lParam, flags, timeout, result);
  }
  const LRESULT answer = CallProcedure(window, message, wParam, lParam);
  if (result != nullptr) *result = static_cast<std::uintptr_t>(answer);
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

LRESULT Broadcast(UINT message, WPARAM wParam, LPARAM lParam, UINT flags, UINT timeout,
                  PDWORD_PTR result) {
  for (const auto& window : Windows().TopLevel()) {
    SendToWindow(*window, message, wParam, lParam, flags, timeout, nullptr);
  }
  for (const HWND window : RemoteTopLevelWindows()) {
    SendRemote(window, message, wParam, lParam, flags, timeout, nullptr);
  }
  if (result != nullptr) *result = 0;
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

}  // namespace

// --- Windows ---------------------------------------------------------------

HWND AllocateHWnd(TWndMethod method) {
  return MakeWindow("TPUtilWindow", "", false, std::move(method));
}

void DeallocateHWnd(HWND window) { DestroyWindow(window); }

BOOL HearBroadcasts(HWND window) {
  if (!Windows().HearBroadcasts(window)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  return TRUE;
}

HWND CreateTopLevelWindow(LPCSTR className, LPCSTR windowName, TWndMethod method) {
  return MakeWindow(className, windowName, true, std::move(method));
}

// This process's windows first, then those of the other processes.
HWND FindWindowA(LPCSTR className, LPCSTR windowName) {
  for (const auto& window : Windows().TopLevel()) {
    if ((className == nullptr || SameTextAscii(window->ClassName, className)) &&
        (windowName == nullptr || SameTextAscii(window->Title, windowName))) {
      return window->Handle;
    }
  }
  return FindRemoteWindow(className, windowName).value_or(nullptr);
}

BOOL IsWindow(HWND window) {
  if (Windows().Find(window)) return TRUE;
  return IsRemoteHandle(window) ? IsRemoteWindow(window) : FALSE;
}

DWORD GetWindowThreadProcessId(HWND window, LPDWORD processId) {
  std::optional<DWORD> process;
  if (Windows().Find(window)) {
    process = GetCurrentProcessId();
  } else if (IsRemoteHandle(window) && IsRemoteWindow(window)) {
    process = RemoteProcessOf(window);
  }
  if (!process) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (processId != nullptr) *processId = *process;
  return 1;
}

BOOL PostMessageOnExit(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (IsRemoteHandle(window)) return PostRemoteOnExit(window, message, wParam, lParam);
  return Windows().Find(window) ? TRUE : FALSE;
}

BOOL CancelPostMessageOnExit(HWND window) {
  if (IsRemoteHandle(window)) return CancelRemoteOnExit(window);
  return Windows().Find(window) ? TRUE : FALSE;
}

void PublishProgramPath(const std::string& path) { SetPublishedProgramPath(path); }

std::string ProgramPathOfWindow(HWND window) {
  if (Windows().Find(window)) return PublishedProgramPath();
  return IsRemoteHandle(window) ? RemoteProgramPath(window) : std::string();
}

BOOL DestroyWindow(HWND handle) {
  const std::shared_ptr<TWindow> window = Windows().Find(handle);
  if (!window) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (!OwnedHere(*window)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  Windows().Remove(handle);
  if (window->TopLevel) WithdrawTopLevel(handle, window->ClassName, window->Title);
  FailSends(window->Queue->DropWindow(handle));
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

// --- Registered messages -----------------------------------------------------

namespace {

TMessageNames& MessageNames() {
  static TMessageNames names;
  return names;
}

}  // namespace

UINT RegisterWindowMessageA(LPCSTR name) {
  TMessageNames& names = MessageNames();
  constexpr std::size_t kLongestName = 255;
  const std::size_t length = name == nullptr ? 0 : std::strlen(name);
  if (length == 0 || length > kLongestName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const UINT number = names.Register(std::string_view(name, length));
  SetLastError(number == 0 ? ERROR_NOT_ENOUGH_MEMORY : ERROR_SUCCESS);
  return number;
}

// --- Posting and sending -------------------------------------------------------

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (window == HWND_BROADCAST) {
    Windows().PostToTopLevel(message, wParam, lParam);
    PostToRemoteTopLevel(message, wParam, lParam);
  } else if (IsRemoteHandle(window)) {
    return PostRemote(window, message, wParam, lParam);
  } else if (!Windows().Post(window, message, wParam, lParam)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

LRESULT SendMessageTimeoutA(HWND handle, UINT message, WPARAM wParam, LPARAM lParam, UINT flags,
                            UINT timeout, PDWORD_PTR result) {
  if (handle == HWND_BROADCAST) return Broadcast(message, wParam, lParam, flags, timeout, result);
  if (IsRemoteHandle(handle))
    return SendRemote(handle, message, wParam, lParam, flags, timeout, result);
  const std::shared_ptr<TWindow> window = Windows().Find(handle);
  if (!window) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return SendToWindow(*window, message, wParam, lParam, flags, timeout, result);
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  std::uintptr_t result = 0;
  SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, INFINITE, &result);
  return static_cast<LRESULT>(result);
}

LRESULT DefWindowProcA(HWND, UINT, WPARAM, LPARAM) { return 0; }

// --- The loop -------------------------------------------------------------------

BOOL PeekMessageA(LPMSG message, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags) {
  HandleSentMessages();
  if (CurrentQueue()->TakePosted(*message, window, filterMin, filterMax,
                                 (removeFlags & PM_REMOVE) != 0)) {
    return TRUE;
  }
  SignalReadyOnce();
  return FALSE;
}

BOOL GetMessageA(LPMSG message, HWND window, UINT filterMin, UINT filterMax) {
  const std::shared_ptr<TThreadQueue>& queue = CurrentQueue();
  for (;;) {
    const std::uint64_t seen = queue->Generation();
    HandleSentMessages();
    if (queue->TakePosted(*message, window, filterMin, filterMax, true)) {
      return message->message == WM_QUIT ? FALSE : TRUE;
    }
    SignalReadyOnce();
    queue->WaitForInput(seen);
  }
}

LRESULT DispatchMessageA(const MSG* message) {
  const std::shared_ptr<TWindow> window = Windows().Find(message->hwnd);
  if (!window || !OwnedHere(*window)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return CallProcedure(*window, message->message, message->wParam, message->lParam);
}

BOOL TranslateMessage(const MSG*) { return FALSE; }

void PostQuitMessage(int exitCode) { CurrentQueue()->PostQuit(exitCode); }

DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE*, BOOL, DWORD milliseconds, DWORD) {
  if (count != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  const std::shared_ptr<TThreadQueue>& queue = CurrentQueue();
  const std::uint64_t seen = queue->Generation();
  MSG waiting;
  if (queue->HasSent() || queue->TakePosted(waiting, nullptr, 0, 0, false)) return WAIT_OBJECT_0;
  if (milliseconds == INFINITE) {
    queue->WaitForInput(seen);
    return WAIT_OBJECT_0;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  return queue->WaitForInputUntil(seen, deadline) ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

int MessageQueueWakeFd() { return CurrentQueue()->WakeFd(); }

// Cleared before the queue is emptied, so that what arrives meanwhile
// wakes the next wait.
void ProcessMessages() {
  CurrentQueue()->ClearWake();
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

// --- This process's windows as the session bus shows them ------------------

bool PostLocal(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
               std::shared_ptr<const void> ticket) {
  if (window == HWND_BROADCAST) {
    Windows().PostToTopLevel(message, wParam, lParam, ticket);
    return true;
  }
  return Windows().Post(window, message, wParam, lParam, std::move(ticket));
}

bool IsLocalWindow(HWND window) { return Windows().Find(window) != nullptr; }

bool IsAddressableWindow(HWND window) { return Windows().IsAddressable(window); }

bool CrossesProcesses(UINT message) {
  return message >= 0xC000 && message <= 0xFFFF && MessageNames().Has(message);
}

void NoteValueLeaving(std::uint64_t value) {
  if (value == 0 || value >= (std::uint64_t{1} << 31)) return;
  Windows().Expose(reinterpret_cast<HWND>(static_cast<std::uintptr_t>(value)));
}

TSendState QueueSendFromRemote(HWND handle, UINT message, WPARAM wParam, LPARAM lParam,
                               UINT flags, std::shared_ptr<TSendWaiter> waiter) {
  const std::shared_ptr<TWindow> window = Windows().Find(handle);
  if (!window) return TSendState::Failed;
  if ((flags & SMTO_ABORTIFHUNG) != 0 && window->Queue->IsHung()) return TSendState::Hung;
  const bool queued = window->Queue->Send(std::make_shared<TSentMessage>(
      TSentMessage{handle, message, wParam, lParam, std::move(waiter)}));
  return queued ? TSendState::Waiting : TSendState::Failed;
}
