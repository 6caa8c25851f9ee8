// The session bus as the platform's carrier between processes. Every
// process of the session that uses windows, registered messages or
// local-server classes joins the bus once, on first use, and owns the name
// of its handle block, "org.kolmira.Platform.B<n>": window handles are
// n * 2^20 plus a number of the process's own, so that they are unique
// among the session's processes, fit 31 bits, and tell by themselves which
// process owns them. Without a bus address, or when the bus refuses the
// connection, the process works alone and nothing here is used.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sdbus {
class IConnection;
class IObject;
class IProxy;
}  // namespace sdbus

namespace kivo_bus {

inline constexpr const char* kBlockNamePrefix = "org.kolmira.Platform.B";
inline constexpr const char* kClassNamePrefix = "org.kolmira.Class.C";
inline constexpr std::uint32_t kBlockShift = 20;
inline constexpr std::uint32_t kBlockCount = 2048;

// The process's connection; every call may come from any thread. Incoming
// calls and signals are handled on the bus's own thread, which must never
// wait for another thread of the process.
class TBus {
 public:
  // The connection, made on the first call; null when there is no bus.
  static TBus* Get();

  const std::string& UniqueName() const { return FUniqueName; }
  std::uint32_t Block() const { return FBlock; }
  static std::string BlockName(std::uint32_t block);

  // A new object of this process at `path`, which lives as long as the
  // connection; the caller registers its interfaces and finishes it.
  sdbus::IObject& AddObject(const std::string& path);

  // A proxy for calls to `destination`'s object at `path`, kept for the
  // connection's life.
  sdbus::IProxy& ProxyFor(const std::string& destination, const std::string& path);

  // Well-known names on the bus, whoever owns them.
  std::vector<std::string> NamesWithPrefix(const std::string& prefix);
  // The unique name that owns `name` now, if any.
  std::optional<std::string> OwnerOf(const std::string& name);
  // The process that owns `name` now, as the bus daemon knows it.
  std::optional<std::uint32_t> ProcessOf(const std::string& name);
  // True when this process now owns `name`; false when another does.
  bool Claim(const std::string& name);
  void Release(const std::string& name);

  // Called on the bus thread with the unique name of every peer that leaves.
  void OnPeerGone(std::function<void(const std::string& uniqueName)> handler);

  // True once the connection has broken: the daemon stopped or closed it.
  // Nothing reaches this process over the bus from then on, and nothing it
  // sends arrives.
  bool Lost() const;
  // Called once when the connection breaks, on the bus thread; at once
  // when it has already broken. Kept for the process's life.
  void OnLost(std::function<void()> handler);

  TBus(const TBus&) = delete;
  TBus& operator=(const TBus&) = delete;
  ~TBus();

 private:
  explicit TBus(std::unique_ptr<sdbus::IConnection> connection);
  void ClaimBlock();
  void WatchPeers();
  void TellLost();

  std::unique_ptr<sdbus::IConnection> FConnection;
  std::string FUniqueName;
  std::uint32_t FBlock = 0;
  struct TState;
  std::unique_ptr<TState> FState;
};

// Whether a session bus can be reached (joins it when it can).
bool SessionBusReachable();
// Whether this process was on a session bus and has lost it; false for a
// process that never joined one.
bool SessionBusLost();

}  // namespace kivo_bus
