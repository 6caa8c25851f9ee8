// The root interfaces of the component object runtime. An interface is an
// abstract class whose virtual operations are its slots, in declaration
// order: no virtual destructor and no overloads, so that the table holds
// exactly these operations in exactly this order. Objects are freed by
// their own Release, never through an interface pointer.
#pragma once

#include "platform/com/ComBase.h"

inline constexpr IID IID_IUnknown = StringToGUID("{00000000-0000-0000-C000-000000000046}");
inline constexpr IID IID_IDispatch = StringToGUID("{00020400-0000-0000-C000-000000000046}");

class IUnknown {
 public:
  virtual HRESULT QueryInterface(REFIID riid, void** object) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  ~IUnknown() = default;
};

// Automation's own types appear in IDispatch's slots only by pointer; the
// units here bind to the interfaces' own slots and never look inside them.
class ITypeInfo;
struct DISPPARAMS;
struct VARIANT;
struct EXCEPINFO;

class IDispatch : public IUnknown {
 public:
  virtual HRESULT GetTypeInfoCount(UINT* count) = 0;
  virtual HRESULT GetTypeInfo(UINT index, LCID locale, ITypeInfo** typeInfo) = 0;
  virtual HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT nameCount, LCID locale,
                                DISPID* dispIds) = 0;
  virtual HRESULT Invoke(DISPID member, REFIID riid, LCID locale, WORD flags, DISPPARAMS* params,
                         VARIANT* result, EXCEPINFO* exceptionInfo, UINT* argumentError) = 0;

 protected:
  ~IDispatch() = default;
};
