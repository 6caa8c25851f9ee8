#include "platform/vcl/Classes.h"

#include <algorithm>
#include <string>

EListError::EListError(std::string message) : Exception(std::move(message)) {}
EListError::~EListError() = default;

EComponentError::EComponentError(std::string message) : Exception(std::move(message)) {}
EComponentError::~EComponentError() = default;

TObject::~TObject() = default;

// --- TList -------------------------------------------------------------------

TList::~TList() = default;

void TList::CheckIndex(std::int32_t index) const {
  if (index < 0 || index >= Count()) {
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  }
}

void TList::SetCount(std::int32_t count) {
  if (count < 0) throw EListError("List count out of bounds (" + std::to_string(count) + ")");
  FItems.resize(static_cast<std::size_t>(count), nullptr);
}

void* TList::Items(std::int32_t index) const {
  CheckIndex(index);
  return FItems[static_cast<std::size_t>(index)];
}

void TList::SetItems(std::int32_t index, void* item) {
  CheckIndex(index);
  FItems[static_cast<std::size_t>(index)] = item;
}

std::int32_t TList::Add(void* item) {
  FItems.push_back(item);
  return Count() - 1;
}

void TList::Insert(std::int32_t index, void* item) {
  if (index < 0 || index > Count()) {
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  }
  FItems.insert(FItems.begin() + index, item);
}

void TList::Delete(std::int32_t index) {
  CheckIndex(index);
  FItems.erase(FItems.begin() + index);
}

std::int32_t TList::Remove(void* item) {
  const std::int32_t index = IndexOf(item);
  if (index >= 0) Delete(index);
  return index;
}

std::int32_t TList::IndexOf(void* item) const {
  const auto found = std::find(FItems.begin(), FItems.end(), item);
  return found == FItems.end() ? -1 : static_cast<std::int32_t>(found - FItems.begin());
}

// --- TComponent --------------------------------------------------------------

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner != nullptr) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
  NotifyFreed();
  DestroyComponents();
  if (FOwner != nullptr) FOwner->RemoveComponent(this);
}

void TComponent::NotifyFreed() {
  while (!FFreeNotifies.empty()) {
    TComponent* other = FFreeNotifies.back();
    FFreeNotifies.pop_back();
    std::erase(other->FFreeNotifies, this);
    other->Notification(this, opRemove);
  }
}

void TComponent::FreeNotification(TComponent* AComponent) {
  if (AComponent == nullptr || AComponent == this) return;
  if (std::ranges::find(FFreeNotifies, AComponent) != FFreeNotifies.end()) return;
  FFreeNotifies.push_back(AComponent);
  AComponent->FFreeNotifies.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
  if (AComponent == nullptr) return;
  std::erase(FFreeNotifies, AComponent);
  std::erase(AComponent->FFreeNotifies, this);
}

void TComponent::Notification(TComponent*, TOperation) {}

void TComponent::DestroyComponents() {
  while (!FComponents.empty()) {
    TComponent* last = FComponents.back();
    FComponents.pop_back();
    last->FOwner = nullptr;
    delete last;
  }
}

TComponent* TComponent::Components(std::int32_t index) const {
  if (index < 0 || index >= ComponentCount()) {
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  }
  return FComponents[static_cast<std::size_t>(index)];
}

bool TComponent::IsOwnedBy(const TComponent* candidate) const {
  for (const TComponent* owner = FOwner; owner != nullptr; owner = owner->FOwner) {
    if (owner == candidate) return true;
  }
  return false;
}

void TComponent::InsertComponent(TComponent* AComponent) {
  if (AComponent == nullptr || AComponent->FOwner == this) return;
  if (AComponent == this || IsOwnedBy(AComponent)) {
    throw EComponentError("A component cannot own itself");
  }
  if (AComponent->FOwner != nullptr) AComponent->FOwner->RemoveComponent(AComponent);
  FComponents.push_back(AComponent);
  AComponent->FOwner = this;
  if (FComponentState.Contains(csDesigning)) AComponent->SetDesigning(true);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
  const auto found = std::find(FComponents.begin(), FComponents.end(), AComponent);
  if (found == FComponents.end()) return;
  FComponents.erase(found);
  AComponent->FOwner = nullptr;
}

void TComponent::SetDesigning(bool value) {
  if (value) {
    FComponentState.Include(csDesigning);
  } else {
    FComponentState.Exclude(csDesigning);
  }
  for (TComponent* owned : FComponents) owned->SetDesigning(value);
}

void TComponent::Loaded() { FComponentState.Exclude(csLoading); }

void ReadComponent(TComponent& component, const std::function<void()>& readProperties) {
  component.FComponentState.Include(csLoading).Include(csReading);
  try {
    readProperties();
  } catch (...) {
    component.FComponentState.Exclude(csReading);
    throw;
  }
  component.FComponentState.Exclude(csReading);
  component.Loaded();
}
