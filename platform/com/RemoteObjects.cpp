// Objects on the session bus. The server keeps a table of the objects it
// handed out, each with the client that holds it, the interfaces that
// client asked for and the window of the thread the object lives on; every
// call, query and release runs on that thread through its message queue,
// as calls into a single-threaded apartment do. Each client proxy holds one
// reference of the server's table and gives it back when its own count
// ends, or the server drops it when the client leaves the bus.
#include "platform/com/RemoteObjects.h"

#include <sdbus-c++/sdbus-c++.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <set>

#include "platform/bus/Bus.h"
#include "platform/com/Marshal.h"
#include "platform/win/Messages.h"
#include "platform/win/RemoteWindows.h"

namespace {

constexpr const char* kObjectsPath = "/org/kolmira/Objects";
constexpr const char* kObjectsInterface = "org.kolmira.Objects";
// Long enough for any operation of a live object, short enough that a
// server that stopped answering does not stop its clients for good.
constexpr std::chrono::seconds kCallTimeout{10};
constexpr UINT kApartmentCall = WM_USER + 0x7F00;

std::string Hex(REFGUID guid) {
  std::string hex;
  for (const char c : GUIDToString(guid))
    if (c != '{' && c != '}' && c != '-') hex += c;
  return hex;
}

std::string ClassName(REFCLSID clsid) { return kivo_bus::kClassNamePrefix + Hex(clsid); }
std::string InterfacePath(REFIID iid) { return std::string(kObjectsPath) + "/I" + Hex(iid); }
std::string InterfaceName(REFIID iid) { return "org.kolmira.I" + Hex(iid); }

// ---- Values on the bus ---------------------------------------------------------

// A call whose texts are too large to travel is not made; a reply whose
// texts are too large tells its caller so instead.
constexpr HRESULT kArgumentsTooLarge = E_INVALIDARG;
// The Win32 facility's ERROR_INSUFFICIENT_BUFFER.
constexpr HRESULT kResultsTooLarge = MakeHResult(0x8007007A);

// The bus refuses an array over 64 MiB and a message over 128 MiB, and
// drops the connection that sends one; the texts of one call or reply stay
// well below both.
constexpr std::size_t kLargestTexts = std::size_t{32} << 20;

// Texts beyond the limit are not written: the message is then not to be
// sent, and TooLarge says so.
class TMessageWriter final : public TMarshalWriter {
 public:
  explicit TMessageWriter(sdbus::Message& message) : FMessage(message) {}
  void PutLong(LONG value) override { FMessage << static_cast<std::int32_t>(value); }
  void PutBool(VARIANT_BOOL value) override { FMessage << static_cast<std::int16_t>(value); }
  void PutText(BSTR value) override {
    const UINT length = SysStringLen(value);
    FTextBytes += std::size_t{length} * sizeof(std::uint16_t);
    if (TooLarge()) return;
    FMessage << std::vector<std::uint16_t>(value, value + length);
  }
  bool TooLarge() const { return FTextBytes > kLargestTexts; }

 private:
  sdbus::Message& FMessage;
  std::size_t FTextBytes = 0;
};

class TMessageReader final : public TMarshalReader {
 public:
  explicit TMessageReader(sdbus::Message& message) : FMessage(message) {}
  LONG GetLong() override {
    std::int32_t value = 0;
    FMessage >> value;
    return value;
  }
  VARIANT_BOOL GetBool() override {
    std::int16_t value = 0;
    FMessage >> value;
    return value;
  }
  BSTR GetText() override {
    std::vector<std::uint16_t> text;
    FMessage >> text;
    std::u16string characters(text.begin(), text.end());
    return SysAllocStringLen(characters.data(), static_cast<UINT>(characters.size()));
  }

 private:
  sdbus::Message& FMessage;
};

// ---- Marshalers ------------------------------------------------------------------

class TMarshalers {
 public:
  // True when the interface is new.
  bool Add(TInterfaceMarshaler marshaler) {
    std::lock_guard lock(FLock);
    for (const auto& known : FMarshalers)
      if (known->Iid == marshaler.Iid) return false;
    FMarshalers.push_back(std::make_shared<TInterfaceMarshaler>(std::move(marshaler)));
    return true;
  }
  std::shared_ptr<const TInterfaceMarshaler> Find(REFIID iid) {
    std::lock_guard lock(FLock);
    for (const auto& known : FMarshalers)
      if (known->Iid == iid) return known;
    return nullptr;
  }
  std::vector<std::shared_ptr<const TInterfaceMarshaler>> All() {
    std::lock_guard lock(FLock);
    return {FMarshalers.begin(), FMarshalers.end()};
  }

