// Objects for the runtime's tests: each counts its live instances, so a
// test can see that every reference taken was released.
#pragma once

#include <atomic>

#include "platform/com/ComPtr.h"
#include "platform/com/ComRuntime.h"

inline constexpr IID IID_ICounter = StringToGUID("{6A1F3C2E-0B7D-4E59-9C21-3D5E8F7A0B14}");
inline constexpr IID IID_IUnsupported = StringToGUID("{6A1F3C2E-0B7D-4E59-9C21-3D5E8F7A0B15}");
inline constexpr CLSID CLSID_Counter = StringToGUID("{6A1F3C2E-0B7D-4E59-9C21-3D5E8F7A0B16}");

class ICounter : public IUnknown {
 public:
  virtual HRESULT Increment(LONG* value) = 0;

 protected:
  ~ICounter() = default;
};

// A reference-counted object that frees itself on its last Release.
template <class Interface>
class TCountedObject : public Interface {
 public:
  static inline std::atomic<int> Live{0};

  ULONG AddRef() override { return ++FReferences; }

  ULONG Release() override {
    const ULONG remaining = --FReferences;
    if (remaining == 0) delete this;
    return remaining;
  }

  ULONG References() const { return FReferences; }

 protected:
  TCountedObject() { ++Live; }
  virtual ~TCountedObject() { --Live; }

  template <class Self>
  HRESULT Answer(Self* self, void** object) {
    *object = self;
    AddRef();
    return S_OK;
  }

 private:
  std::atomic<ULONG> FReferences{1};
};

class TCounter final : public TCountedObject<ICounter> {
 public:
  // The new object's one reference belongs to the holder.
  static TComPtr<ICounter> Create() { return TComPtr<ICounter>::Adopt(new TCounter); }

  HRESULT QueryInterface(REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (riid == IID_IUnknown || riid == IID_ICounter)
      return Answer(static_cast<ICounter*>(this), object);
    return E_NOINTERFACE;
  }

  HRESULT Increment(LONG* value) override {
    *value = ++FValue;
    return S_OK;
  }

 private:
  TCounter() = default;
  LONG FValue = 0;
};

class TCounterFactory final : public TCountedObject<IClassFactory> {
 public:
  static TComPtr<IClassFactory> Create() {
    return TComPtr<IClassFactory>::Adopt(new TCounterFactory);
  }

  HRESULT QueryInterface(REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (riid == IID_IUnknown || riid == IID_IClassFactory)
      return Answer(static_cast<IClassFactory*>(this), object);
    return E_NOINTERFACE;
  }

  HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    return TCounter::Create()->QueryInterface(riid, object);
  }

  HRESULT LockServer(BOOL) override { return S_OK; }

 private:
  TCounterFactory() = default;
};
