#include "platform/bus/Bus.h"

#include <sdbus-c++/sdbus-c++.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <map>
#include <mutex>
#include <random>
#include <thread>

namespace kivo_bus {

namespace {

constexpr const char* kDaemon = "org.freedesktop.DBus";
constexpr const char* kDaemonPath = "/org/freedesktop/DBus";

// Only an address that the environment names: a process without one is
// outside any desktop session and works alone, rather than reaching for a
// default bus that may belong to someone else.
std::unique_ptr<sdbus::IConnection> ConnectToSessionBus() {
  const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (address == nullptr || *address == '\0') return nullptr;
  try {
    // The system library reads the same address; the connection by address
    // leaks its half-made bus whenever the address answers nothing.
    return sdbus::createSessionBusConnection();
  } catch (const sdbus::Error&) {
    return nullptr;
  }
}

}  // namespace

struct TBus::TState {
  std::mutex Lock;
  std::vector<std::unique_ptr<sdbus::IObject>> Objects;
  std::vector<std::function<void(const std::string&)>> PeerGone;
  std::vector<std::function<void()>> LostHandlers;
  std::unique_ptr<sdbus::IProxy> Daemon;
  std::map<std::pair<std::string, std::string>, std::unique_ptr<sdbus::IProxy>> Proxies;
  std::thread Loop;
  // Set before the loop is asked to leave, so that its end is not taken
  // for a broken connection.
  std::atomic<bool> Leaving = false;
  std::atomic<bool> Lost = false;
};

TBus* TBus::Get() {
  static TBus* const bus = []() -> TBus* {
    std::unique_ptr<sdbus::IConnection> connection = ConnectToSessionBus();
    if (!connection) return nullptr;
    static TBus instance(std::move(connection));
    return instance.FBlock == 0 ? nullptr : &instance;
  }();
  return bus;
}

bool SessionBusReachable() { return TBus::Get() != nullptr; }

bool SessionBusLost() {
  const TBus* bus = TBus::Get();
  return bus != nullptr && bus->Lost();
}

TBus::TBus(std::unique_ptr<sdbus::IConnection> connection)
    : FConnection(std::move(connection)), FState(std::make_unique<TState>()) {
  FUniqueName = FConnection->getUniqueName();
  FState->Daemon = sdbus::createProxy(*FConnection, kDaemon, kDaemonPath);
  ClaimBlock();
  WatchPeers();
  // The library's own loop thread ends the process when the bus goes away
  // (a session bus restarted, a test's bus stopped); this one just ends,
  // and the process goes on with what it has in itself.
  FState->Loop = std::thread([this] {
    try {
      FConnection->enterEventLoop();
    } catch (const sdbus::Error&) {
    }
    if (!FState->Leaving) TellLost();
  });
}

void TBus::TellLost() {
  std::vector<std::function<void()>> handlers;
  {
    std::lock_guard lock(FState->Lock);
    FState->Lost = true;
    handlers = FState->LostHandlers;
  }
  for (const auto& handler : handlers) handler();
}

bool TBus::Lost() const { return FState->Lost; }

void TBus::OnLost(std::function<void()> handler) {
  std::unique_lock lock(FState->Lock);
  if (!FState->Lost) {
    FState->LostHandlers.push_back(std::move(handler));
    return;
  }
  lock.unlock();
  handler();
}

TBus::~TBus() {
  if (!FConnection) return;
  FState->Leaving = true;
  FConnection->leaveEventLoop();
  if (FState->Loop.joinable()) FState->Loop.join();
  FState->Objects.clear();
  FState->Proxies.clear();
  FState->Daemon.reset();
}

std::string TBus::BlockName(std::uint32_t block) {
  return kBlockNamePrefix + std::to_string(block);
}

// Blocks are tried from a random one on, so that a block given up by a
// process that ended is seldom taken again at once: a handle of that
// process then rarely names a window of the next.
void TBus::ClaimBlock() {
  std::minstd_rand random(static_cast<unsigned>(getpid()) ^ std::random_device{}());
  const std::uint32_t first = 1 + random() % (kBlockCount - 1);
  for (std::uint32_t i = 0; i < kBlockCount - 1; ++i) {
    const std::uint32_t block = 1 + (first - 1 + i) % (kBlockCount - 1);
    if (Claim(BlockName(block))) {
      FBlock = block;
      return;
    }
  }
}

void TBus::WatchPeers() {
  FState->Daemon->uponSignal("NameOwnerChanged")
      .onInterface(kDaemon)
      .call([this](const std::string& name, const std::string&, const std::string& newOwner) {
        if (!newOwner.empty() || name.empty() || name[0] != ':') return;
        std::vector<std::function<void(const std::string&)>> handlers;
        {
          std::lock_guard lock(FState->Lock);
          handlers = FState->PeerGone;
        }
        for (const auto& handler : handlers) handler(name);
      });
  FState->Daemon->finishRegistration();
}

void TBus::OnPeerGone(std::function<void(const std::string&)> handler) {
  std::lock_guard lock(FState->Lock);
  FState->PeerGone.push_back(std::move(handler));
}

sdbus::IObject& TBus::AddObject(const std::string& path) {
  std::lock_guard lock(FState->Lock);
  FState->Objects.push_back(sdbus::createObject(*FConnection, path));
  return *FState->Objects.back();
}

sdbus::IProxy& TBus::ProxyFor(const std::string& destination, const std::string& path) {
  std::lock_guard lock(FState->Lock);
  std::unique_ptr<sdbus::IProxy>& proxy = FState->Proxies[{destination, path}];
  if (!proxy) proxy = sdbus::createProxy(*FConnection, destination, path);
  return *proxy;
}

std::vector<std::string> TBus::NamesWithPrefix(const std::string& prefix) {
  std::vector<std::string> names;
  try {
    std::vector<std::string> all;
    FState->Daemon->callMethod("ListNames").onInterface(kDaemon).storeResultsTo(all);
    for (std::string& name : all)
      if (name.rfind(prefix, 0) == 0) names.push_back(std::move(name));
  } catch (const sdbus::Error&) {
  }
  return names;
}

std::optional<std::string> TBus::OwnerOf(const std::string& name) {
  try {
    std::string owner;
    FState->Daemon->callMethod("GetNameOwner")
        .onInterface(kDaemon)
        .withArguments(name)
        .storeResultsTo(owner);
    return owner;
  } catch (const sdbus::Error&) {
    return std::nullopt;
  }
}

std::optional<std::uint32_t> TBus::ProcessOf(const std::string& name) {
  try {
    std::uint32_t process = 0;
    FState->Daemon->callMethod("GetConnectionUnixProcessID")
        .onInterface(kDaemon)
        .withArguments(name)
        .storeResultsTo(process);
    return process;
  } catch (const sdbus::Error&) {
    return std::nullopt;
  }
}

bool TBus::Claim(const std::string& name) {
  try {
    FConnection->requestName(name);
    return true;
  } catch (const sdbus::Error&) {
    return false;
  }
}

void TBus::Release(const std::string& name) {
  try {
    FConnection->releaseName(name);
  } catch (const sdbus::Error&) {
  }
}

}  // namespace kivo_bus