 private:
  std::mutex FLock;
  std::vector<std::shared_ptr<TInterfaceMarshaler>> FMarshalers;
};

// Never destroyed: the bus thread may still look them up while the
// process ends.
TMarshalers& Marshalers() {
  static TMarshalers* const marshalers = new TMarshalers;
  return *marshalers;
}

// ---- Running on the object's thread -------------------------------------------

// The window through which a thread's objects are reached; made on the
// thread, destroyed with its other windows when it ends.
class TApartmentProcedure {
 public:
  void WndProc(TMessage& message) {
    if (message.Msg != kApartmentCall) return;
    (*reinterpret_cast<std::function<void()>*>(message.LParam))();
  }
};

TApartmentProcedure gApartmentProcedure;

HWND ThreadApartment() {
  thread_local HWND apartment = nullptr;
  if (apartment == nullptr || !IsWindow(apartment))
    apartment = AllocateHWnd(TWndMethod(&gApartmentProcedure, &TApartmentProcedure::WndProc));
  return apartment;
}

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
  std::function<void()>* Work() { return &FWork; }

 private:
  std::function<void()> FWork;
  std::function<void()> FFailed;
};

void RunInApartment(HWND apartment, std::function<void()> work, std::function<void()> failed) {
  auto job = std::make_shared<TApartmentWork>(std::move(work), failed);
  const auto lParam = reinterpret_cast<LPARAM>(job->Work());
  if (QueueSendFromRemote(apartment, kApartmentCall, 0, lParam, 0, job) != TSendState::Waiting &&
      failed)
    failed();
}

void ReplyFailure(const sdbus::MethodCall& call, HRESULT result) {
  try {
    sdbus::MethodReply reply = call.createReply();
    reply << static_cast<std::int32_t>(result);
    reply.send();
  } catch (const sdbus::Error&) {
  }
}

// ---- The server's table --------------------------------------------------------

struct TExport {
  std::string Client;
  HWND Apartment;
  TComPtr<IUnknown> Identity;
  std::map<std::string, TComPtr<IUnknown>> Interfaces;
};

class TExports {
 public:
  std::uint64_t Add(std::shared_ptr<TExport> entry) {
    std::lock_guard lock(FLock);
    const std::uint64_t id = ++FNextId;
    FEntries.emplace(id, std::move(entry));
    return id;
  }
  std::shared_ptr<TExport> Find(std::uint64_t id, const std::string& client) {
    std::lock_guard lock(FLock);
    const auto found = FEntries.find(id);
    if (found == FEntries.end() || found->second->Client != client) return nullptr;
    return found->second;
  }
  std::shared_ptr<TExport> Remove(std::uint64_t id, const std::string& client) {
    std::lock_guard lock(FLock);
    const auto found = FEntries.find(id);
    if (found == FEntries.end() || found->second->Client != client) return nullptr;
    std::shared_ptr<TExport> entry = std::move(found->second);
    FEntries.erase(found);
    return entry;
  }
  std::vector<std::shared_ptr<TExport>> RemoveClient(const std::string& client) {
    std::vector<std::shared_ptr<TExport>> removed;
    std::lock_guard lock(FLock);
    std::erase_if(FEntries, [&](auto& entry) {
      if (entry.second->Client != client) return false;
      removed.push_back(std::move(entry.second));
      return true;
    });
    return removed;
  }

 private:
  std::mutex FLock;
  std::uint64_t FNextId = 0;
  std::map<std::uint64_t, std::shared_ptr<TExport>> FEntries;
};

TExports& Exports() {
  static TExports* const exports = new TExports;
  return *exports;
}

// The references of an entry are let go on the object's own thread.
void ReleaseExport(std::shared_ptr<TExport> entry) {
  if (!entry) return;
  const HWND apartment = entry->Apartment;
  RunInApartment(
      apartment,
      [entry] {
        entry->Interfaces.clear();
        entry->Identity.Reset();
      },
      nullptr);
}

struct TPublication {
  DWORD Cookie;
  CLSID Clsid;
  HWND Apartment;
};

std::mutex gPublicationLock;
std::vector<TPublication> gPublications;

std::optional<HWND> ApartmentOf(REFCLSID clsid) {
  std::lock_guard lock(gPublicationLock);
  for (const TPublication& publication : gPublications)
    if (publication.Clsid == clsid) return publication.Apartment;
  return std::nullopt;
}

