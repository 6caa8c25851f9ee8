#include "platform/win/Handles.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <utility>

#include "platform/win/Windows.h"

THandleObject::~THandleObject() = default;

namespace {

class THandleTable {
 public:
  HANDLE Insert(std::shared_ptr<THandleObject> object) {
    std::lock_guard lock(FLock);
    FNextId += 4;
    FObjects.emplace(FNextId, std::move(object));
    return reinterpret_cast<HANDLE>(FNextId);
  }

  std::shared_ptr<THandleObject> Find(HANDLE handle) {
    std::lock_guard lock(FLock);
    const auto found = FObjects.find(reinterpret_cast<std::uintptr_t>(handle));
    return found == FObjects.end() ? nullptr : found->second;
  }

  // The object is released outside the lock: its destructor may take locks
  // of its own.
  std::shared_ptr<THandleObject> Remove(HANDLE handle) {
    std::lock_guard lock(FLock);
    const auto found = FObjects.find(reinterpret_cast<std::uintptr_t>(handle));
    if (found == FObjects.end()) return nullptr;
    std::shared_ptr<THandleObject> object = std::move(found->second);
    FObjects.erase(found);
    return object;
  }

 private:
  std::mutex FLock;
  std::uintptr_t FNextId = 0;
  std::map<std::uintptr_t, std::shared_ptr<THandleObject>> FObjects;
};

THandleTable& Table() {
  static THandleTable table;
  return table;
}

}  // namespace

HANDLE InsertHandle(std::shared_ptr<THandleObject> object) {
  return Table().Insert(std::move(object));
}

std::shared_ptr<THandleObject> FindHandle(HANDLE handle) { return Table().Find(handle); }

BOOL CloseHandle(HANDLE object) {
  if (!Table().Remove(object)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}
