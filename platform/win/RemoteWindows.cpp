// The window layer on the session bus. Each process publishes the object
// /org/kolmira/Windows under the name of its handle block; a handle's block
// number is the part above bit 20, so the handle alone says where to send.
// Posts are calls answered by the receiver's bus thread once the message is
// queued, so they arrive in the order they were made and a window whose
// process has gone fails at once. Sends are answered only once the owner
// thread's procedure has run.
#include "platform/win/RemoteWindows.h"

#include <sdbus-c++/sdbus-c++.h>

#include <chrono>
#include <mutex>
#include <random>

#include "platform/bus/Bus.h"

namespace {

using TClock = std::chrono::steady_clock;

constexpr const char* kWindowsPath = "/org/kolmira/Windows";
constexpr const char* kWindowsInterface = "org.kolmira.Windows";
// A post is answered by the receiver's bus thread, never by a window
// procedure: only a peer that stopped running takes this long.
constexpr std::chrono::seconds kPostTimeout{5};
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

sdbus::IProxy& WindowsOf(kivo_bus::TBus& bus, const std::string& destination) {
  return bus.ProxyFor(destination, kWindowsPath);
}

// A send from another process: answered over the bus when the procedure
// has run or the message failed. A sender that gave up has passed its
// deadline, and then the procedure does not run.
class TRemoteSendWaiter final : public TSendWaiter {
 public:
  TRemoteSendWaiter(sdbus::MethodCall call, TClock::time_point deadline)
      : FCall(std::move(call)), FDeadline(deadline) {}

  bool BeginRunning(TSentMessage&) override {
    if (TClock::now() <= FDeadline) return true;
    Reply(false, 0);
    return false;
  }

  void Finish(TSentMessage&, TSendState state, LRESULT result) override {
    Reply(state == TSendState::Done, result);
  }

 private:
  void Reply(bool done, LRESULT result) {
    std::lock_guard lock(FLock);
    if (FReplied) return;
    FReplied = true;
    try {
      sdbus::MethodReply reply = FCall.createReply();
      reply << done << static_cast<std::int64_t>(result);
      reply.send();
    } catch (const sdbus::Error&) {
      // The sender has gone; nobody waits for the answer.
    }
  }

