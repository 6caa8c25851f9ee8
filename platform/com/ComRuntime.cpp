#include "platform/com/ComRuntime.h"

#include <algorithm>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/com/ComPtr.h"
#include "platform/com/RemoteObjects.h"

namespace {

struct TThreadState {
  unsigned InitCount = 0;
  DWORD Model = COINIT_APARTMENTTHREADED;
};

thread_local TThreadState threadState;

bool IsThreadInitialized() { return threadState.InitCount > 0; }

struct TRegistration {
  DWORD Cookie;
  CLSID Clsid;
  DWORD Context;
  bool SingleUse;
  std::thread::id Thread;
  TComPtr<IUnknown> Factory;
};

// Lives in the platform library, so the player that registers and the
// plug-in that creates see the same one.
class TClassRegistry {
 public:
  DWORD Add(REFCLSID clsid, IUnknown* factory, DWORD context, bool singleUse) {
    std::lock_guard lock(FMutex);
    const DWORD cookie = FNextCookie++;
    FEntries.push_back({cookie, clsid, context, singleUse, std::this_thread::get_id(),
                        TComPtr<IUnknown>(factory)});
    return cookie;
  }

  // The factory is released after the lock is let go: its Release may run
  // arbitrary code, even code that calls back into the registry.
  bool Remove(DWORD cookie) {
    TComPtr<IUnknown> factory;
    std::lock_guard lock(FMutex);
    const auto found =
        std::find_if(FEntries.begin(), FEntries.end(),
                     [cookie](const TRegistration& entry) { return entry.Cookie == cookie; });
    if (found == FEntries.end()) return false;
    factory = std::move(found->Factory);
    FEntries.erase(found);
    return true;
  }

  std::vector<TComPtr<IUnknown>> RemoveThread(std::thread::id thread) {
    std::vector<TComPtr<IUnknown>> factories;
    std::lock_guard lock(FMutex);
    std::erase_if(FEntries, [&](TRegistration& entry) {
      if (entry.Thread != thread) return false;
      factories.push_back(std::move(entry.Factory));
      return true;
    });
    return factories;
  }

  // The factory for the class in one of the contexts, with a reference of
  // the caller's own; a single-use registration is withdrawn as it is taken.
  TComPtr<IUnknown> Take(REFCLSID clsid, DWORD context) {
    std::lock_guard lock(FMutex);
    const auto found =
        std::find_if(FEntries.begin(), FEntries.end(), [&](const TRegistration& entry) {
          return entry.Clsid == clsid && (entry.Context & context) != 0;
        });
    if (found == FEntries.end()) return nullptr;
    TComPtr<IUnknown> factory = found->Factory;
    if (found->SingleUse) FEntries.erase(found);
    return factory;
  }

 private:
  std::mutex FMutex;
  std::vector<TRegistration> FEntries;
  DWORD FNextCookie = 1;
};

TClassRegistry& ClassRegistry() {
  static TClassRegistry registry;
  return registry;
}

}  // namespace

HRESULT CoInitialize(void* reserved) { return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED); }

HRESULT CoInitializeEx(void* reserved, DWORD coInit) {
  if (reserved != nullptr) return E_INVALIDARG;
  const DWORD model = coInit & COINIT_APARTMENTTHREADED;
  if (!IsThreadInitialized()) {
    threadState.Model = model;
    threadState.InitCount = 1;
    return S_OK;
  }
  if (model != threadState.Model) return RPC_E_CHANGED_MODE;
  ++threadState.InitCount;
  return S_FALSE;
}

void CoUninitialize() {
  if (!IsThreadInitialized()) return;
  if (--threadState.InitCount == 0) ClassRegistry().RemoveThread(std::this_thread::get_id());
}

HRESULT CoRegisterClassObject(REFCLSID clsid, IUnknown* factory, DWORD clsContext, DWORD flags,
                              DWORD* cookie) {
  if (cookie == nullptr || factory == nullptr) return E_INVALIDARG;
  *cookie = 0;
  if (!IsThreadInitialized()) return CO_E_NOTINITIALIZED;
  if ((clsContext & CLSCTX_ALL) == 0 || flags > REGCLS_MULTIPLEUSE) return E_INVALIDARG;
  *cookie = ClassRegistry().Add(clsid, factory, clsContext, flags == REGCLS_SINGLEUSE);
  if ((clsContext & CLSCTX_LOCAL_SERVER) != 0) PublishClass(clsid, *cookie);
  return S_OK;
}

HRESULT CoRevokeClassObject(DWORD cookie) {
  if (!ClassRegistry().Remove(cookie)) return CO_E_OBJNOTREG;
  WithdrawClass(cookie);
  return S_OK;
}

TComPtr<IUnknown> LocalClassFactory(REFCLSID clsid, DWORD clsContext) {
  return ClassRegistry().Take(clsid, clsContext);
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD clsContext, REFIID riid,
                         void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (!IsThreadInitialized()) return CO_E_NOTINITIALIZED;
  const TComPtr<IUnknown> registered = ClassRegistry().Take(clsid, clsContext);
  if (!registered) {
    // Another process of the session may serve it as a local server.
    if ((clsContext & CLSCTX_LOCAL_SERVER) == 0) return REGDB_E_CLASSNOTREG;
    return CreateRemoteInstance(clsid, riid, object);
  }
  TComPtr<IClassFactory> factory;
  if (const HRESULT hr = registered.QueryInterface(IID_IClassFactory, factory); FAILED(hr))
    return hr;
  const HRESULT hr = factory->CreateInstance(outer, riid, object);
  if (FAILED(hr)) *object = nullptr;
  return hr;
}
