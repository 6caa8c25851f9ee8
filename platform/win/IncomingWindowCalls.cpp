#include "platform/win/IncomingWindowCalls.h"

#include <chrono>
#include <limits>
#include <memory>

#include "platform/bus/Bus.h"
#include "platform/bus/Refusal.h"
#include "platform/win/RemoteWindows.h"

namespace {

using TClock = std::chrono::steady_clock;
using kivo_bus::TRefusal;

constexpr UINT kKnownSendFlags = SMTO_BLOCK | SMTO_ABORTIFHUNG;

// Messages cross as the protocol's two 32-bit values: an unsigned wParam
// and a signed lParam. Wider values are no integer the protocol knows and
// could only be an address of the sender's.
void CheckValues(std::uint32_t message, std::uint64_t wParam, std::int64_t lParam) {
  if (!CrossesProcesses(message))
    throw TRefusal("message", "only registered messages cross between processes");
  if (wParam > std::numeric_limits<std::uint32_t>::max())
    throw TRefusal("wParam", "wider than 32 bits");
  if (lParam < std::numeric_limits<std::int32_t>::min() ||
      lParam > std::numeric_limits<std::int32_t>::max())
    throw TRefusal("lParam", "wider than 32 bits");
}

// UINT64_MAX: the sender waits without end.
TClock::time_point DeadlineFromWire(std::uint64_t nanoseconds) {
  if (nanoseconds > static_cast<std::uint64_t>(INT64_MAX)) return TClock::time_point::max();
  return TClock::time_point(std::chrono::nanoseconds(static_cast<std::int64_t>(nanoseconds)));
}

// A send from another process: answered once the procedure has run or the
// message failed. A sender that gave up has passed its deadline, and then
// the procedure does not run. The peer's ticket is held until the answer.
class TRemoteSendWaiter final : public TSendWaiter {
 public:
  TRemoteSendWaiter(TSendReply reply, TClock::time_point deadline,
                    kivo_bus::TPeerQuota::TTicket ticket)
      : FReply(std::move(reply)), FDeadline(deadline), FTicket(std::move(ticket)) {}

  bool BeginRunning(TSentMessage&) override {
    if (TClock::now() <= FDeadline) return true;
    Reply(TSendOutcome::NoWindow, 0);
    return false;
  }

  void Finish(TSentMessage&, TSendState state, LRESULT result) override {
    Reply(state == TSendState::Done   ? TSendOutcome::Done
          : state == TSendState::Hung ? TSendOutcome::Hung
                                      : TSendOutcome::NoWindow,
          result);
  }

  void Reply(TSendOutcome outcome, LRESULT result) {
    TSendReply reply;
    {
      std::lock_guard lock(FLock);
      if (!FReply) return;
      reply = std::move(FReply);
      FReply = nullptr;
      FTicket.reset();
    }
    reply(outcome, static_cast<std::int64_t>(result));
  }

 private:
  std::mutex FLock;
  TSendReply FReply;
  TClock::time_point FDeadline;
  kivo_bus::TPeerQuota::TTicket FTicket;
};

HWND HandleOf(std::uint32_t number) {
  return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(number));
}

}  // namespace

TIncomingWindowCalls::TIncomingWindowCalls(std::uint32_t block) : FBlock(block) {}

// A handle of another block, or past 31 bits, is no window of this
// process whatever it names: the peer has it wrong. One of this block
// that names no addressable window is an ordinary stale handle: null.
HWND TIncomingWindowCalls::CheckedWindow(std::uint32_t window, bool broadcast) const {
  const HWND handle = HandleOf(window);
  if (handle == HWND_BROADCAST) {
    if (!broadcast) throw TRefusal("window", "a broadcast is made window by window");
    return handle;
  }
  if (window >= (std::uint32_t{1} << 31) || (window >> kivo_bus::kBlockShift) != FBlock)
    throw TRefusal("window", "not a handle of this process");
  return IsAddressableWindow(handle) ? handle : nullptr;
}

