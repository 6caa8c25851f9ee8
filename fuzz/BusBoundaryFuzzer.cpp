// The session bus's incoming calls, as peers that may be hostile or broken
// make them: the input is a sequence of window calls (post, send, posts
// left for an exit, probes) of any number and values to this process's
// windows, hidden ones included, and object calls (create, query, add a
// reference, release, every operation of the four interfaces with any
// values) by a few peers, through the dispatch the bus handlers use. After
// each call the queues are run and the invariants checked: a hidden window
// never hears from outside, what reaches a window is a registered message
// with 32-bit values, every send is answered once, a peer holds exactly the
// references the calls gave it, and nothing a peer left waits any more.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <map>
#include <set>

#include "fuzz/FuzzPlayer.h"
#include "hostlink/Kivo_tlb.h"
#include "platform/bus/Refusal.h"
#include "platform/com/IncomingObjectCalls.h"
#include "platform/com/RemoteObjects.h"
#include "platform/win/IncomingWindowCalls.h"
#include "platform/win/RemoteWindows.h"

namespace {

void Check(bool holds) {
  if (!holds) std::abort();
}

// Windows of this process as a peer may aim at them.
class TTargets {
 public:
  TTargets() : FKivo(RegisterWindowMessageA("WM_KIVO")) {
    FHidden = AllocateHWnd(TWndMethod(this, &TTargets::Hidden));
    FExposed = AllocateHWnd(TWndMethod(this, &TTargets::Exposed));
    // Its handle leaves this process, as a client's announce does.
    NoteValueLeaving(reinterpret_cast<std::uintptr_t>(FExposed));
  }
  void Hidden(TMessage&) { Check(false); }
  void Exposed(TMessage& message) {
    Check(CrossesProcesses(message.Msg));
    Check(message.WParam <= 0xFFFFFFFFu);
    Check(message.LParam >= INT32_MIN && message.LParam <= INT32_MAX);
    message.Result = 1;
  }
  std::uint32_t Pick(FuzzedDataProvider& input, HWND main) const {
    const auto number = [](HWND window) {
      return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(window));
    };
    switch (input.ConsumeIntegralInRange(0, 5)) {
      case 0: return number(main);
      case 1: return number(FHidden);
      case 2: return number(FExposed);
      case 3: return 0xFFFF;
      case 4: return number(main) + 2 * input.ConsumeIntegralInRange<std::uint32_t>(0, 16);
      default: return input.ConsumeIntegral<std::uint32_t>();
    }
  }
  UINT Message(FuzzedDataProvider& input) const {
    return input.ConsumeBool() ? FKivo : input.ConsumeIntegralInRange<UINT>(0, 0xFFFF);
  }

 private:
  UINT FKivo;
  HWND FHidden;
  HWND FExposed;
};

struct TWorld {
  TWorld() : Windows(0), Objects([this](const std::string& peer) { return Present.contains(peer); }) {
    fuzz_player::Player();
    Kivo_tlb::RegisterMarshalers();
    Objects.Publish(Kivo_tlb::CLSID_KIVOControl, 1);
  }
  TIncomingWindowCalls Windows;
  TIncomingObjectCalls Objects;
  TTargets Targets;
  std::set<std::string> Present;
};

TWorld& World() {
  static TWorld* const world = new TWorld;
  return *world;
}

const IID kInterfaces[] = {Kivo_tlb::IID_IKIVOControl, Kivo_tlb::IID_IKIVOPlayList,
                           Kivo_tlb::IID_IKIVOLyrics, Kivo_tlb::IID_IKIVOMenu, IID_IUnknown};

std::string PickGuid(FuzzedDataProvider& input, REFGUID usual) {
  switch (input.ConsumeIntegralInRange(0, 2)) {
    case 0: return GUIDToString(usual);
    case 1: return GUIDToString(kInterfaces[input.ConsumeIntegralInRange(0, 4)]);
    default: return input.ConsumeRandomLengthString(48);
  }
}

class TDiscardedReply final : public TOperationReply {
 public:
  explicit TDiscardedReply(int& answered) : FAnswered(answered) {}
  TMarshalWriter& Out() override { return FOut; }
  bool TooLarge() const override { return false; }
  void Send() override { ++FAnswered; }
  void Fail(HRESULT) override { ++FAnswered; }

 private:
  class TWriter final : public TMarshalWriter {
   public:
    void PutLong(LONG) override {}
    void PutBool(VARIANT_BOOL) override {}
    void PutText(BSTR) override {}
  };
  TWriter FOut;
  int& FAnswered;
};

