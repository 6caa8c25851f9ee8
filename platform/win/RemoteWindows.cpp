// The window layer on the session bus. Each process publishes the object
// /org/kolmira/Windows under the name of its handle block; a handle's block
// number is the part above bit 20, so the handle alone says where to send.
// Top-level windows are also names on the bus, which the bus daemon lists
// itself, so that finding a window never waits for a process that does not
// answer. Posts are calls whose answers nobody waits for: they leave in the
// order they were made, and the receiver's bus thread queues them in that
// order. Sends are answered only once the owner thread's procedure has run.
#include "platform/win/RemoteWindows.h"

#include <sdbus-c++/sdbus-c++.h>

#include <charconv>
#include <chrono>
#include <deque>
#include <filesystem>
#include <map>
#include <mutex>
#include <random>
#include <set>

#include "platform/bus/Bus.h"
#include "platform/bus/Refusal.h"
#include "platform/win/IncomingWindowCalls.h"

namespace {

using TClock = std::chrono::steady_clock;

constexpr const char* kWindowsPath = "/org/kolmira/Windows";
constexpr const char* kWindowsInterface = "org.kolmira.Windows";
constexpr std::string_view kWindowNamePrefix = "org.kolmira.Window.";
// A post's receipt is answered by the receiver's bus thread, never by a
// window procedure: only a peer that stopped running takes this long.
constexpr std::chrono::seconds kPostTimeout{5};
// Posts whose receipt has not come back yet, per receiving process, and
// posts held back behind them: a receiver slower than its sender catches
// up, one that confirms nothing for a second (it stopped) refuses more.
constexpr unsigned kPostsInFlight = 64;
constexpr std::size_t kHeldPosts = 4096;
constexpr std::chrono::seconds kStalledAfter{1};
constexpr std::uintptr_t kBlockSize = std::uintptr_t{1} << kivo_bus::kBlockShift;

std::uint32_t BlockOf(HWND window) {
  return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(window) >>
                                    kivo_bus::kBlockShift);
}

std::uint32_t HandleNumber(HWND window) {
  return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(window));
}

HWND HandleOf(std::uint32_t number) {
  return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(number));
}

sdbus::IProxy& WindowsOf(kivo_bus::TBus& bus, std::uint32_t block) {
  return bus.ProxyFor(kivo_bus::TBus::BlockName(block), kWindowsPath);
}

// --- The window directory: one bus name per top-level window ---------------

// Names on the bus are short and of few characters, so a class and a title
// are named by a hash of their lower-cased bytes (FNV-1a, 64 bits): window
// lookups ignore ASCII case.
std::uint64_t TextHash(std::string_view text) {
  std::uint64_t hash = 0xCBF29CE484222325u;
  for (const char c : text) {
    const char lower = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    hash = (hash ^ static_cast<unsigned char>(lower)) * 0x100000001B3u;
  }
  return hash;
}

std::string Hex(std::uint64_t value) {
  char digits[16];
  const auto end = std::to_chars(digits, digits + sizeof digits, value, 16).ptr;
  return std::string(digits, end);
}

// org.kolmira.Window.C<class hash>.T<title hash>.H<handle>
std::string DirectoryName(HWND window, std::string_view className, std::string_view title) {
  return std::string(kWindowNamePrefix) + "C" + Hex(TextHash(className)) + ".T" +
         Hex(TextHash(title)) + ".H" + std::to_string(HandleNumber(window));
}

struct TListedWindow {
  HWND Handle;
  std::uint64_t ClassHash;
  std::uint64_t TitleHash;
};

