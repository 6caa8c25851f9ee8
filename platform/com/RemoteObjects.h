// Component objects across processes, internal to the runtime. A class
// registered for local-server use is published on the session bus as
// "org.kolmira.Class.C<identifier>"; a process that does not serve the class
// itself creates its objects through the publisher, and gets a proxy whose
// interfaces call the real object on the thread that registered the class.
#pragma once

#include "platform/com/ComPtr.h"
#include "platform/com/ComRuntime.h"
#include "platform/com/Marshal.h"

// Publishes the class for the calling thread when the bus is there.
void PublishClass(REFCLSID clsid, DWORD cookie);
void WithdrawClass(DWORD cookie);
// REGDB_E_CLASSNOTREG when no process of the session serves the class.
HRESULT CreateRemoteInstance(REFCLSID clsid, REFIID riid, void** object);

// The runtime's side: the factory registered here for a class, if any.
TComPtr<IUnknown> LocalClassFactory(REFCLSID clsid, DWORD clsContext);
// Whether the interface has a marshaler, so that it can cross processes.
bool MarshalerKnown(REFIID iid);
// The interface's operations and proxies as registered; null when unknown.
std::shared_ptr<const TInterfaceMarshaler> InterfaceMarshaler(REFIID iid);
