// This process's component objects as other processes reach them. Every
// creation, query, reference and operation that arrives from the session
// bus goes through here with the caller's unique bus name, so the same
// checks hold for a call over the bus and for a harness in this process.
//
// References belong to the peer that holds them: each handed-out object
// keeps a count per peer, a peer acts only on its own count, and a peer
// that leaves drops exactly its own. The object itself is let go, on its
// own thread, once no peer holds it. A value a peer may not give is
// refused with kivo_bus::TRefusal naming the argument; so is an id that
// the caller holds no reference to, whoever else may hold it.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <variant>
#include <vector>

#include "platform/bus/PeerQuota.h"
#include "platform/com/ComPtr.h"
#include "platform/com/Marshal.h"
#include "platform/win/Windows.h"

// The in-values of one operation, read and checked where the call arrives
// and handed to the stub on the object's thread. A stub that reads past
// the last value gets zeros and empty texts.
class TInValues final : public TMarshalReader {
 public:
  using TValue = std::variant<LONG, VARIANT_BOOL, std::u16string>;
  // The texts of one call, in bytes. Far above any path, title or skin
  // name, and small enough that a peer's oversized call is read and
  // refused in a moment: the bus library reads an array element by element.
  // Both sides of the bus use this limit.
  static constexpr std::size_t kLargestTexts = std::size_t{1} << 20;

  // Refused when the texts together exceed kLargestTexts.
  void Add(TValue value);
  LONG GetLong() override;
  VARIANT_BOOL GetBool() override;
  BSTR GetText() override;

 private:
  std::vector<TValue> FValues;
  std::size_t FNext = 0;
  std::size_t FTextBytes = 0;
};

// Where an operation's answer goes: its out-values, then either the whole
// reply or a failure code alone.
class TOperationReply {
 public:
  virtual ~TOperationReply() = default;
  virtual TMarshalWriter& Out() = 0;
  // Out-values too large to travel.
  virtual bool TooLarge() const = 0;
  virtual void Send() = 0;
  virtual void Fail(HRESULT result) = 0;
};

class TIncomingObjectCalls {
 public:
  // Objects one peer may hold at once, references it may take on one,
  // calls it may leave waiting for the objects' threads.
  static constexpr std::size_t kObjectsPerPeer = 4096;
  static constexpr std::uint32_t kReferencesPerObject = 1u << 20;
  static constexpr std::size_t kCallsPerPeer = 256;

  using TCreated = std::function<void(HRESULT result, std::uint64_t id)>;
  using TAnswered = std::function<void(HRESULT result)>;
  // Whether a peer is still on the bus.
  using TPresence = std::function<bool(const std::string& peer)>;

  explicit TIncomingObjectCalls(TPresence present);

  // The class is served from the calling thread.
  void Publish(REFCLSID clsid, DWORD cookie);
  // The class that was published with `cookie`, if any, and whether
  // another publication still serves it.
  struct TWithdrawn {
    bool Found = false;
    CLSID Clsid{};
    bool StillServed = false;
  };
  TWithdrawn Withdraw(DWORD cookie);

  // `reply` is called exactly once unless the call is refused.
  void CreateInstance(const std::string& sender, const std::string& clsid,
                      const std::string& iid, TCreated reply);
  void QueryInterface(const std::string& sender, std::uint64_t id, const std::string& iid,
                      TAnswered reply);
  // The caller's count on the object after the call.
  std::uint32_t AddRef(const std::string& sender, std::uint64_t id);
  std::uint32_t Release(const std::string& sender, std::uint64_t id);
  void Operation(const std::string& sender, REFIID iid, TStubFunction stub, std::uint64_t id,
                 std::shared_ptr<TInValues> in, std::shared_ptr<TOperationReply> reply);
  void PeerGone(const std::string& sender);

  // What a peer holds, for checks from outside.
  std::uint32_t References(const std::string& sender, std::uint64_t id);
  std::size_t ObjectsOf(const std::string& sender);
  std::size_t Objects();
  std::size_t CallsWaiting(const std::string& sender) const { return FCalls.Held(sender); }

 private:
  struct TExport;
  std::shared_ptr<TExport> Held(const std::string& sender, std::uint64_t id);
  kivo_bus::TPeerQuota::TTicket CallTicket(const std::string& sender);
  void LetGo(std::shared_ptr<TExport> entry);

  struct TPublication {
    DWORD Cookie;
    CLSID Clsid;
    HWND Apartment;
  };

  TPresence FPresent;
  kivo_bus::TPeerQuota FCalls{kCallsPerPeer};
  std::mutex FLock;
  std::uint64_t FNextId = 0;
  std::map<std::uint64_t, std::shared_ptr<TExport>> FEntries;
  std::vector<TPublication> FPublications;
};
