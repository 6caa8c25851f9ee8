// A method pointer: an object together with one of its methods, as the
// component library's events and window procedures are. An unassigned
// method is empty and must not be called.
#pragma once

#include <functional>
#include <utility>

template <typename Signature>
class TMethod;

template <typename Result, typename... Args>
class TMethod<Result(Args...)> {
 public:
  TMethod() = default;

  template <class T>
  TMethod(T* object, Result (T::*method)(Args...))
      : FData(object), FCode([object, method](Args... args) -> Result {
          return (object->*method)(std::forward<Args>(args)...);
        }) {}

  bool Assigned() const { return static_cast<bool>(FCode); }

  // The object the method belongs to, or null when unassigned.
  const void* Data() const { return FData; }

  Result operator()(Args... args) const { return FCode(std::forward<Args>(args)...); }

 private:
  const void* FData = nullptr;
  std::function<Result(Args...)> FCode;
};
