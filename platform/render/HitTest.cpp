#include "platform/render/HitTest.h"

namespace {

bool Inside(const TControl& control, std::int64_t x, std::int64_t y) {
  return x >= 0 && y >= 0 && x < control.Width() && y < control.Height();
}

// (x, y) lies inside control, in its own coordinates.
TControl* TopmostAt(TControl& control, std::int64_t x, std::int64_t y) {
  auto* parent = dynamic_cast<TWinControl*>(&control);
  if (parent == nullptr) return &control;
  for (std::int32_t i = parent->ControlCount() - 1; i >= 0; --i) {
    TControl& child = *parent->Controls(i);
    const std::int64_t childX = x - child.Left();
    const std::int64_t childY = y - child.Top();
    if (child.Visible() && Inside(child, childX, childY)) return TopmostAt(child, childX, childY);
  }
  return &control;
}

}  // namespace

TControl* HitTest(TControl& root, std::int64_t x, std::int64_t y) {
  if (!root.Visible() || !Inside(root, x, y)) return nullptr;
  return TopmostAt(root, x, y);
}

TControl* ClickAt(TControl& root, std::int64_t x, std::int64_t y) {
  TControl* target = HitTest(root, x, y);
  if (target != nullptr) target->Click();
  return target;
}

TControl* DblClickAt(TControl& root, std::int64_t x, std::int64_t y) {
  TControl* target = HitTest(root, x, y);
  if (target != nullptr) target->DblClick();
  return target;
}
