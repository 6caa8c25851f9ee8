#include "player/automation/AutomationServer.h"

#include <atomic>
#include <stdexcept>

#include "platform/vcl/SysUtils.h"

namespace kivo {

namespace {

// Makes one automation object per request; every object works on the
// same player state.
class TAutomationFactory final : public IClassFactory {
 public:
  static TComPtr<IClassFactory> Create(TPlayerState& state, TClientList& clients,
                                       TPlayerActions& actions) {
    return TComPtr<IClassFactory>::Adopt(new TAutomationFactory(state, clients, actions));
  }

  HRESULT QueryInterface(REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (riid != IID_IUnknown && riid != IID_IClassFactory) return E_NOINTERFACE;
    *object = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return ++FReferences; }
  ULONG Release() override {
    const ULONG remaining = --FReferences;
    if (remaining == 0) delete this;
    return remaining;
  }

  HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    const TComPtr<Kivo_tlb::IKIVOControl> automation =
        TKivoAutomation::Create(FState, FClients, FActions);
    return automation->QueryInterface(riid, object);
  }
  HRESULT LockServer(BOOL) override { return S_OK; }

 private:
  TAutomationFactory(TPlayerState& state, TClientList& clients, TPlayerActions& actions)
      : FState(state), FClients(clients), FActions(actions) {}
  ~TAutomationFactory() = default;

  TPlayerState& FState;
  TClientList& FClients;
  TPlayerActions& FActions;
  std::atomic<ULONG> FReferences{1};
};

}  // namespace

TAutomationServer::TAutomationServer(TPlayerState& state, TClientList& clients,
                                     TPlayerActions& actions) {
  // Clients in other processes reach the object through its stubs.
  Kivo_tlb::RegisterMarshalers();
  const TComPtr<IClassFactory> factory = TAutomationFactory::Create(state, clients, actions);
  const HRESULT registered =
      CoRegisterClassObject(Kivo_tlb::CLSID_KIVOControl, factory.Get(), CLSCTX_LOCAL_SERVER,
                            REGCLS_MULTIPLEUSE, &FCookie);
  if (FAILED(registered))
    throw std::runtime_error(Format("cannot register the automation class (error %x)",
                                    {static_cast<DWORD>(registered)}));
}

TAutomationServer::~TAutomationServer() { CoRevokeClassObject(FCookie); }

}  // namespace kivo
