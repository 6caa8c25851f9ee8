// This process's windows as other processes reach them: every call that
// arrives from the session bus about a window goes through here, with the
// caller's unique bus name, so that the same checks hold whether the call
// came over the bus or from a harness in this process. A call whose values
// are not ones a peer may give is refused (kivo_bus::TRefusal, naming the
// argument); a handle that names no window a peer may address answers as a
// stale handle does.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/bus/PeerQuota.h"
#include "platform/win/Windows.h"

// How a send from another process ended, as its answer says.
enum class TSendOutcome : std::uint32_t { Done = 0, NoWindow = 1, Hung = 2 };
// Called once per send, on whichever thread ends it.
using TSendReply = std::function<void(TSendOutcome outcome, std::int64_t result)>;

class TIncomingWindowCalls {
 public:
  // Posts and sends a peer may leave waiting here at once: the platform's
  // own quota of posted messages per queue.
  static constexpr std::size_t kWaitingPerPeer = 10000;
  // Posts another process may leave here to be made when it ends.
  static constexpr std::size_t kExitPostsPerPeer = 64;

  // `block`: the handle block of this process (0 without a bus).
  explicit TIncomingWindowCalls(std::uint32_t block);

  bool IsWindow(const std::string& sender, std::uint32_t window);
  // True once queued for the window's thread (HWND_BROADCAST: for every
  // top-level window); false when the window is not there.
  bool Post(const std::string& sender, std::uint32_t window, std::uint32_t message,
            std::uint64_t wParam, std::int64_t lParam);
  // `deadline`: the sender's, in nanoseconds of the monotonic clock,
  // UINT64_MAX for none. `reply` is called exactly once unless refused.
  void Send(const std::string& sender, std::uint32_t window, std::uint32_t message,
            std::uint64_t wParam, std::int64_t lParam, std::uint32_t flags,
            std::uint64_t deadline, TSendReply reply);
  // One post per window and peer, the latest kept; false for a window
  // that is not there or a peer that left as many as it may.
  bool PostOnExit(const std::string& sender, std::uint32_t window, std::uint32_t message,
                  std::uint64_t wParam, std::int64_t lParam);
  bool CancelPostOnExit(const std::string& sender, std::uint32_t window);
  // The peer left the bus: the posts it left for then are made.
  void PeerGone(const std::string& sender);

  // Posts and sends of `sender` that wait here now.
  std::size_t Waiting(const std::string& sender) const { return FQuota.Held(sender); }
  std::size_t ExitPostsOf(const std::string& sender);

 private:
  HWND CheckedWindow(std::uint32_t window, bool broadcast) const;
  kivo_bus::TPeerQuota::TTicket TicketFor(const std::string& sender);

  std::uint32_t FBlock;
  kivo_bus::TPeerQuota FQuota{kWaitingPerPeer};
  std::mutex FLock;
  std::map<std::string, std::vector<MSG>> FExitPosts;
};
