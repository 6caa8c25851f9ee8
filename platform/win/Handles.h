// The process's table of kernel-object handles. A handle is a number that is
// never given out twice, so a closed handle stays invalid even when another
// object takes its place; the numbers fit the 32 bits that handles travel in
// across the automation boundary.
#pragma once

#include <memory>

#include "platform/win/WinTypes.h"

class THandleObject {
 public:
  virtual ~THandleObject();
};

HANDLE InsertHandle(std::shared_ptr<THandleObject> object);
std::shared_ptr<THandleObject> FindHandle(HANDLE handle);

template <class T>
std::shared_ptr<T> FindHandleOf(HANDLE handle) {
  return std::dynamic_pointer_cast<T>(FindHandle(handle));
}
