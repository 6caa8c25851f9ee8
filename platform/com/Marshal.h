// Interfaces across processes. An interface that is to reach another
// process registers a marshaler: its identifier, its operations (each with
// its name and a stub that runs it on the real object) and a maker of
// proxies. Stubs and proxies are written once, here, for every operation
// whose values are longs, VARIANT_BOOLs, BSTRs and 32-bit enumerations, in
// or out; a library describes its interfaces and gets both from templates.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/com/Bstr.h"
#include "platform/com/Unknown.h"

// The values of one call or one reply, in order.
class TMarshalWriter {
 public:
  virtual void PutLong(LONG value) = 0;
  virtual void PutBool(VARIANT_BOOL value) = 0;
  // All of its characters; a null BSTR travels as the empty string.
  virtual void PutText(BSTR value) = 0;

 protected:
  ~TMarshalWriter() = default;
};

class TMarshalReader {
 public:
  virtual LONG GetLong() = 0;
  virtual VARIANT_BOOL GetBool() = 0;
  // A new BSTR that the caller owns.
  virtual BSTR GetText() = 0;

 protected:
  ~TMarshalReader() = default;
};

// What a proxy calls through: the operation's in-values are written by
// `in`, and, when the call reached the object, its out-values are read by
// `out`. The result is the object's HRESULT, or RPC_E_DISCONNECTED when the
// object could not be reached (its out-values are then left alone).
class TRemoteChannel {
 public:
  virtual HRESULT Call(const char* operation, const std::function<void(TMarshalWriter&)>& in,
                       const std::function<void(TMarshalReader&)>& out) = 0;

 protected:
  ~TRemoteChannel() = default;
};

// An interface proxy: the interface's slots over a channel, its IUnknown
// those of the object it stands for.
class TInterfaceProxy {
 public:
  virtual ~TInterfaceProxy() = default;
  // The interface pointer, as QueryInterface hands it out.
  virtual void* Interface() = 0;
};

using TStubFunction = HRESULT (*)(void* intf, TMarshalReader& in, TMarshalWriter& out);

struct TRemoteOperation {
  std::string Name;
  // The values' types on the bus, in and out.
  std::string InSignature;
  std::string OutSignature;
  TStubFunction Stub;
};

struct TInterfaceMarshaler {
  IID Iid;
  std::vector<TRemoteOperation> Operations;
  std::function<std::unique_ptr<TInterfaceProxy>(IUnknown& object, TRemoteChannel& channel)>
      MakeProxy;
};

// Makes the interface reachable across processes; registering it again
// changes nothing.
void CoRegisterInterfaceMarshaler(TInterfaceMarshaler marshaler);

// ---- Stubs and proxies from an operation's type ----------------------------