std::optional<GUID> ParseGuid(const std::string& text) {
  try {
    return StringToGUID(text);
  } catch (const std::invalid_argument&) {
    return std::nullopt;
  }
}

kivo_bus::TBus* ObjectBus();

void ReplyCreated(const sdbus::MethodCall& call, HRESULT result, std::uint64_t id) {
  try {
    sdbus::MethodReply reply = call.createReply();
    reply << static_cast<std::int32_t>(result) << id;
    reply.send();
  } catch (const sdbus::Error&) {
  }
}

void ServeCreateInstance(sdbus::MethodCall call) {
  std::string clsidText;
  std::string iidText;
  call >> clsidText >> iidText;
  const std::optional<GUID> clsid = ParseGuid(clsidText);
  const std::optional<GUID> iid = ParseGuid(iidText);
  const std::optional<HWND> apartment = clsid ? ApartmentOf(*clsid) : std::nullopt;
  if (!clsid || !iid || !apartment) return ReplyCreated(call, REGDB_E_CLASSNOTREG, 0);
  const std::string client = call.getSender();
  RunInApartment(
      *apartment,
      [call, clsid = *clsid, iid = *iid, client, apartment = *apartment] {
        HRESULT result = REGDB_E_CLASSNOTREG;
        std::uint64_t id = 0;
        if (const TComPtr<IUnknown> registered = LocalClassFactory(clsid, CLSCTX_LOCAL_SERVER)) {
          TComPtr<IClassFactory> factory;
          result = registered.QueryInterface(IID_IClassFactory, factory);
          TComPtr<IUnknown> object;
          if (SUCCEEDED(result)) result = factory->CreateInstance(nullptr, iid, object.PutVoid());
          if (SUCCEEDED(result)) {
            auto entry = std::make_shared<TExport>(TExport{client, apartment, object, {}});
            entry->Interfaces.emplace(GUIDToString(iid), object);
            id = Exports().Add(std::move(entry));
            // A client that left while its request waited here is not
            // going to give the object back.
            if (!ObjectBus()->OwnerOf(client)) ReleaseExport(Exports().Remove(id, client));
          }
        }
        ReplyCreated(call, result, id);
      },
      [call] { ReplyCreated(call, RPC_E_DISCONNECTED, 0); });
}

void ServeQueryInterface(sdbus::MethodCall call) {
  std::uint64_t id = 0;
  std::string iidText;
  call >> id >> iidText;
  const std::shared_ptr<TExport> entry = Exports().Find(id, call.getSender());
  const std::optional<GUID> iid = ParseGuid(iidText);
  if (!entry || !iid) return ReplyFailure(call, RPC_E_DISCONNECTED);
  if (!Marshalers().Find(*iid) && *iid != IID_IUnknown) return ReplyFailure(call, E_NOINTERFACE);
  RunInApartment(
      entry->Apartment,
      [call, entry, iid = *iid] {
        TComPtr<IUnknown> intf;
        HRESULT result = entry->Identity ? entry->Identity->QueryInterface(iid, intf.PutVoid())
                                         : RPC_E_DISCONNECTED;
        if (SUCCEEDED(result)) entry->Interfaces[GUIDToString(iid)] = std::move(intf);
        ReplyFailure(call, result);
      },
      [call] { ReplyFailure(call, RPC_E_DISCONNECTED); });
}

void ServeRelease(sdbus::MethodCall call) {
  std::uint64_t id = 0;
  call >> id;
  ReleaseExport(Exports().Remove(id, call.getSender()));
  ReplyFailure(call, S_OK);
}

void ServeOperation(const std::string& iidKey, TStubFunction stub, sdbus::MethodCall call) {
  std::uint64_t id = 0;
  call >> id;
  const std::shared_ptr<TExport> entry = Exports().Find(id, call.getSender());
  if (!entry) return ReplyFailure(call, RPC_E_DISCONNECTED);
  RunInApartment(
      entry->Apartment,
      [call, entry, iidKey, stub]() mutable {
        const auto found = entry->Interfaces.find(iidKey);
        if (found == entry->Interfaces.end() || !found->second)
          return ReplyFailure(call, E_NOINTERFACE);
        TComPtr<IUnknown> intf = found->second;
        TMessageReader in(call);
        sdbus::MethodReply reply = call.createReply();
        TMessageWriter out(reply);
        stub(intf.Get(), in, out);
        // The object has run; only its out-values cannot travel.
        if (out.TooLarge()) return ReplyFailure(call, kResultsTooLarge);
        reply.send();
      },
      [call] { ReplyFailure(call, RPC_E_DISCONNECTED); });
}