std::shared_ptr<TInValues> ValuesFrom(FuzzedDataProvider& input, const std::string& signature) {
  auto values = std::make_shared<TInValues>();
  for (std::size_t i = 0; i < signature.size(); ++i) {
    if (signature[i] == 'i') {
      values->Add(input.ConsumeIntegral<LONG>());
    } else if (signature[i] == 'n') {
      values->Add(input.ConsumeIntegral<VARIANT_BOOL>());
    } else {
      const std::string bytes = input.ConsumeRandomLengthString(64);
      values->Add(std::u16string(bytes.begin(), bytes.end()));
      ++i;
    }
  }
  return values;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TWorld& world = World();
  FuzzedDataProvider input(data, size);
  const std::string peers[] = {":1.10", ":1.11", ":1.12"};
  for (const std::string& peer : peers) world.Present.insert(peer);
  // What each peer holds, as the calls' answers said.
  std::map<std::pair<std::string, std::uint64_t>, std::uint32_t> held;
  std::vector<std::uint64_t> ids{0};
  int expected = 0;
  int answered = 0;
  const HWND main = FindWindowA("TFormKIVO", nullptr);

  for (int step = 0; step < 64 && input.remaining_bytes() > 0; ++step) {
    const std::string& peer = peers[input.ConsumeIntegralInRange(0, 2)];
    const std::uint64_t id = input.ConsumeBool() ? ids[input.ConsumeIntegralInRange<std::size_t>(
                                                       0, ids.size() - 1)]
                                                 : input.ConsumeIntegral<std::uint64_t>();
    try {
      switch (input.ConsumeIntegralInRange(0, 10)) {
        case 0:
          world.Windows.Post(peer, world.Targets.Pick(input, main), world.Targets.Message(input),
                             input.ConsumeIntegral<std::uint64_t>(),
                             input.ConsumeIntegral<std::int64_t>());
          break;
        case 1: {
          const std::uint32_t window = world.Targets.Pick(input, main);
          const UINT message = world.Targets.Message(input);
          const auto wParam = input.ConsumeIntegral<std::uint64_t>();
          const auto lParam = input.ConsumeIntegral<std::int64_t>();
          const auto flags = input.ConsumeIntegralInRange<std::uint32_t>(0, 4);
          world.Windows.Send(peer, window, message, wParam, lParam, flags, UINT64_MAX,
                             [&answered](TSendOutcome, std::int64_t) { ++answered; });
          ++expected;
          break;
        }
        case 2:
          world.Windows.PostOnExit(peer, world.Targets.Pick(input, main),
                                   world.Targets.Message(input),
                                   input.ConsumeIntegral<std::uint64_t>(),
                                   input.ConsumeIntegral<std::int64_t>());
          break;
        case 3:
          world.Windows.CancelPostOnExit(peer, world.Targets.Pick(input, main));
          break;
        case 4:
          world.Windows.IsWindow(peer, world.Targets.Pick(input, main));
          break;
        case 5: {
          const std::string clsid = PickGuid(input, Kivo_tlb::CLSID_KIVOControl);
          const std::string iid = PickGuid(input, Kivo_tlb::IID_IKIVOControl);
          world.Objects.CreateInstance(peer, clsid, iid,
                                       [&, peer](HRESULT result, std::uint64_t made) {
                                         ++answered;
                                         if (SUCCEEDED(result)) {
                                           Check(made != 0);
                                           held[{peer, made}] = 1;
                                           ids.push_back(made);
                                         }
                                       });
          ++expected;
          break;
        }
        case 6:
          world.Objects.QueryInterface(peer, id, PickGuid(input, Kivo_tlb::IID_IKIVOPlayList),
                                       [&answered](HRESULT) { ++answered; });
          ++expected;
          break;
        case 7:
          if (world.Objects.AddRef(peer, id) != held[{peer, id}] + 1 || held[{peer, id}] == 0)
            Check(false);
          ++held[{peer, id}];
          break;
        case 8: {
          const std::uint32_t left = world.Objects.Release(peer, id);
          Check(held[{peer, id}] > 0 && left == --held[{peer, id}]);
          break;
        }
        case 9: {
          const IID& iid = kInterfaces[input.ConsumeIntegralInRange(0, 3)];
          const auto marshaler = InterfaceMarshaler(iid);
          if (!marshaler || marshaler->Operations.empty()) break;
          const TRemoteOperation& operation = marshaler->Operations[input.ConsumeIntegralInRange<std::size_t>(
              0, marshaler->Operations.size() - 1)];
          world.Objects.Operation(peer, iid, operation.Stub, id,
                                  ValuesFrom(input, operation.InSignature),
                                  std::make_shared<TDiscardedReply>(answered));
          ++expected;
          break;
        }
        default:
          world.Windows.PeerGone(peer);
          world.Objects.PeerGone(peer);
          std::erase_if(held, [&](const auto& entry) { return entry.first.first == peer; });
          break;
      }
    } catch (const kivo_bus::TRefusal&) {
      // Refused before anything was queued: no answer comes.
    }
    ProcessMessages();
    Check(answered == expected);
    for (const std::string& each : peers) {
      Check(world.Windows.Waiting(each) == 0);
      Check(world.Objects.CallsWaiting(each) == 0);
    }
    for (const auto& [key, count] : held)
      Check(world.Objects.References(key.first, key.second) == count);
  }
  for (const std::string& peer : peers) {
    world.Windows.PeerGone(peer);
    world.Objects.PeerGone(peer);
  }
  ProcessMessages();
  Check(world.Objects.Objects() == 0);
  return 0;
}