namespace com_marshal {

template <class P>
struct TSlot;

template <>
struct TSlot<LONG> {
  static constexpr const char* In = "i";
  static constexpr const char* Out = "";
  LONG Value = 0;
  void Read(TMarshalReader& in) { Value = in.GetLong(); }
  LONG Arg() { return Value; }
  void Write(TMarshalWriter&) {}
};

template <>
struct TSlot<LONG*> {
  static constexpr const char* In = "";
  static constexpr const char* Out = "i";
  LONG Value = 0;
  void Read(TMarshalReader&) {}
  LONG* Arg() { return &Value; }
  void Write(TMarshalWriter& out) { out.PutLong(Value); }
};

template <>
struct TSlot<VARIANT_BOOL> {
  static constexpr const char* In = "n";
  static constexpr const char* Out = "";
  VARIANT_BOOL Value = 0;
  void Read(TMarshalReader& in) { Value = in.GetBool(); }
  VARIANT_BOOL Arg() { return Value; }
  void Write(TMarshalWriter&) {}
};

template <>
struct TSlot<VARIANT_BOOL*> {
  static constexpr const char* In = "";
  static constexpr const char* Out = "n";
  VARIANT_BOOL Value = 0;
  void Read(TMarshalReader&) {}
  VARIANT_BOOL* Arg() { return &Value; }
  void Write(TMarshalWriter& out) { out.PutBool(Value); }
};

template <>
struct TSlot<BSTR> {
  static constexpr const char* In = "aq";
  static constexpr const char* Out = "";
  TBstr Value;
  void Read(TMarshalReader& in) { Value = TBstr(in.GetText()); }
  BSTR Arg() { return Value.Get(); }
  void Write(TMarshalWriter&) {}
};

template <>
struct TSlot<BSTR*> {
  static constexpr const char* In = "";
  static constexpr const char* Out = "aq";
  TBstr Value;
  void Read(TMarshalReader&) {}
  BSTR* Arg() { return Value.Put(); }
  void Write(TMarshalWriter& out) { out.PutText(Value.Get()); }
};

template <class E>
requires std::is_enum_v<E>
struct TSlot<E> {
  static_assert(sizeof(E) == sizeof(LONG));
  static constexpr const char* In = "i";
  static constexpr const char* Out = "";
  E Value{};
  void Read(TMarshalReader& in) { Value = static_cast<E>(in.GetLong()); }
  E Arg() { return Value; }
  void Write(TMarshalWriter&) {}
};

template <class E>
requires std::is_enum_v<E>
struct TSlot<E*> {
  static_assert(sizeof(E) == sizeof(LONG));
  static constexpr const char* In = "";
  static constexpr const char* Out = "i";
  E Value{};
  void Read(TMarshalReader&) {}
  E* Arg() { return &Value; }
  void Write(TMarshalWriter& out) { out.PutLong(static_cast<LONG>(Value)); }
};

// The server's side: the in-values read in order, the operation called on
// the real interface, then its HRESULT and every out-value, whatever the
// result, so that the caller sees what the object left in them.
template <class I, class... P>
HRESULT RunStub(HRESULT (I::*operation)(P...), void* intf, TMarshalReader& in,
                TMarshalWriter& out) {
  std::tuple<TSlot<P>...> slots;
  std::apply([&](auto&... slot) { (slot.Read(in), ...); }, slots);
  const HRESULT result = std::apply(
      [&](auto&... slot) { return (static_cast<I*>(intf)->*operation)(slot.Arg()...); }, slots);
  out.PutLong(result);
  std::apply([&](auto&... slot) { (slot.Write(out), ...); }, slots);
  return result;
}

template <auto Operation>
HRESULT StubOf(void* intf, TMarshalReader& in, TMarshalWriter& out) {
  return RunStub(Operation, intf, in, out);
}

template <class I, class... P>
TRemoteOperation DescribeOperation(const char* name, HRESULT (I::*)(P...), TStubFunction stub) {
  return TRemoteOperation{name, (std::string(TSlot<P>::In) + ... + std::string()),
                          (std::string(TSlot<P>::Out) + ... + std::string()), stub};
}

// The client's side of one value.
inline void PutIn(TMarshalWriter& out, LONG value) { out.PutLong(value); }
inline void PutIn(TMarshalWriter& out, VARIANT_BOOL value) { out.PutBool(value); }
inline void PutIn(TMarshalWriter& out, BSTR value) { out.PutText(value); }
template <class E>
requires std::is_enum_v<E>
void PutIn(TMarshalWriter& out, E value) { out.PutLong(static_cast<LONG>(value)); }
template <class T>
void PutIn(TMarshalWriter&, T*) {}

template <class T>
requires(!std::is_pointer_v<T>) void TakeOut(TMarshalReader&, T) {}
// A BSTR is a pointer too, but an in-value.
inline void TakeOut(TMarshalReader&, BSTR) {}
inline void TakeOut(TMarshalReader& in, LONG* value) {
  const LONG read = in.GetLong();
  if (value != nullptr) *value = read;
}
inline void TakeOut(TMarshalReader& in, VARIANT_BOOL* value) {
  const VARIANT_BOOL read = in.GetBool();
  if (value != nullptr) *value = read;
}
inline void TakeOut(TMarshalReader& in, BSTR* value) {
  TBstr read(in.GetText());
  if (value != nullptr) *value = read.Detach();
}
template <class E>
requires std::is_enum_v<E>
void TakeOut(TMarshalReader& in, E* value) {
  const LONG read = in.GetLong();
  if (value != nullptr) *value = static_cast<E>(read);
}

template <class... A>
HRESULT ProxyCall(TRemoteChannel& channel, const char* operation, A... values) {
  return channel.Call(
      operation, [&](TMarshalWriter& out) { (PutIn(out, values), ...); },
      [&](TMarshalReader& in) { (TakeOut(in, values), ...); });
}

// The IUnknown and IDispatch slots of an interface proxy: identity and
// counting are the object's, and dispatch is not offered across processes.
template <class I>
class TProxyOf : public I, public TInterfaceProxy {
 public:
  TProxyOf(IUnknown& object, TRemoteChannel& channel) : FObject(object), FChannel(channel) {}
  void* Interface() override { return static_cast<I*>(this); }

  HRESULT QueryInterface(REFIID riid, void** object) override {
    return FObject.QueryInterface(riid, object);
  }
  ULONG AddRef() override { return FObject.AddRef(); }
  ULONG Release() override { return FObject.Release(); }
  HRESULT GetTypeInfoCount(UINT* count) override {
    if (count != nullptr) *count = 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }

 protected:
  TRemoteChannel& Channel() { return FChannel; }

 private:
  IUnknown& FObject;
  TRemoteChannel& FChannel;
};

}  // namespace com_marshal