// Once per interface, whichever of the bus and the marshaler comes first.
void PublishStubs(kivo_bus::TBus& bus, const TInterfaceMarshaler& marshaler) {
  static std::mutex lock;
  static std::set<std::string> published;
  std::lock_guard guard(lock);
  if (!published.insert(GUIDToString(marshaler.Iid)).second) return;
  sdbus::IObject& object = bus.AddObject(InterfacePath(marshaler.Iid));
  const std::string iidKey = GUIDToString(marshaler.Iid);
  for (const TRemoteOperation& operation : marshaler.Operations) {
    object.registerMethod(InterfaceName(marshaler.Iid), operation.Name, "t" + operation.InSignature,
                          "i" + operation.OutSignature,
                          [iidKey, stub = operation.Stub](sdbus::MethodCall call) {
                            ServeOperation(iidKey, stub, std::move(call));
                          });
  }
  object.finishRegistration();
}

kivo_bus::TBus* ObjectBus() {
  static kivo_bus::TBus* const bus = [] {
    kivo_bus::TBus* found = WindowBus();
    if (found == nullptr) return found;
    sdbus::IObject& object = found->AddObject(kObjectsPath);
    object.registerMethod(kObjectsInterface, "CreateInstance", "ss", "it", ServeCreateInstance);
    object.registerMethod(kObjectsInterface, "QueryInterface", "ts", "i", ServeQueryInterface);
    object.registerMethod(kObjectsInterface, "Release", "t", "i", ServeRelease);
    object.finishRegistration();
    found->OnPeerGone([](const std::string& client) {
      for (std::shared_ptr<TExport>& entry : Exports().RemoveClient(client))
        ReleaseExport(std::move(entry));
    });
    for (const auto& marshaler : Marshalers().All()) PublishStubs(*found, *marshaler);
    return found;
  }();
  return bus;
}

// ---- The client's proxies --------------------------------------------------------

HRESULT TransportFailure() { return RPC_E_DISCONNECTED; }

// Stands for one entry of a server's table: one reference there, however
// many references are taken here, and one interface proxy per interface.
class TObjectProxy final : public IUnknown {
 public:
  TObjectProxy(kivo_bus::TBus& bus, std::string server, std::uint64_t id)
      : FBus(bus), FServer(std::move(server)), FId(id) {}

  HRESULT QueryInterface(REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (riid == IID_IUnknown) {
      *object = static_cast<IUnknown*>(this);
      AddRef();
      return S_OK;
    }
    std::lock_guard lock(FLock);
    for (const auto& [iid, proxy] : FProxies) {
      if (iid != riid) continue;
      *object = proxy->Interface();
      AddRef();
      return S_OK;
    }
    const std::shared_ptr<const TInterfaceMarshaler> marshaler = Marshalers().Find(riid);
    if (!marshaler) return E_NOINTERFACE;
    const HRESULT result = RemoteQuery(riid);
    if (FAILED(result)) return result;
    auto channel = std::make_unique<TChannel>(*this, riid);
    std::unique_ptr<TInterfaceProxy> proxy = marshaler->MakeProxy(*this, *channel);
    *object = proxy->Interface();
    FChannels.push_back(std::move(channel));
    FProxies.emplace_back(riid, std::move(proxy));
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return ++FReferences; }
  ULONG Release() override {
    const ULONG remaining = --FReferences;
    if (remaining == 0) {
      GiveBack();
      delete this;
    }
    return remaining;
  }

 private:
  class TChannel final : public TRemoteChannel {
   public:
    TChannel(TObjectProxy& owner, REFIID iid)
        : FOwner(owner), FPath(InterfacePath(iid)), FInterface(InterfaceName(iid)) {}
    HRESULT Call(const char* operation, const std::function<void(TMarshalWriter&)>& in,
                 const std::function<void(TMarshalReader&)>& out) override {
      try {
        sdbus::IProxy& proxy = FOwner.FBus.ProxyFor(FOwner.FServer, FPath);
        sdbus::MethodCall call = proxy.createMethodCall(FInterface, operation);
        call << FOwner.FId;
        TMessageWriter writer(call);
        in(writer);
        if (writer.TooLarge()) return kArgumentsTooLarge;
        sdbus::MethodReply reply = proxy.callMethod(call, kCallTimeout);
        std::int32_t result = 0;
        reply >> result;
        // A call that did not reach the object has no out-values.
        if (!AtEnd(reply)) {
          TMessageReader reader(reply);
          out(reader);
        }
        return result;
      } catch (const sdbus::Error&) {
        return TransportFailure();
      }
    }