bool ReadNumber(std::string_view text, int base, std::uint64_t& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

std::optional<TListedWindow> ParseDirectoryName(std::string_view name) {
  if (!name.starts_with(kWindowNamePrefix)) return std::nullopt;
  name.remove_prefix(kWindowNamePrefix.size());
  const std::size_t title = name.find(".T");
  const std::size_t handle = name.find(".H");
  if (!name.starts_with('C') || title == std::string_view::npos ||
      handle == std::string_view::npos || handle < title)
    return std::nullopt;
  TListedWindow window{};
  std::uint64_t number = 0;
  if (!ReadNumber(name.substr(1, title - 1), 16, window.ClassHash) ||
      !ReadNumber(name.substr(title + 2, handle - title - 2), 16, window.TitleHash) ||
      !ReadNumber(name.substr(handle + 2), 10, number) || number >= (std::uint64_t{1} << 31))
    return std::nullopt;
  window.Handle = HandleOf(static_cast<std::uint32_t>(number));
  return window;
}

// The top-level windows of the other processes, newest first within each.
std::vector<TListedWindow> ListedWindows(kivo_bus::TBus& bus) {
  std::vector<TListedWindow> windows;
  for (const std::string& name : bus.NamesWithPrefix(std::string(kWindowNamePrefix))) {
    const std::optional<TListedWindow> window = ParseDirectoryName(name);
    if (window && BlockOf(window->Handle) != bus.Block() && BlockOf(window->Handle) != 0)
      windows.push_back(*window);
  }
  return windows;
}

// --- Posts on their way: what each receiving process has not confirmed ------

// A post ready to leave, and the window its receipt is about.
struct TPendingPost {
  std::uint32_t Block;
  std::uint32_t Window;
  sdbus::MethodCall Call;
};

// Per receiving process: at most kPostsInFlight posts await their receipt;
// later ones wait here, in order, and leave as receipts come back. A
// receiver that has confirmed nothing for kStalledAfter while posts await
// it (it stopped running), or that lets kHeldPosts pile up, refuses more.
class TReceivers {
 public:
  enum class TAdmission { Send, Held, Gone, Full };

  explicit TReceivers(kivo_bus::TBus& bus) : FBus(bus) {}

  // Send: the post is to leave now; Held: it is kept and leaves in turn.
  // The owner is learnt once from the bus daemon and forgotten when it
  // leaves the bus, so that a later process taking the block is learnt
  // afresh. Unbounded posts are never refused for a full queue.
  TAdmission Admit(TPendingPost& post, bool bounded, std::string& owner) {
    {
      std::lock_guard lock(FLock);
      if (FDeadWindows.contains(post.Window)) return TAdmission::Gone;
      const auto known = FReceivers.find(post.Block);
      if (known != FReceivers.end()) return AdmitLocked(known->second, post, bounded, owner);
    }
    const std::optional<std::string> found = FBus.OwnerOf(kivo_bus::TBus::BlockName(post.Block));
    if (!found) return TAdmission::Gone;
    std::lock_guard lock(FLock);
    TReceiver& receiver = FReceivers.try_emplace(post.Block, *found).first->second;
    return AdmitLocked(receiver, post, bounded, owner);
  }

  // The receipt of a post (or the bus's word that it could not be made);
  // the held posts that may leave now.
  std::vector<TPendingPost> Settle(std::uint32_t block, std::uint32_t window,
                                   const std::string& owner, bool windowExists) {
    std::lock_guard lock(FLock);
    if (!windowExists && window != HandleNumber(HWND_BROADCAST)) FDeadWindows.insert(window);
    std::vector<TPendingPost> next;
    const auto known = FReceivers.find(block);
    if (known == FReceivers.end() || known->second.Owner != owner) return next;
    TReceiver& receiver = known->second;
    if (receiver.InFlight > 0) --receiver.InFlight;
    receiver.Progress = TClock::now();
    while (!receiver.Held.empty() && receiver.InFlight < kPostsInFlight) {
      next.push_back(std::move(receiver.Held.front()));
      receiver.Held.pop_front();
      ++receiver.InFlight;
    }
    return next;
  }

  // A peer that left the bus: what waited for it is dropped.
  void Forget(const std::string& uniqueName) {
    std::lock_guard lock(FLock);
    std::erase_if(FReceivers, [&](const auto& entry) { return entry.second.Owner == uniqueName; });
  }

 private:
  struct TReceiver {
    explicit TReceiver(std::string owner) : Owner(std::move(owner)) {}
    std::string Owner;
    unsigned InFlight = 0;
    std::deque<TPendingPost> Held;
    // The last receipt, or when posts began to await one.
    TClock::time_point Progress{};
  };

  static TAdmission AdmitLocked(TReceiver& receiver, TPendingPost& post, bool bounded,
                                std::string& owner) {
    const auto now = TClock::now();
    const bool stalled = receiver.InFlight > 0 && now - receiver.Progress > kStalledAfter;
    if (bounded && (stalled || receiver.Held.size() >= kHeldPosts)) return TAdmission::Full;
    owner = receiver.Owner;
    if (receiver.InFlight < kPostsInFlight && receiver.Held.empty()) {
      if (receiver.InFlight == 0) receiver.Progress = now;
      ++receiver.InFlight;
      return TAdmission::Send;
    }
    receiver.Held.push_back(std::move(post));
    return TAdmission::Held;
  }

  kivo_bus::TBus& FBus;
  std::mutex FLock;
  std::map<std::uint32_t, TReceiver> FReceivers;
  // Windows that their live process said it does not have: never again.
  std::set<std::uint32_t> FDeadWindows;
};

struct TRemoteState {
  explicit TRemoteState(kivo_bus::TBus& bus) : Receivers(bus), Incoming(bus.Block()) {}
  TReceivers Receivers;
  TIncomingWindowCalls Incoming;
};

// Shared with every handler the bus keeps, so that it outlives the bus's
// thread, which may still answer a receipt while the process ends.
const std::shared_ptr<TRemoteState>& RemoteState(kivo_bus::TBus& bus) {
  static const std::shared_ptr<TRemoteState> state = [&bus] {
    auto made = std::make_shared<TRemoteState>(bus);
    bus.OnPeerGone([made](const std::string& uniqueName) {
      made->Receivers.Forget(uniqueName);
      made->Incoming.PeerGone(uniqueName);
    });
    return made;
  }();
  return state;
}

// --- Calls from other processes -------------------------------------------

// Runs an incoming call; what it refuses goes back to the caller as an
// error naming the argument.
template <class TCall>
auto Refusing(TCall&& call) {
  try {
    return call();
  } catch (const kivo_bus::TRefusal& refusal) {
    throw sdbus::Error(refusal.ErrorName(), refusal.what());
  }
}

// Sends are answered once the owner thread's procedure has run.
void AnswerSend(TIncomingWindowCalls& incoming, sdbus::MethodCall call) {
  std::uint32_t window = 0;
  std::uint32_t message = 0;
  std::uint64_t wParam = 0;
  std::int64_t lParam = 0;
  std::uint32_t flags = 0;
  std::uint64_t deadline = 0;
  call >> window >> message >> wParam >> lParam >> flags >> deadline;
  Refusing([&] {
    incoming.Send(call.getSender(), window, message, wParam, lParam, flags, deadline,
                  [call](TSendOutcome outcome, std::int64_t result) {
                    try {
                      sdbus::MethodReply reply = call.createReply();
                      reply << static_cast<std::uint32_t>(outcome) << result;
                      reply.send();
                    } catch (const sdbus::Error&) {
                      // The sender has gone; nobody waits for the answer.
                    }
                  });
  });
}

// The steady clock is the system's monotonic clock, the same in every
// process, so a deadline can travel as a time point.
std::uint64_t DeadlineToWire(UINT timeout) {
  if (timeout == INFINITE) return UINT64_MAX;
  const auto deadline = TClock::now() + std::chrono::milliseconds(timeout);
  return static_cast<std::uint64_t>(
      std::chrono::duration_cast<std::chrono::nanoseconds>(deadline.time_since_epoch()).count());
}

struct TProgramPath {
  std::mutex Lock;
  std::optional<std::string> Published;
};

TProgramPath& ProgramPath() {
  static TProgramPath path;
  return path;
}

// Post and PostOnExit take the same values and answer whether the post was
// made (or left for the exit).
using TPostCall = bool (TIncomingWindowCalls::*)(const std::string&, std::uint32_t, std::uint32_t,
                                                 std::uint64_t, std::int64_t);

void RegisterPost(sdbus::IObject& object, const char* name, TPostCall post,
                  const std::shared_ptr<TRemoteState>& state) {
  object.registerMethod(kWindowsInterface, name, "uutx", "b",
                        [state, post](sdbus::MethodCall call) {
                          std::uint32_t window = 0;
                          std::uint32_t message = 0;
                          std::uint64_t wParam = 0;
                          std::int64_t lParam = 0;
                          call >> window >> message >> wParam >> lParam;
                          const bool done = Refusing([&] {
                            return (state->Incoming.*post)(call.getSender(), window, message,
                                                           wParam, lParam);
                          });
                          sdbus::MethodReply reply = call.createReply();
                          reply << done;
                          reply.send();
                        });
}

// The handlers read their arguments as the bus checked their types and
// leave every judgement of their values to TIncomingWindowCalls.
void PublishWindows(kivo_bus::TBus& bus) {
  const std::shared_ptr<TRemoteState> state = RemoteState(bus);
  TIncomingWindowCalls& incoming = state->Incoming;
  sdbus::IObject& object = bus.AddObject(kWindowsPath);
  object.registerMethod(kWindowsInterface, "IsWindow", "u", "b",
                        [state, &incoming](sdbus::MethodCall call) {
                          std::uint32_t window = 0;
                          call >> window;
                          const bool exists =
                              Refusing([&] { return incoming.IsWindow(call.getSender(), window); });
                          sdbus::MethodReply reply = call.createReply();
                          reply << exists;
                          reply.send();
                        });
  object.registerMethod("ProgramPath").onInterface(kWindowsInterface).implementedAs([] {
    return PublishedProgramPath();
  });
  RegisterPost(object, "Post", &TIncomingWindowCalls::Post, state);
  object.registerMethod(kWindowsInterface, "Send", "uutxut", "ux",
                        [state, &incoming](sdbus::MethodCall call) {
                          AnswerSend(incoming, std::move(call));
                        });
  RegisterPost(object, "PostOnExit", &TIncomingWindowCalls::PostOnExit, state);
  object.registerMethod(kWindowsInterface, "CancelPostOnExit", "u", "b",
                        [state, &incoming](sdbus::MethodCall call) {
                          std::uint32_t window = 0;
                          call >> window;
                          const bool exists = Refusing(
                              [&] { return incoming.CancelPostOnExit(call.getSender(), window); });
                          sdbus::MethodReply reply = call.createReply();
                          reply << exists;
                          reply.send();
                        });
  object.finishRegistration();
}

}  // namespace