  std::mutex FLock;
  sdbus::MethodCall FCall;
  TClock::time_point FDeadline;
  bool FReplied = false;
};

// UINT64_MAX: the sender waits without end.
TClock::time_point DeadlineFromWire(std::uint64_t nanoseconds) {
  if (nanoseconds > static_cast<std::uint64_t>(INT64_MAX)) return TClock::time_point::max();
  return TClock::time_point(std::chrono::nanoseconds(static_cast<std::int64_t>(nanoseconds)));
}

// The steady clock is the system's monotonic clock, the same in every
// process, so a deadline can travel as a time point.
std::uint64_t DeadlineToWire(UINT timeout) {
  if (timeout == INFINITE) return UINT64_MAX;
  const auto deadline = TClock::now() + std::chrono::milliseconds(timeout);
  return static_cast<std::uint64_t>(
      std::chrono::duration_cast<std::chrono::nanoseconds>(deadline.time_since_epoch()).count());
}

void PublishWindows(kivo_bus::TBus& bus) {
  sdbus::IObject& object = bus.AddObject(kWindowsPath);
  object.registerMethod("Windows").onInterface(kWindowsInterface).implementedAs([] {
    std::vector<sdbus::Struct<std::uint32_t, std::string, std::string>> listing;
    for (const TWindowListing& window : LocalTopLevelWindows())
      listing.emplace_back(HandleNumber(window.Handle), window.ClassName, window.Title);
    return listing;
  });
  object.registerMethod("IsWindow")
      .onInterface(kWindowsInterface)
      .implementedAs([](std::uint32_t window) { return IsLocalWindow(HandleOf(window)); });
  object.registerMethod("Post")
      .onInterface(kWindowsInterface)
      .implementedAs([](std::uint32_t window, std::uint32_t message, std::uint64_t wParam,
                        std::int64_t lParam) {
        return PostLocal(HandleOf(window), message, static_cast<WPARAM>(wParam),
                         static_cast<LPARAM>(lParam));
      });
  object.registerMethod(kWindowsInterface, "Send", "uutxut", "bx", [](sdbus::MethodCall call) {
    std::uint32_t window = 0;
    std::uint32_t message = 0;
    std::uint64_t wParam = 0;
    std::int64_t lParam = 0;
    std::uint32_t flags = 0;
    std::uint64_t deadline = 0;
    call >> window >> message >> wParam >> lParam >> flags >> deadline;
    auto waiter = std::make_shared<TRemoteSendWaiter>(call, DeadlineFromWire(deadline));
    if (!QueueSendFromRemote(HandleOf(window), message, static_cast<WPARAM>(wParam),
                             static_cast<LPARAM>(lParam), flags, waiter)) {
      TSentMessage none{};
      waiter->Finish(none, TSendState::Failed, 0);
    }
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

namespace {

std::vector<std::string> OtherBlocks(kivo_bus::TBus& bus) {
  std::vector<std::string> names = bus.NamesWithPrefix(kivo_bus::kBlockNamePrefix);
  std::erase(names, kivo_bus::TBus::BlockName(bus.Block()));
  return names;
}

std::vector<TWindowListing> ListWindows(kivo_bus::TBus& bus, const std::string& destination) {
  std::vector<TWindowListing> windows;
  try {
    std::vector<sdbus::Struct<std::uint32_t, std::string, std::string>> listing;
    WindowsOf(bus, destination)
        .callMethod("Windows")
        .onInterface(kWindowsInterface)
        .withTimeout(kPostTimeout)
        .storeResultsTo(listing);
    for (const auto& entry : listing)
      windows.push_back({HandleOf(std::get<0>(entry)), std::get<1>(entry), std::get<2>(entry)});
  } catch (const sdbus::Error&) {
    // A process that ends meanwhile has no windows.
  }
  return windows;
}

bool SameTextAscii(const std::string& left, const char* right) {
  const std::string_view other(right);
  if (left.size() != other.size()) return false;
  for (std::size_t i = 0; i < left.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    if (lower(left[i]) != lower(other[i])) return false;
  }
  return true;
}

}  // namespace

std::optional<HWND> FindRemoteWindow(LPCSTR className, LPCSTR windowName) {
  kivo_bus::TBus* bus = WindowBus();
  if (bus == nullptr) return std::nullopt;
  for (const std::string& destination : OtherBlocks(*bus)) {
    for (const TWindowListing& window : ListWindows(*bus, destination)) {
      if ((className == nullptr || SameTextAscii(window.ClassName, className)) &&
          (windowName == nullptr || SameTextAscii(window.Title, windowName)))
        return window.Handle;
    }
  }
  return std::nullopt;
}

std::vector<HWND> RemoteTopLevelWindows() {
  std::vector<HWND> handles;
  kivo_bus::TBus* bus = WindowBus();
  if (bus == nullptr) return handles;
  for (const std::string& destination : OtherBlocks(*bus))
    for (const TWindowListing& window : ListWindows(*bus, destination))
      handles.push_back(window.Handle);
  return handles;
}

BOOL IsRemoteWindow(HWND window) {
  kivo_bus::TBus* bus = WindowBus();
  try {
    bool exists = false;
    WindowsOf(*bus, kivo_bus::TBus::BlockName(BlockOf(window)))
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

namespace {

bool PostTo(kivo_bus::TBus& bus, const std::string& destination, std::uint32_t window, UINT message,
            WPARAM wParam, LPARAM lParam) {
  try {
    bool queued = false;
    WindowsOf(bus, destination)
        .callMethod("Post")
        .onInterface(kWindowsInterface)
        .withTimeout(kPostTimeout)
        .withArguments(window, message, static_cast<std::uint64_t>(wParam),
                       static_cast<std::int64_t>(lParam))
        .storeResultsTo(queued);
    return queued;
  } catch (const sdbus::Error&) {
    return false;
  }
}

}  // namespace

BOOL PostRemote(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  kivo_bus::TBus* bus = WindowBus();
  if (!PostTo(*bus, kivo_bus::TBus::BlockName(BlockOf(window)), HandleNumber(window), message,
              wParam, lParam)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

void PostToRemoteTopLevel(UINT message, WPARAM wParam, LPARAM lParam) {
  kivo_bus::TBus* bus = WindowBus();
  if (bus == nullptr) return;
  for (const std::string& destination : OtherBlocks(*bus))
    PostTo(*bus, destination, HandleNumber(HWND_BROADCAST), message, wParam, lParam);
}

LRESULT SendRemote(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT flags,
                   UINT timeout, PDWORD_PTR result) {
  kivo_bus::TBus* bus = WindowBus();
  auto sent = std::make_shared<TSentMessage>(
      TSentMessage{window, message, wParam, lParam, CallingThreadQueue()});
  try {
    sdbus::IProxy& proxy = WindowsOf(*bus, kivo_bus::TBus::BlockName(BlockOf(window)));
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
          bool done = false;
          std::int64_t answer = 0;
          if (error == nullptr) reply >> done >> answer;
          sent->Sender->Finish(*sent, done ? TSendState::Done : TSendState::Failed,
                               static_cast<LRESULT>(answer));
        },
        busTimeout);
  } catch (const sdbus::Error&) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return AwaitSendReply(sent, flags, timeout, result);
}
