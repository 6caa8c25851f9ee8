// The root object, components with their ownership and state, the generic
// pointer list, and the event type that almost every control uses.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/vcl/Method.h"
#include "platform/vcl/Set.h"
#include "platform/vcl/SysUtils.h"

// A list index or count out of range.
class EListError : public Exception {
 public:
  explicit EListError(std::string message);
  ~EListError() override;
};

// A component put where the ownership rules forbid it.
class EComponentError : public Exception {
 public:
  explicit EComponentError(std::string message);
  ~EComponentError() override;
};

class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject();
};

using TNotifyEvent = TMethod<void(TObject* Sender)>;

// A list of untyped pointers that keeps the order of adding.
class TList : public TObject {
 public:
  TList() = default;
  ~TList() override;

  std::int32_t Count() const { return static_cast<std::int32_t>(FItems.size()); }
  // Grows with null entries or drops entries from the end.
  void SetCount(std::int32_t count);

  void* Items(std::int32_t index) const;
  void SetItems(std::int32_t index, void* item);
  void* First() const { return Items(0); }
  void* Last() const { return Items(Count() - 1); }

  // Appends and returns the new entry's index.
  std::int32_t Add(void* item);
  void Insert(std::int32_t index, void* item);
  void Delete(std::int32_t index);
  // Removes the first entry equal to item; returns its former index, or -1.
  std::int32_t Remove(void* item);
  // The index of the first entry equal to item, or -1.
  std::int32_t IndexOf(void* item) const;
  void Clear() { FItems.clear(); }

 private:
  void CheckIndex(std::int32_t index) const;

  std::vector<void*> FItems;
};

enum TComponentStateItem { csLoading, csReading, csDesigning };
enum TOperation { opInsert, opRemove };
using TComponentState = TSet<TComponentStateItem>;

// A component is freed together with its owner: the owner deletes the
// components it owns, the last inserted first. A component deleted earlier
// leaves its owner's list, so nothing is freed twice. An unowned component
// belongs to whoever created it. A component that keeps a pointer to one it
// does not own asks for a free notification, so that it hears when that one
// is freed by its owner.
class TComponent : public TObject {
 public:
  explicit TComponent(TComponent* AOwner);
  ~TComponent() override;

  TComponent* Owner() const { return FOwner; }
  std::int32_t ComponentCount() const { return static_cast<std::int32_t>(FComponents.size()); }
  TComponent* Components(std::int32_t index) const;

  // Takes ownership of a component, taking it from its former owner; a
  // designing owner makes the component designing too. Raises
  // EComponentError if that would make a component own itself.
  void InsertComponent(TComponent* AComponent);
  // Gives up ownership; the caller then owns the component.
  void RemoveComponent(TComponent* AComponent);

  std::int32_t Tag() const { return FTag; }
  void SetTag(std::int32_t value) { FTag = value; }

  TComponentState ComponentState() const { return FComponentState; }
  // Marks this component and those it owns as being designed.
  void SetDesigning(bool value);

  // Called once the component's stored properties have been read; the
  // component leaves the loading state here.
  virtual void Loaded();

  // Whichever of this component and AComponent is freed first, the other
  // one's Notification hears it with opRemove. Asking twice is asking once.
  void FreeNotification(TComponent* AComponent);
  void RemoveFreeNotification(TComponent* AComponent);

 protected:
  // Hears that AComponent is being freed (opRemove); AComponent's own
  // destructor has already run by then. Does nothing here.
  virtual void Notification(TComponent* AComponent, TOperation Operation);

 public:
  // Reads a component as the component library's form reader does: while
  // `readProperties` runs the component is loading and reading; then it
  // stops reading and `Loaded` is called.
  friend void ReadComponent(TComponent& component, const std::function<void()>& readProperties);

 private:
  bool IsOwnedBy(const TComponent* candidate) const;
  void DestroyComponents();

  void NotifyFreed();

  TComponent* FOwner = nullptr;
  std::vector<TComponent*> FComponents;
  std::vector<TComponent*> FFreeNotifies;
  TComponentState FComponentState;
  std::int32_t FTag = 0;
};

void ReadComponent(TComponent& component, const std::function<void()>& readProperties);
