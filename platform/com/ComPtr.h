// An owning holder of one interface reference: it releases what it holds
// when it lets go, and adds a reference for every copy.
#pragma once

#include <utility>

#include "platform/com/Unknown.h"

template <class I>
class TComPtr {
 public:
  TComPtr() = default;
  TComPtr(std::nullptr_t) {}

  // Takes a reference of its own to `object`.
  explicit TComPtr(I* object) : FObject(object) {
    if (FObject != nullptr) FObject->AddRef();
  }

  TComPtr(const TComPtr& other) : TComPtr(other.FObject) {}
  TComPtr(TComPtr&& other) noexcept : FObject(std::exchange(other.FObject, nullptr)) {}

  TComPtr& operator=(const TComPtr& other) {
    TComPtr(other).Swap(*this);
    return *this;
  }

  TComPtr& operator=(TComPtr&& other) noexcept {
    TComPtr(std::move(other)).Swap(*this);
    return *this;
  }

  ~TComPtr() { Reset(); }

  // Adopts a reference that the caller already owns.
  static TComPtr Adopt(I* object) {
    TComPtr holder;
    holder.FObject = object;
    return holder;
  }

  // Gives up the reference without releasing it; the caller now owns it.
  I* Detach() { return std::exchange(FObject, nullptr); }

  void Reset() {
    if (I* object = std::exchange(FObject, nullptr)) object->Release();
  }

  I* Get() const { return FObject; }
  I* operator->() const { return FObject; }
  explicit operator bool() const { return FObject != nullptr; }

  // Releases what is held and gives the address to receive a new reference,
  // for out-parameters of type I**.
  I** Put() {
    Reset();
    return &FObject;
  }

  // As Put, for out-parameters of type void** (CoCreateInstance,
  // QueryInterface): the callee stores an I* converted to void*.
  class TVoidOut {
   public:
    explicit TVoidOut(TComPtr& owner) : FOwner(owner) {}
    TVoidOut(const TVoidOut&) = delete;
    TVoidOut& operator=(const TVoidOut&) = delete;
    ~TVoidOut() { FOwner.FObject = static_cast<I*>(FRaw); }
    operator void**() { return &FRaw; }

   private:
    TComPtr& FOwner;
    void* FRaw = nullptr;
  };

  TVoidOut PutVoid() {
    Reset();
    return TVoidOut(*this);
  }

  // Asks the held object for another of its interfaces.
  template <class J>
  HRESULT QueryInterface(REFIID iid, TComPtr<J>& result) const {
    if (FObject == nullptr) return E_POINTER;
    TComPtr<J> answer;
    const HRESULT hr = FObject->QueryInterface(iid, answer.PutVoid());
    result = std::move(answer);
    return hr;
  }

  void Swap(TComPtr& other) noexcept { std::swap(FObject, other.FObject); }

  friend bool operator==(const TComPtr& left, const TComPtr& right) {
    return left.FObject == right.FObject;
  }
  friend bool operator==(const TComPtr& left, std::nullptr_t) { return left.FObject == nullptr; }

 private:
  I* FObject = nullptr;
};
