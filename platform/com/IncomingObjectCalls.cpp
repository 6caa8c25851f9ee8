#include "platform/com/IncomingObjectCalls.h"

#include <atomic>
#include <optional>

#include "platform/bus/Refusal.h"
#include "platform/com/ComRuntime.h"
#include "platform/com/RemoteObjects.h"
#include "platform/win/Messages.h"
#include "platform/win/RemoteWindows.h"

namespace {

using kivo_bus::TRefusal;

constexpr UINT kApartmentCall = WM_USER + 0x7F00;
// Out-values too large for the bus: the Win32 facility's ERROR_INSUFFICIENT_BUFFER.
constexpr HRESULT kResultsTooLarge = MakeHResult(0x8007007A);

// ---- Running on the object's thread -------------------------------------------

// A piece of work for the object's thread: run there once, or, when the
// thread is gone, `failed` instead (on whichever thread finds out).
class TApartmentWork final : public TSendWaiter {
 public:
  TApartmentWork(std::function<void()> work, std::function<void()> failed)
      : FWork(std::move(work)), FFailed(std::move(failed)) {}
  bool BeginRunning(TSentMessage&) override { return true; }
  void Finish(TSentMessage&, TSendState state, LRESULT) override {
    if (state != TSendState::Done && FFailed) FFailed();
  }
  void Run() { FWork(); }

 private:
  std::function<void()> FWork;
  std::function<void()> FFailed;
};

// The work waiting for the objects' threads, by number: the apartment
// call carries only a number, which names no work once that work is taken,
// so nothing that reaches the window can make it run anything else.
class TApartmentJobs {
 public:
  std::uint64_t Add(std::shared_ptr<TApartmentWork> work) {
    std::lock_guard lock(FLock);
    const std::uint64_t number = ++FNext;
    FJobs.emplace(number, std::move(work));
    return number;
  }
  std::shared_ptr<TApartmentWork> Take(std::uint64_t number) {
    std::lock_guard lock(FLock);
    const auto found = FJobs.find(number);
    if (found == FJobs.end()) return nullptr;
    std::shared_ptr<TApartmentWork> work = std::move(found->second);
    FJobs.erase(found);
    return work;
  }
  void Forget(std::uint64_t number) { Take(number); }

 private:
  std::mutex FLock;
  std::uint64_t FNext = 0;
  std::map<std::uint64_t, std::shared_ptr<TApartmentWork>> FJobs;
};

// Never destroyed: the bus thread may still queue work while the process ends.
TApartmentJobs& Jobs() {
  static TApartmentJobs* const jobs = new TApartmentJobs;
  return *jobs;
}

class TApartmentProcedure {
 public:
  void WndProc(TMessage& message) {
    if (message.Msg != kApartmentCall) return;
    if (const auto work = Jobs().Take(static_cast<std::uint64_t>(message.LParam))) work->Run();
  }
};

TApartmentProcedure gApartmentProcedure;

// The window through which a thread's objects are reached; made on the
// thread, destroyed with its other windows when it ends. Internal: no
// other process may address it.
HWND ThreadApartment() {
  thread_local HWND apartment = nullptr;
  if (apartment == nullptr || !IsWindow(apartment))
    apartment = AllocateHWnd(TWndMethod(&gApartmentProcedure, &TApartmentProcedure::WndProc));
  return apartment;
}

void RunInApartment(HWND apartment, std::function<void()> work, std::function<void()> failed) {
  auto job = std::make_shared<TApartmentWork>(std::move(work), failed);
  const std::uint64_t number = Jobs().Add(job);
  if (QueueSendFromRemote(apartment, kApartmentCall, 0, static_cast<LPARAM>(number), 0, job) !=
      TSendState::Waiting) {
    Jobs().Forget(number);
    if (failed) failed();
  }
}

std::optional<GUID> ParseGuid(const std::string& text) {
  try {
    return StringToGUID(text);
  } catch (const std::invalid_argument&) {
    return std::nullopt;
  }
}

GUID CheckedGuid(const std::string& text, const char* argument) {
  const std::optional<GUID> guid = ParseGuid(text);
  if (!guid) throw TRefusal(argument, "not a GUID of the form {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}");
  return *guid;
}

}  // namespace

// ---- In-values ------------------------------------------------------------------

void TInValues::Add(TValue value) {
  if (const auto* text = std::get_if<std::u16string>(&value)) {
    FTextBytes += text->size() * sizeof(char16_t);
    if (FTextBytes > kLargestTexts) throw TRefusal("texts", "more than 1 MiB in one call");
  }
  FValues.push_back(std::move(value));
}

LONG TInValues::GetLong() {
  if (FNext >= FValues.size()) return 0;
  const auto* value = std::get_if<LONG>(&FValues[FNext++]);
  return value != nullptr ? *value : 0;
}