   private:
    static bool AtEnd(sdbus::Message& message) {
      std::string type;
      std::string contents;
      message.peekType(type, contents);
      return type.empty();
    }
    TObjectProxy& FOwner;
    std::string FPath;
    std::string FInterface;
  };

  ~TObjectProxy() = default;

  HRESULT RemoteQuery(REFIID riid) {
    try {
      std::int32_t result = 0;
      FBus.ProxyFor(FServer, kObjectsPath)
          .callMethod("QueryInterface")
          .onInterface(kObjectsInterface)
          .withTimeout(kCallTimeout)
          .withArguments(FId, GUIDToString(riid))
          .storeResultsTo(result);
      return result;
    } catch (const sdbus::Error&) {
      return TransportFailure();
    }
  }

  void GiveBack() {
    try {
      FBus.ProxyFor(FServer, kObjectsPath)
          .callMethod("Release")
          .onInterface(kObjectsInterface)
          .withArguments(FId)
          .dontExpectReply();
    } catch (const sdbus::Error&) {
      // A server that has gone holds nothing any more.
    }
  }

  kivo_bus::TBus& FBus;
  const std::string FServer;
  const std::uint64_t FId;
  std::atomic<ULONG> FReferences{1};
  std::mutex FLock;
  std::vector<std::unique_ptr<TChannel>> FChannels;
  std::vector<std::pair<IID, std::unique_ptr<TInterfaceProxy>>> FProxies;
};

}  // namespace

void CoRegisterInterfaceMarshaler(TInterfaceMarshaler marshaler) {
  const IID iid = marshaler.Iid;
  if (!Marshalers().Add(std::move(marshaler))) return;
  if (kivo_bus::TBus* bus = ObjectBus())
    if (const auto added = Marshalers().Find(iid)) PublishStubs(*bus, *added);
}

void PublishClass(REFCLSID clsid, DWORD cookie) {
  kivo_bus::TBus* bus = ObjectBus();
  if (bus == nullptr) return;
  const HWND apartment = ThreadApartment();
  {
    std::lock_guard lock(gPublicationLock);
    gPublications.push_back({cookie, clsid, apartment});
  }
  bus->Claim(ClassName(clsid));
}

void WithdrawClass(DWORD cookie) {
  kivo_bus::TBus* bus = ObjectBus();
  if (bus == nullptr) return;
  std::optional<CLSID> withdrawn;
  bool stillServed = false;
  {
    std::lock_guard lock(gPublicationLock);
    for (const TPublication& publication : gPublications)
      if (publication.Cookie == cookie) withdrawn = publication.Clsid;
    std::erase_if(gPublications, [cookie](const TPublication& publication) {
      return publication.Cookie == cookie;
    });
    if (withdrawn)
      for (const TPublication& publication : gPublications)
        stillServed = stillServed || publication.Clsid == *withdrawn;
  }
  if (withdrawn && !stillServed) bus->Release(ClassName(*withdrawn));
}

HRESULT CreateRemoteInstance(REFCLSID clsid, REFIID riid, void** object) {
  kivo_bus::TBus* bus = ObjectBus();
  if (bus == nullptr) return REGDB_E_CLASSNOTREG;
  const std::optional<std::string> server = bus->OwnerOf(ClassName(clsid));
  if (!server || *server == bus->UniqueName()) return REGDB_E_CLASSNOTREG;
  std::int32_t result = 0;
  std::uint64_t id = 0;
  try {
    bus->ProxyFor(*server, kObjectsPath)
        .callMethod("CreateInstance")
        .onInterface(kObjectsInterface)
        .withTimeout(kCallTimeout)
        .withArguments(GUIDToString(clsid), GUIDToString(riid))
        .storeResultsTo(result, id);
  } catch (const sdbus::Error&) {
    return REGDB_E_CLASSNOTREG;
  }
  if (FAILED(result)) return result;
  TComPtr<IUnknown> proxy = TComPtr<IUnknown>::Adopt(new TObjectProxy(*bus, *server, id));
  return proxy->QueryInterface(riid, object);
}