kivo_bus::TBus* WindowBus() {
  static kivo_bus::TBus* const bus = [] {
    kivo_bus::TBus* found = kivo_bus::TBus::Get();
    if (found != nullptr) PublishWindows(*found);
    return found;
  }();
  return bus;
}

// Counting starts at a random place in the block, so that a block taken
// over from a process that ended seldom gives its old handles again.
std::uintptr_t FirstWindowNumber() {
  const kivo_bus::TBus* bus = WindowBus();
  if (bus == nullptr) return 0x20000;
  std::minstd_rand random(std::random_device{}());
  const std::uintptr_t offset = 0x10000 + 2 * (random() % (kBlockSize / 4));
  return bus->Block() * kBlockSize + offset;
}

bool IsRemoteHandle(HWND window) {
  const kivo_bus::TBus* bus = WindowBus();
  if (bus == nullptr || window == nullptr || window == HWND_BROADCAST) return false;
  const std::uintptr_t number = reinterpret_cast<std::uintptr_t>(window);
  return number < (std::uintptr_t{1} << 31) && BlockOf(window) != bus->Block() &&
         BlockOf(window) != 0;
}

void PublishTopLevel(HWND window, const std::string& className, const std::string& title) {
  if (kivo_bus::TBus* bus = WindowBus()) bus->Claim(DirectoryName(window, className, title));
}