VARIANT_BOOL TInValues::GetBool() {
  if (FNext >= FValues.size()) return 0;
  const auto* value = std::get_if<VARIANT_BOOL>(&FValues[FNext++]);
  return value != nullptr ? *value : 0;
}

BSTR TInValues::GetText() {
  const std::u16string* text = nullptr;
  if (FNext < FValues.size()) text = std::get_if<std::u16string>(&FValues[FNext++]);
  if (text == nullptr) return SysAllocStringLen(u"", 0);
  return SysAllocStringLen(text->data(), static_cast<UINT>(text->size()));
}

// ---- The table of handed-out objects ------------------------------------------------

// The references of an object are let go on its own thread; the table's
// counts are taken under the table's lock, on any thread.
struct TIncomingObjectCalls::TExport {
  HWND Apartment;
  TComPtr<IUnknown> Identity;
  std::map<std::string, TComPtr<IUnknown>> Interfaces;
  std::map<std::string, std::uint32_t> Holders;
};

TIncomingObjectCalls::TIncomingObjectCalls(TPresence present) : FPresent(std::move(present)) {}

void TIncomingObjectCalls::Publish(REFCLSID clsid, DWORD cookie) {
  const HWND apartment = ThreadApartment();
  std::lock_guard lock(FLock);
  FPublications.push_back({cookie, clsid, apartment});
}

TIncomingObjectCalls::TWithdrawn TIncomingObjectCalls::Withdraw(DWORD cookie) {
  TWithdrawn withdrawn;
  std::lock_guard lock(FLock);
  for (const TPublication& publication : FPublications) {
    if (publication.Cookie != cookie) continue;
    withdrawn.Found = true;
    withdrawn.Clsid = publication.Clsid;
  }
  std::erase_if(FPublications,
                [cookie](const TPublication& publication) { return publication.Cookie == cookie; });
  if (withdrawn.Found)
    for (const TPublication& publication : FPublications)
      withdrawn.StillServed = withdrawn.StillServed || publication.Clsid == withdrawn.Clsid;
  return withdrawn;
}

kivo_bus::TPeerQuota::TTicket TIncomingObjectCalls::CallTicket(const std::string& sender) {
  kivo_bus::TPeerQuota::TTicket ticket = FCalls.Take(sender);
  if (!ticket) throw TRefusal("sender", "too many calls waiting here", true);
  return ticket;
}

std::shared_ptr<TIncomingObjectCalls::TExport> TIncomingObjectCalls::Held(
    const std::string& sender, std::uint64_t id) {
  std::lock_guard lock(FLock);
  const auto found = FEntries.find(id);
  if (found == FEntries.end() || !found->second->Holders.contains(sender))
    throw TRefusal("id", "not an object this peer holds");
  return found->second;
}

void TIncomingObjectCalls::LetGo(std::shared_ptr<TExport> entry) {
  const HWND apartment = entry->Apartment;
  RunInApartment(
      apartment,
      [entry] {
        entry->Interfaces.clear();
        entry->Identity.Reset();
      },
      nullptr);
}

void TIncomingObjectCalls::CreateInstance(const std::string& sender, const std::string& clsidText,
                                          const std::string& iidText, TCreated reply) {
  const GUID clsid = CheckedGuid(clsidText, "clsid");
  const GUID iid = CheckedGuid(iidText, "iid");
  std::optional<HWND> apartment;
  {
    std::lock_guard lock(FLock);
    std::size_t held = 0;
    for (const auto& [id, entry] : FEntries) held += entry->Holders.contains(sender) ? 1 : 0;
    if (held >= kObjectsPerPeer) throw TRefusal("sender", "holds as many objects as it may", true);
    for (const TPublication& publication : FPublications)
      if (publication.Clsid == clsid) apartment = publication.Apartment;
  }
  if (!apartment) return reply(REGDB_E_CLASSNOTREG, 0);
  RunInApartment(
      *apartment,
      [this, reply, clsid, iid, sender, apartment = *apartment, ticket = CallTicket(sender)] {
        HRESULT result = REGDB_E_CLASSNOTREG;
        std::uint64_t id = 0;
        if (const TComPtr<IUnknown> registered = LocalClassFactory(clsid, CLSCTX_LOCAL_SERVER)) {
          TComPtr<IClassFactory> factory;
          result = registered.QueryInterface(IID_IClassFactory, factory);
          TComPtr<IUnknown> object;
          if (SUCCEEDED(result)) result = factory->CreateInstance(nullptr, iid, object.PutVoid());
          if (SUCCEEDED(result) && !object) result = E_NOINTERFACE;
          if (SUCCEEDED(result)) {
            auto entry = std::make_shared<TExport>(TExport{apartment, object, {}, {{sender, 1}}});
            entry->Interfaces.emplace(GUIDToString(iid), object);
            // A client that left while its request waited here is not
            // going to give the object back.
            if (FPresent(sender)) {
              std::lock_guard lock(FLock);
              id = ++FNextId;
              FEntries.emplace(id, std::move(entry));
            } else {
              entry->Interfaces.clear();
              entry->Identity.Reset();
              result = RPC_E_DISCONNECTED;
            }
          }
        }
        reply(result, id);
      },
      [reply] { reply(RPC_E_DISCONNECTED, 0); });
}

