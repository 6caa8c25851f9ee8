// The holder of one of the player's interface references while the host
// link is bound: it adds a reference when it takes one and releases it when
// it lets go.
#pragma once

#include <memory>

#include "hostlink/KivoReports.h"
#include "platform/com/ComPtr.h"

template <class I>
class TInterfaceHolder {
 public:
  explicit TInterfaceHolder(I* Intf) : FIntf(Intf) {}

  void Assign(I* Intf) { FIntf = TComPtr<I>(Intf); }
  void Release() { FIntf.Reset(); }
  I* Get() const { return FIntf.Get(); }

 private:
  TComPtr<I> FIntf;
};

// The reference for one call, held by the caller for the call's duration so
// that a player which unbinds the component meanwhile cannot free the object
// under the call. When there is none, the assertion report is shown; after
// [N]o or [C]ancel the result is empty and the caller must not call.
template <class I>
TComPtr<I> HeldInterface(const std::unique_ptr<TInterfaceHolder<I>>& Holder) {
  I* intf = Holder ? Holder->Get() : nullptr;
  if (intf == nullptr) AssertReport("intf != 0", "KivoHolder.h", __LINE__);
  return TComPtr<I>(intf);
}
