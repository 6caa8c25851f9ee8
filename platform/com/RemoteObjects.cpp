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
#include "platform/bus/Refusal.h"
#include "platform/com/IncomingObjectCalls.h"
#include "platform/com/Marshal.h"
#include "platform/win/Messages.h"
#include "platform/win/RemoteWindows.h"

namespace {

constexpr const char* kObjectsPath = "/org/kolmira/Objects";
constexpr const char* kObjectsInterface = "org.kolmira.Objects";
// Long enough for any operation of a live object, short enough that a
// server that stopped answering does not stop its clients for good.
constexpr std::chrono::seconds kCallTimeout{10};

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

constexpr std::size_t kLargestTexts = TInValues::kLargestTexts;

// Texts beyond the limit are not written: the message is then not to be
// sent, and TooLarge says so.
class TMessageWriter final : public TMarshalWriter {
 public:
  explicit TMessageWriter(sdbus::Message& message) : FMessage(message) {}
  // A handle of this process among the values is one the other side may
  // post to.
  void PutLong(LONG value) override {
    if (value > 0) NoteValueLeaving(static_cast<std::uint64_t>(value));
    FMessage << static_cast<std::int32_t>(value);
  }
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

// ---- The server's side on the bus ---------------------------------------------

TIncomingObjectCalls& Incoming();

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

void ReplyFailure(const sdbus::MethodCall& call, HRESULT result) {
  try {
    sdbus::MethodReply reply = call.createReply();
    reply << static_cast<std::int32_t>(result);
    reply.send();
  } catch (const sdbus::Error&) {
  }
}

void ReplyCreated(const sdbus::MethodCall& call, HRESULT result, std::uint64_t id) {
  try {
    sdbus::MethodReply reply = call.createReply();
    reply << static_cast<std::int32_t>(result) << id;
    reply.send();
  } catch (const sdbus::Error&) {
  }
}

void ReplyCount(const sdbus::MethodCall& call, std::uint32_t count) {
  sdbus::MethodReply reply = call.createReply();
  reply << count;
  reply.send();
}

// An operation's reply, made on the object's thread once the stub ran.
class TBusOperationReply final : public TOperationReply {
 public:
  explicit TBusOperationReply(sdbus::MethodCall call) : FCall(std::move(call)) {}
  TMarshalWriter& Out() override {
    if (!FWriter) {
      FReply = FCall.createReply();
      FWriter = std::make_unique<TMessageWriter>(FReply);
    }
    return *FWriter;
  }
  bool TooLarge() const override { return FWriter && FWriter->TooLarge(); }
  void Send() override {
    try {
      Out();
      FReply.send();
    } catch (const sdbus::Error&) {
    }
  }
  void Fail(HRESULT result) override { ReplyFailure(FCall, result); }