void TIncomingObjectCalls::QueryInterface(const std::string& sender, std::uint64_t id,
                                          const std::string& iidText, TAnswered reply) {
  const std::shared_ptr<TExport> entry = Held(sender, id);
  const GUID iid = CheckedGuid(iidText, "iid");
  if (iid != IID_IUnknown && !MarshalerKnown(iid)) return reply(E_NOINTERFACE);
  RunInApartment(
      entry->Apartment,
      [entry, iid, reply, ticket = CallTicket(sender)] {
        TComPtr<IUnknown> intf;
        HRESULT result = entry->Identity ? entry->Identity->QueryInterface(iid, intf.PutVoid())
                                         : RPC_E_DISCONNECTED;
        if (SUCCEEDED(result) && !intf) result = E_NOINTERFACE;
        if (SUCCEEDED(result)) entry->Interfaces[GUIDToString(iid)] = std::move(intf);
        reply(result);
      },
      [reply] { reply(RPC_E_DISCONNECTED); });
}

std::uint32_t TIncomingObjectCalls::AddRef(const std::string& sender, std::uint64_t id) {
  std::lock_guard lock(FLock);
  const auto found = FEntries.find(id);
  if (found == FEntries.end() || !found->second->Holders.contains(sender))
    throw TRefusal("id", "not an object this peer holds");
  std::uint32_t& count = found->second->Holders[sender];
  if (count >= kReferencesPerObject) throw TRefusal("id", "as many references as it may", true);
  return ++count;
}

std::uint32_t TIncomingObjectCalls::Release(const std::string& sender, std::uint64_t id) {
  std::shared_ptr<TExport> unheld;
  std::uint32_t left = 0;
  {
    std::lock_guard lock(FLock);
    const auto found = FEntries.find(id);
    if (found == FEntries.end()) throw TRefusal("id", "not an object this peer holds");
    auto& holders = found->second->Holders;
    const auto holder = holders.find(sender);
    if (holder == holders.end()) throw TRefusal("id", "not an object this peer holds");
    left = --holder->second;
    if (left == 0) holders.erase(holder);
    if (holders.empty()) {
      unheld = std::move(found->second);
      FEntries.erase(found);
    }
  }
  if (unheld) LetGo(std::move(unheld));
  return left;
}

void TIncomingObjectCalls::Operation(const std::string& sender, REFIID iid, TStubFunction stub,
                                     std::uint64_t id, std::shared_ptr<TInValues> in,
                                     std::shared_ptr<TOperationReply> reply) {
  const std::shared_ptr<TExport> entry = Held(sender, id);
  RunInApartment(
      entry->Apartment,
      [entry, key = GUIDToString(iid), stub, in, reply, ticket = CallTicket(sender)] {
        const auto found = entry->Interfaces.find(key);
        if (found == entry->Interfaces.end() || !found->second) return reply->Fail(E_NOINTERFACE);
        const TComPtr<IUnknown> intf = found->second;
        stub(intf.Get(), *in, reply->Out());
        // The object has run; only its out-values cannot travel.
        if (reply->TooLarge()) return reply->Fail(kResultsTooLarge);
        reply->Send();
      },
      [reply] { reply->Fail(RPC_E_DISCONNECTED); });
}

void TIncomingObjectCalls::PeerGone(const std::string& sender) {
  std::vector<std::shared_ptr<TExport>> unheld;
  {
    std::lock_guard lock(FLock);
    std::erase_if(FEntries, [&](auto& entry) {
      if (entry.second->Holders.erase(sender) == 0 || !entry.second->Holders.empty()) return false;
      unheld.push_back(std::move(entry.second));
      return true;
    });
  }
  for (std::shared_ptr<TExport>& entry : unheld) LetGo(std::move(entry));
}

std::uint32_t TIncomingObjectCalls::References(const std::string& sender, std::uint64_t id) {
  std::lock_guard lock(FLock);
  const auto found = FEntries.find(id);
  if (found == FEntries.end()) return 0;
  const auto holder = found->second->Holders.find(sender);
  return holder == found->second->Holders.end() ? 0 : holder->second;
}

std::size_t TIncomingObjectCalls::ObjectsOf(const std::string& sender) {
  std::lock_guard lock(FLock);
  std::size_t held = 0;
  for (const auto& [id, entry] : FEntries) held += entry->Holders.contains(sender) ? 1 : 0;
  return held;
}

std::size_t TIncomingObjectCalls::Objects() {
  std::lock_guard lock(FLock);
  return FEntries.size();
}
