// Keeps a frame painted from a control tree, painting again only where the
// tree's picture changed since the last time, and telling where that was.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/render/Frame.h"
#include "platform/render/PaintList.h"
#include "platform/vcl/Controls.h"

// A frame as it was last painted, and where it changed with that paint.
struct TFrameUpdate {
  const TFrame& Frame;
  // Names this paint among all paints of the process; 0 for a frame that
  // does not come from a repainter.
  std::uint64_t Serial = 0;
  // The paint that the changes are counted from; 0 when there was none.
  std::uint64_t PreviousSerial = 0;
  // Outside these areas the pixels are those of paint PreviousSerial.
  std::span<const TRect> Changed;
};

class TRepainter {
 public:
  // Brings the frame up to root's present look: the same size as root,
  // transparent black where root paints nothing.
  void Paint(const TControl& root);

  const TFrame& Frame() const { return FFrame; }
  TFrameUpdate Update() const { return {FFrame, FSerial, FPreviousSerial, FChanged}; }
  // How many times Paint ran.
  std::uint64_t Paints() const { return FPaints; }

 private:
  TFrame FFrame;
  // The list of the last paint, brought up to date by the next one where
  // the tree kept its shape; the spare is made anew where it did not. Both
  // are kept between paints so that their room is reused.
  TPaintList FList;
  TPaintList FSpare;
  std::vector<TPaintArea> FAreas;
  bool FPainted = false;
  std::vector<TRect> FChanged;
  std::uint64_t FSerial = 0;
  std::uint64_t FPreviousSerial = 0;
  std::uint64_t FPaints = 0;
};