void WithdrawTopLevel(HWND window, const std::string& className, const std::string& title) {
  if (kivo_bus::TBus* bus = WindowBus()) bus->Release(DirectoryName(window, className, title));
}

std::optional<HWND> FindRemoteWindow(LPCSTR className, LPCSTR windowName) {
  kivo_bus::TBus* bus = WindowBus();
  if (bus == nullptr) return std::nullopt;
  const std::uint64_t classHash = className != nullptr ? TextHash(className) : 0;
  const std::uint64_t titleHash = windowName != nullptr ? TextHash(windowName) : 0;
  for (const TListedWindow& window : ListedWindows(*bus)) {
    if ((className == nullptr || window.ClassHash == classHash) &&
        (windowName == nullptr || window.TitleHash == titleHash))
      return window.Handle;
  }
  return std::nullopt;
}

std::vector<HWND> RemoteTopLevelWindows() {
  std::vector<HWND> handles;
  if (kivo_bus::TBus* bus = WindowBus())
    for (const TListedWindow& window : ListedWindows(*bus)) handles.push_back(window.Handle);
  return handles;
}

BOOL IsRemoteWindow(HWND window) {
  kivo_bus::TBus* bus = WindowBus();
  try {
    bool exists = false;
    WindowsOf(*bus, BlockOf(window))
        .callMethod("IsWindow")
        .onInterface(kWindowsInterface)
        .withTimeout(kPostTimeout)
        .withArguments(HandleNumber(window))
        .storeResultsTo(exists);
    return exists ? TRUE : FALSE;
  } catch (const sdbus::Error&) {
    return FALSE;
  }
}

