// The component object runtime: per-thread initialisation, and one class
// registry per process in which servers register class factories that
// CoCreateInstance then asks for new objects.
#pragma once

#include "platform/com/Unknown.h"

inline constexpr IID IID_IClassFactory = StringToGUID("{00000001-0000-0000-C000-000000000046}");

class IClassFactory : public IUnknown {
 public:
  virtual HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object) = 0;
  virtual HRESULT LockServer(BOOL lock) = 0;

 protected:
  ~IClassFactory() = default;
};

inline constexpr DWORD COINIT_MULTITHREADED = 0x0;
inline constexpr DWORD COINIT_APARTMENTTHREADED = 0x2;

// S_OK when this call initialised the thread, S_FALSE when it already was
// (the call still counts), RPC_E_CHANGED_MODE when the thread was
// initialised in the other concurrency model (the call does not count).
// Every call that succeeds is balanced by one CoUninitialize.
HRESULT CoInitialize(void* reserved);
HRESULT CoInitializeEx(void* reserved, DWORD coInit);
// Ends one successful initialisation; the last one revokes the class
// objects that this thread registered. Without one it does nothing.
void CoUninitialize();

inline constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
inline constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
inline constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
inline constexpr DWORD CLSCTX_REMOTE_SERVER = 0x10;
inline constexpr DWORD CLSCTX_INPROC = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER;
inline constexpr DWORD CLSCTX_SERVER =
    CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;
inline constexpr DWORD CLSCTX_ALL = CLSCTX_SERVER | CLSCTX_INPROC_HANDLER;

// A single-use registration serves one creation and is then withdrawn.
inline constexpr DWORD REGCLS_SINGLEUSE = 0;
inline constexpr DWORD REGCLS_MULTIPLEUSE = 1;

// Registers `factory` (which must answer IClassFactory) for the class in
// the contexts given; the registry keeps a reference until it is revoked.
// The calling thread must be initialised. With CLSCTX_LOCAL_SERVER the class
// is also served to the other processes of the session bus, its objects
// living on the calling thread (RemoteObjects.h).
HRESULT CoRegisterClassObject(REFCLSID clsid, IUnknown* factory, DWORD clsContext, DWORD flags,
                              DWORD* cookie);
// CO_E_OBJNOTREG for a cookie that names no registration.
HRESULT CoRevokeClassObject(DWORD cookie);

// Asks the factory registered for the class in one of the requested
// contexts for a new object; with CLSCTX_LOCAL_SERVER among them, a class
// that no factory of this process serves is asked of the process on the
// session bus that serves it, and the object comes as a proxy (for the
// interfaces with a registered marshaler, Marshal.h). CO_E_NOTINITIALIZED when the calling thread
// is not initialised, REGDB_E_CLASSNOTREG when no factory serves the
// class there, otherwise the factory's answer; *object is null on failure.
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD clsContext, REFIID riid,
                         void** object);
