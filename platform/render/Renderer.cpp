#include "platform/render/Renderer.h"

#include "platform/render/PaintList.h"

void PaintControl(const TControl& root, TFrame& frame) {
  const TPaintArea whole{0, 0, frame.Width, frame.Height};
  TPaintList(root, whole).Paint(frame, whole, TPaintList::TUnpainted::Keep);
}

TFrame RenderControl(const TControl& root) {
  TFrame frame(root.Width(), root.Height());
  PaintControl(root, frame);
  return frame;
}