void SetPublishedProgramPath(const std::string& path) {
  std::lock_guard lock(ProgramPath().Lock);
  ProgramPath().Published = path;
}

std::string PublishedProgramPath() {
  {
    std::lock_guard lock(ProgramPath().Lock);
    if (ProgramPath().Published) return *ProgramPath().Published;
  }
  std::error_code error;
  const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : executable.string();
}

std::string RemoteProgramPath(HWND window) {
  kivo_bus::TBus* bus = WindowBus();
  if (bus == nullptr) return {};
  try {
    std::string path;
    WindowsOf(*bus, BlockOf(window))
        .callMethod("ProgramPath")
        .onInterface(kWindowsInterface)
        .withTimeout(kPostTimeout)
        .storeResultsTo(path);
    return path;
  } catch (const sdbus::Error&) {
    return {};
  }
}

std::optional<DWORD> RemoteProcessOf(HWND window) {
  kivo_bus::TBus* bus = WindowBus();
  if (bus == nullptr) return std::nullopt;
  return bus->ProcessOf(kivo_bus::TBus::BlockName(BlockOf(window)));
}

namespace {

// Sends held posts in turn as the receipts of earlier ones come back; the
// receipts are taken on the bus's thread.
void SendPosts(const std::shared_ptr<TRemoteState>& state, std::vector<TPendingPost> posts,
               const std::string& owner) {
  kivo_bus::TBus* bus = WindowBus();
  std::deque<TPendingPost> toSend(std::make_move_iterator(posts.begin()),
                                  std::make_move_iterator(posts.end()));
  while (!toSend.empty()) {
    TPendingPost post = std::move(toSend.front());
    toSend.pop_front();
    const std::uint32_t block = post.Block;
    const std::uint32_t window = post.Window;
    try {
      WindowsOf(*bus, block)
          .callMethod(
              post.Call,
              [state, block, window, owner](sdbus::MethodReply& reply, const sdbus::Error* error) {
                bool exists = true;
                if (error == nullptr) reply >> exists;
                // A receiver that timed out may only have stopped for a while;
                // one that has gone is forgotten when the bus says so.
                SendPosts(state, state->Receivers.Settle(block, window, owner, exists), owner);
              },
              std::chrono::duration_cast<std::chrono::microseconds>(kPostTimeout).count());
    } catch (const sdbus::Error&) {
      for (TPendingPost& next : state->Receivers.Settle(block, window, owner, true))
        toSend.push_back(std::move(next));
    }
  }
}

// A handle of this process among a post's values is one the receiver may
// answer to.
void NoteLeaving(std::uint32_t) {}
void NoteLeaving(std::uint64_t value) { NoteValueLeaving(value); }
void NoteLeaving(std::int64_t value) { NoteValueLeaving(static_cast<std::uint64_t>(value)); }

// Sends one of the post methods about `window` to the process of `block`
// without waiting for its receipt; false (with the last error) when it
// cannot go.
template <class... TArguments>
BOOL PostCall(std::uint32_t block, std::uint32_t window, const char* method, bool bounded,
              TArguments... arguments) {
  kivo_bus::TBus* bus = WindowBus();
  const std::shared_ptr<TRemoteState>& state = RemoteState(*bus);
  std::string owner;
  try {
    TPendingPost post{block, window,
                      WindowsOf(*bus, block).createMethodCall(kWindowsInterface, method)};
    post.Call << window;
    ((post.Call << arguments), ...);
    (NoteLeaving(arguments), ...);
    switch (state->Receivers.Admit(post, bounded, owner)) {
      case TReceivers::TAdmission::Gone:
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
      case TReceivers::TAdmission::Full:
        SetLastError(ERROR_NOT_ENOUGH_QUOTA);
        return FALSE;
      case TReceivers::TAdmission::Send:
        SendPosts(state, {std::move(post)}, owner);
        break;
      case TReceivers::TAdmission::Held:
        break;
    }
  } catch (const sdbus::Error&) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

}  // namespace

BOOL PostRemote(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return PostCall(BlockOf(window), HandleNumber(window), "Post", true, std::uint32_t{message},
                  static_cast<std::uint64_t>(wParam), static_cast<std::int64_t>(lParam));
}

// To every other process of the platform (hidden windows that hear
// broadcasts list no name of their own); one whose posts pile up is passed
// over, and none is waited for.
void PostToRemoteTopLevel(UINT message, WPARAM wParam, LPARAM lParam) {
  kivo_bus::TBus* bus = WindowBus();
  if (bus == nullptr) return;
  std::set<std::uint32_t> blocks;
  const std::string_view prefix = kivo_bus::kBlockNamePrefix;
  for (const std::string& name : bus->NamesWithPrefix(std::string(prefix))) {
    std::uint32_t block = 0;
    const char* digits = name.data() + prefix.size();
    const auto [end, error] = std::from_chars(digits, name.data() + name.size(), block);
    if (error == std::errc() && end == name.data() + name.size() && block != bus->Block())
      blocks.insert(block);
  }
  for (const std::uint32_t block : blocks)
    PostCall(block, HandleNumber(HWND_BROADCAST), "Post", true, std::uint32_t{message},
             static_cast<std::uint64_t>(wParam), static_cast<std::int64_t>(lParam));
}

BOOL PostRemoteOnExit(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return PostCall(BlockOf(window), HandleNumber(window), "PostOnExit", true, std::uint32_t{message},
                  static_cast<std::uint64_t>(wParam), static_cast<std::int64_t>(lParam));
}

// Never refused for a full queue: a post left behind would be made for a
// process that ended in order.
BOOL CancelRemoteOnExit(HWND window) {
  return PostCall(BlockOf(window), HandleNumber(window), "CancelPostOnExit", false);
}

LRESULT SendRemote(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT flags,
                   UINT timeout, PDWORD_PTR result) {
  kivo_bus::TBus* bus = WindowBus();
  auto sent = std::make_shared<TSentMessage>(
      TSentMessage{window, message, wParam, lParam, CallingThreadQueue()});
  NoteValueLeaving(static_cast<std::uint64_t>(wParam));
  NoteValueLeaving(static_cast<std::uint64_t>(lParam));
  try {
    sdbus::IProxy& proxy = WindowsOf(*bus, BlockOf(window));
    sdbus::MethodCall call = proxy.createMethodCall(kWindowsInterface, "Send");
    call << HandleNumber(window) << message << static_cast<std::uint64_t>(wParam)
         << static_cast<std::int64_t>(lParam) << static_cast<std::uint32_t>(flags)
         << DeadlineToWire(timeout);
    // The bus gives up a little after the sender does, so that the sender's
    // own time-out is what the caller sees.
    constexpr std::uint64_t kDayUs = 86'400'000'000;
    const std::uint64_t busTimeout =
        timeout == INFINITE ? kDayUs : (std::uint64_t{timeout} + 1000) * 1000;
    proxy.callMethod(
        call,
        [sent](sdbus::MethodReply& reply, const sdbus::Error* error) {
          std::uint32_t outcome = static_cast<std::uint32_t>(TSendOutcome::NoWindow);
          std::int64_t answer = 0;
          if (error == nullptr) reply >> outcome >> answer;
          const TSendState state =
              outcome == static_cast<std::uint32_t>(TSendOutcome::Done)   ? TSendState::Done
              : outcome == static_cast<std::uint32_t>(TSendOutcome::Hung) ? TSendState::Hung
                                                                          : TSendState::Failed;
          sent->Sender->Finish(*sent, state, static_cast<LRESULT>(answer));
        },
        busTimeout);
  } catch (const sdbus::Error&) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return AwaitSendReply(sent, flags, timeout, result);
}
