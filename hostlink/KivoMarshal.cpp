// The player's interfaces across processes: proxies and stubs made from the
// operation tables of Kivo_tlb.h, so that every operation in every slot
// travels with all its values and its result, with nothing written per
// operation.
#include <mutex>

#include "hostlink/Kivo_tlb.h"
#include "platform/com/Marshal.h"

namespace Kivo_tlb {

namespace {

#define KIVO_PROXY_OPERATION(slot, name, parameters, arguments)                     \
  HRESULT name parameters override {                                                \
    return com_marshal::ProxyCall(Channel(), #name KIVO_PROXY_ARGUMENTS arguments); \
  }
#define KIVO_PROXY_ARGUMENTS(...) __VA_OPT__(, ) __VA_ARGS__

class TControlProxy final : public com_marshal::TProxyOf<IKIVOControl> {
 public:
  using TProxyOf::TProxyOf;
  KIVO_CONTROL_OPERATIONS(KIVO_PROXY_OPERATION)
};

class TPlayListProxy final : public com_marshal::TProxyOf<IKIVOPlayList> {
 public:
  using TProxyOf::TProxyOf;
  KIVO_PLAYLIST_OPERATIONS(KIVO_PROXY_OPERATION)
};

class TLyricsProxy final : public com_marshal::TProxyOf<IKIVOLyrics> {
 public:
  using TProxyOf::TProxyOf;
  KIVO_LYRICS_OPERATIONS(KIVO_PROXY_OPERATION)
};

class TMenuProxy final : public com_marshal::TProxyOf<IKIVOMenu> {
 public:
  using TProxyOf::TProxyOf;
};

#undef KIVO_PROXY_OPERATION
#undef KIVO_PROXY_ARGUMENTS

template <class I, class TProxy>
TInterfaceMarshaler MarshalerOf(REFIID iid, std::vector<TRemoteOperation> operations) {
  return TInterfaceMarshaler{
      iid, std::move(operations), [](IUnknown& object, TRemoteChannel& channel) {
        return std::unique_ptr<TInterfaceProxy>(std::make_unique<TProxy>(object, channel));
      }};
}

#define KIVO_DESCRIBE(slot, name, parameters, arguments) \
  com_marshal::DescribeOperation(#name, &TInterface::name, &com_marshal::StubOf<&TInterface::name>),

std::vector<TRemoteOperation> ControlOperations() {
  using TInterface = IKIVOControl;
  return {KIVO_CONTROL_OPERATIONS(KIVO_DESCRIBE)};
}

std::vector<TRemoteOperation> PlayListOperations() {
  using TInterface = IKIVOPlayList;
  return {KIVO_PLAYLIST_OPERATIONS(KIVO_DESCRIBE)};
}

std::vector<TRemoteOperation> LyricsOperations() {
  using TInterface = IKIVOLyrics;
  return {KIVO_LYRICS_OPERATIONS(KIVO_DESCRIBE)};
}

#undef KIVO_DESCRIBE

}  // namespace

void RegisterMarshalers() {
  static std::once_flag registered;
  std::call_once(registered, [] {
    CoRegisterInterfaceMarshaler(
        MarshalerOf<IKIVOControl, TControlProxy>(IID_IKIVOControl, ControlOperations()));
    CoRegisterInterfaceMarshaler(
        MarshalerOf<IKIVOPlayList, TPlayListProxy>(IID_IKIVOPlayList, PlayListOperations()));
    CoRegisterInterfaceMarshaler(
        MarshalerOf<IKIVOLyrics, TLyricsProxy>(IID_IKIVOLyrics, LyricsOperations()));
    CoRegisterInterfaceMarshaler(MarshalerOf<IKIVOMenu, TMenuProxy>(IID_IKIVOMenu, {}));
  });
}

}  // namespace Kivo_tlb
