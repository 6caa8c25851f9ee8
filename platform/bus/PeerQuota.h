// How much each peer of the bus may leave waiting in this process: posts
// in a thread's queue, sends and object calls not yet answered. A peer
// holds one ticket per waiting item; the ticket goes back when the item is
// taken, answered or dropped, so a peer that floods this process runs out
// of tickets and is refused, while the others are not.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace kivo_bus {

class TPeerQuota {
 public:
  using TTicket = std::shared_ptr<const void>;

  explicit TPeerQuota(std::size_t perPeer)
      : FState(std::make_shared<TState>()), FPerPeer(perPeer) {}

  // Null when `peer` already holds as many tickets as it may.
  TTicket Take(const std::string& peer) {
    std::lock_guard lock(FState->Lock);
    std::size_t& held = FState->Held[peer];
    if (held >= FPerPeer) return nullptr;
    ++held;
    // The ticket keeps the counts alive: it may outlive this quota.
    return TTicket(static_cast<const void*>(this), [state = FState, peer](const void*) {
      std::lock_guard lock(state->Lock);
      const auto found = state->Held.find(peer);
      if (found != state->Held.end() && --found->second == 0) state->Held.erase(found);
    });
  }

  std::size_t Held(const std::string& peer) const {
    std::lock_guard lock(FState->Lock);
    const auto found = FState->Held.find(peer);
    return found == FState->Held.end() ? 0 : found->second;
  }

 private:
  struct TState {
    mutable std::mutex Lock;
    std::map<std::string, std::size_t> Held;
  };
  std::shared_ptr<TState> FState;
  std::size_t FPerPeer;
};

}  // namespace kivo_bus