kivo_bus::TPeerQuota::TTicket TIncomingWindowCalls::TicketFor(const std::string& sender) {
  kivo_bus::TPeerQuota::TTicket ticket = FQuota.Take(sender);
  if (!ticket) throw TRefusal("sender", "too many posts and sends waiting here", true);
  return ticket;
}

bool TIncomingWindowCalls::IsWindow(const std::string&, std::uint32_t window) {
  return CheckedWindow(window, false) != nullptr;
}

bool TIncomingWindowCalls::Post(const std::string& sender, std::uint32_t window,
                                std::uint32_t message, std::uint64_t wParam,
                                std::int64_t lParam) {
  const HWND handle = CheckedWindow(window, true);
  CheckValues(message, wParam, lParam);
  if (handle == nullptr) return false;
  return PostLocal(handle, message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam),
                   TicketFor(sender));
}

void TIncomingWindowCalls::Send(const std::string& sender, std::uint32_t window,
                                std::uint32_t message, std::uint64_t wParam,
                                std::int64_t lParam, std::uint32_t flags,
                                std::uint64_t deadline, TSendReply reply) {
  const HWND handle = CheckedWindow(window, false);
  CheckValues(message, wParam, lParam);
  if ((flags & ~kKnownSendFlags) != 0) throw TRefusal("flags", "unknown flags");
  if (!reply) throw TRefusal("reply", "missing");
  if (handle == nullptr) return reply(TSendOutcome::NoWindow, 0);
  auto waiter = std::make_shared<TRemoteSendWaiter>(std::move(reply), DeadlineFromWire(deadline),
                                                    TicketFor(sender));
  const TSendState queued =
      QueueSendFromRemote(handle, message, static_cast<WPARAM>(wParam),
                          static_cast<LPARAM>(lParam), flags, waiter);
  if (queued == TSendState::Waiting) return;
  waiter->Reply(queued == TSendState::Hung ? TSendOutcome::Hung : TSendOutcome::NoWindow, 0);
}

bool TIncomingWindowCalls::PostOnExit(const std::string& sender, std::uint32_t window,
                                      std::uint32_t message, std::uint64_t wParam,
                                      std::int64_t lParam) {
  const HWND handle = CheckedWindow(window, false);
  CheckValues(message, wParam, lParam);
  if (handle == nullptr) return false;
  std::lock_guard lock(FLock);
  std::vector<MSG>& posts = FExitPosts[sender];
  std::erase_if(posts, [&](const MSG& left) { return left.hwnd == handle; });
  const bool left = posts.size() < kExitPostsPerPeer;
  if (left)
    posts.push_back(MSG{handle, message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam)});
  if (posts.empty()) FExitPosts.erase(sender);
  return left;
}

bool TIncomingWindowCalls::CancelPostOnExit(const std::string& sender, std::uint32_t window) {
  const HWND handle = CheckedWindow(window, false);
  std::lock_guard lock(FLock);
  const auto found = FExitPosts.find(sender);
  if (found != FExitPosts.end()) {
    std::erase_if(found->second, [&](const MSG& left) { return left.hwnd == HandleOf(window); });
    if (found->second.empty()) FExitPosts.erase(found);
  }
  return handle != nullptr;
}

void TIncomingWindowCalls::PeerGone(const std::string& sender) {
  std::vector<MSG> posts;
  {
    std::lock_guard lock(FLock);
    const auto found = FExitPosts.find(sender);
    if (found == FExitPosts.end()) return;
    posts = std::move(found->second);
    FExitPosts.erase(found);
  }
  for (const MSG& post : posts) PostLocal(post.hwnd, post.message, post.wParam, post.lParam);
}

std::size_t TIncomingWindowCalls::ExitPostsOf(const std::string& sender) {
  std::lock_guard lock(FLock);
  const auto found = FExitPosts.find(sender);
  return found == FExitPosts.end() ? 0 : found->second.size();
}
