#include "platform/vcl/Controls.h"

#include <algorithm>
#include <utility>

EInvalidOperation::EInvalidOperation(std::string message) : Exception(std::move(message)) {}
EInvalidOperation::~EInvalidOperation() = default;

// --- TControl ----------------------------------------------------------------

TControl::TControl(TComponent* AOwner) : TComponent(AOwner) {}

TControl::~TControl() { SetParent(nullptr); }

void TControl::SetParent(TWinControl* value) {
  if (value == FParent) return;
  for (const TControl* c = value; c != nullptr; c = c->FParent) {
    if (c == this)
      throw EInvalidOperation("A control cannot have itself or its child as its parent");
  }
  if (FParent != nullptr) {
    FParent->Invalidate();
    FParent->RemoveControl(this);
  }
  if (value != nullptr) {
    value->InsertControl(this);
    Invalidate();
  }
}

void TControl::SetBounds(std::int32_t left, std::int32_t top, std::int32_t width,
                         std::int32_t height) {
  if (left == FLeft && top == FTop && width == FWidth && height == FHeight) return;
  if (FParent != nullptr) FParent->Invalidate();
  FLeft = left;
  FTop = top;
  FWidth = width;
  FHeight = height;
  Invalidate();
}

void TControl::SetVisible(bool value) {
  if (value == FVisible) return;
  FVisible = value;
  Invalidate();
}

void TControl::SetColor(TColor value) {
  if (value == FColor) return;
  FColor = value;
  Invalidate();
}

void TControl::Click() {
  if (OnClick.Assigned()) OnClick(this);
}

void TControl::DblClick() {
  if (OnDblClick.Assigned()) OnDblClick(this);
}

void TControl::Invalidate() {
  for (TControl* control = this; control != nullptr; control = control->FParent) {
    ++control->FRepaintRequests;
  }
}

// --- TWinControl -------------------------------------------------------------

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {}

TWinControl::~TWinControl() {
  for (TControl* child : FControls) child->FParent = nullptr;
  FControls.clear();
}

TControl* TWinControl::Controls(std::int32_t index) const {
  if (index < 0 || index >= ControlCount()) {
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  }
  return FControls[static_cast<std::size_t>(index)];
}

bool TWinControl::ContainsControl(const TControl* control) const {
  for (const TControl* c = control; c != nullptr; c = c->Parent()) {
    if (c == this) return true;
  }
  return false;
}

void TWinControl::InsertControl(TControl* control) {
  FControls.push_back(control);
  control->FParent = this;
}

void TWinControl::RemoveControl(TControl* control) {
  const auto found = std::find(FControls.begin(), FControls.end(), control);
  if (found != FControls.end()) FControls.erase(found);
  control->FParent = nullptr;
}