 private:
  sdbus::MethodCall FCall;
  sdbus::MethodReply FReply;
  std::unique_ptr<TMessageWriter> FWriter;
};

// The in-values as the bus checked their types against the operation's
// signature: longs, VARIANT_BOOLs and UTF-16 texts.
std::shared_ptr<TInValues> ReadInValues(sdbus::MethodCall& call, const std::string& signature) {
  auto values = std::make_shared<TInValues>();
  for (std::size_t i = 0; i < signature.size(); ++i) {
    if (signature[i] == 'i') {
      std::int32_t value = 0;
      call >> value;
      values->Add(static_cast<LONG>(value));
    } else if (signature[i] == 'n') {
      std::int16_t value = 0;
      call >> value;
      values->Add(static_cast<VARIANT_BOOL>(value));
    } else {
      std::vector<std::uint16_t> text;
      call >> text;
      values->Add(std::u16string(text.begin(), text.end()));
      ++i;
    }
  }
  return values;
}

void ServeCreateInstance(sdbus::MethodCall call) {
  std::string clsid;
  std::string iid;
  call >> clsid >> iid;
  Refusing([&] {
    Incoming().CreateInstance(call.getSender(), clsid, iid, [call](HRESULT result, std::uint64_t id) {
      ReplyCreated(call, result, id);
    });
  });
}

void ServeQueryInterface(sdbus::MethodCall call) {
  std::uint64_t id = 0;
  std::string iid;
  call >> id >> iid;
  Refusing([&] {
    Incoming().QueryInterface(call.getSender(), id, iid,
                              [call](HRESULT result) { ReplyFailure(call, result); });
  });
}

void ServeAddRef(sdbus::MethodCall call) {
  std::uint64_t id = 0;
  call >> id;
  ReplyCount(call, Refusing([&] { return Incoming().AddRef(call.getSender(), id); }));
}

void ServeRelease(sdbus::MethodCall call) {
  std::uint64_t id = 0;
  call >> id;
  ReplyCount(call, Refusing([&] { return Incoming().Release(call.getSender(), id); }));
}

void ServeOperation(REFIID iid, const TRemoteOperation& operation, sdbus::MethodCall call) {
  std::uint64_t id = 0;
  call >> id;
  Refusing([&] {
    std::shared_ptr<TInValues> in = ReadInValues(call, operation.InSignature);
    Incoming().Operation(call.getSender(), iid, operation.Stub, id, std::move(in),
                         std::make_shared<TBusOperationReply>(call));
  });
}

// Once per interface, whichever of the bus and the marshaler comes first.
void PublishStubs(kivo_bus::TBus& bus, const TInterfaceMarshaler& marshaler) {
  static std::mutex lock;
  static std::set<std::string> published;
  std::lock_guard guard(lock);
  if (!published.insert(GUIDToString(marshaler.Iid)).second) return;
  sdbus::IObject& object = bus.AddObject(InterfacePath(marshaler.Iid));
  for (const TRemoteOperation& operation : marshaler.Operations) {
    object.registerMethod(InterfaceName(marshaler.Iid), operation.Name, "t" + operation.InSignature,
                          "i" + operation.OutSignature,
                          [iid = marshaler.Iid, operation](sdbus::MethodCall call) {
                            ServeOperation(iid, operation, std::move(call));
                          });
  }
  object.finishRegistration();
}

kivo_bus::TBus* ObjectBus();

// Never destroyed: the bus thread may still answer calls while the
// process ends.
TIncomingObjectCalls& Incoming() {
  static TIncomingObjectCalls* const incoming = new TIncomingObjectCalls(
      [](const std::string& peer) { return ObjectBus()->OwnerOf(peer).has_value(); });
  return *incoming;
}

kivo_bus::TBus* ObjectBus() {
  static kivo_bus::TBus* const bus = [] {
    kivo_bus::TBus* found = WindowBus();
    if (found == nullptr) return found;
    sdbus::IObject& object = found->AddObject(kObjectsPath);
    object.registerMethod(kObjectsInterface, "CreateInstance", "ss", "it", ServeCreateInstance);
    object.registerMethod(kObjectsInterface, "QueryInterface", "ts", "i", ServeQueryInterface);
    object.registerMethod(kObjectsInterface, "AddRef", "t", "u", ServeAddRef);
    object.registerMethod(kObjectsInterface, "Release", "t", "u", ServeRelease);
    object.finishRegistration();
    found->OnPeerGone([](const std::string& client) { Incoming().PeerGone(client); });
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
  Incoming().Publish(clsid, cookie);
  bus->Claim(ClassName(clsid));
}

void WithdrawClass(DWORD cookie) {
  kivo_bus::TBus* bus = ObjectBus();
  if (bus == nullptr) return;
  const TIncomingObjectCalls::TWithdrawn withdrawn = Incoming().Withdraw(cookie);
  if (withdrawn.Found && !withdrawn.StillServed) bus->Release(ClassName(withdrawn.Clsid));
}

bool MarshalerKnown(REFIID iid) { return Marshalers().Find(iid) != nullptr; }

std::shared_ptr<const TInterfaceMarshaler> InterfaceMarshaler(REFIID iid) {
  return Marshalers().Find(iid);
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
