#include "platform/vcl/Controls.h"

#include <atomic>
#include <utility>

EInvalidOperation::EInvalidOperation(std::string message) : Exception(std::move(message)) {}
EInvalidOperation::~EInvalidOperation() = default;

// --- TControl ----------------------------------------------------------------

namespace {

std::uint64_t NewPaintStamp() {
  static std::atomic<std::uint64_t> last{0};
  return last.fetch_add(1, std::memory_order_relaxed) + 1;
}

}  // namespace

TControl::TControl(TComponent* AOwner) : TComponent(AOwner), FPaintStamp(NewPaintStamp()) {}

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
  const std::uint64_t stamp = NewPaintStamp();
  for (TControl* control = this; control != nullptr; control = control->FParent) {
    ++control->FRepaintRequests;
    control->FPaintStamp = stamp;
    if (control->FParent != nullptr) control->FParent->FChildStamps[control->FIndexInParent] = stamp;
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
  control->FIndexInParent = FControls.size();
  FControls.push_back(control);
  FChildStamps.push_back(control->FPaintStamp);
  control->FParent = this;
}

void TWinControl::RemoveControl(TControl* control) {
  const std::size_t index = control->FIndexInParent;
  const auto at = static_cast<std::ptrdiff_t>(index);
  FControls.erase(FControls.begin() + at);
  FChildStamps.erase(FChildStamps.begin() + at);
  for (std::size_t i = index; i < FControls.size(); ++i) FControls[i]->FIndexInParent = i;
  control->FParent = nullptr;
}
