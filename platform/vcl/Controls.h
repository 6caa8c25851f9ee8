// Controls: rectangles with a parent, a colour and click events. Controls
// paint nothing themselves; platform/render paints a tree of them.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/vcl/Classes.h"
#include "platform/vcl/Graphics.h"
#include "platform/vcl/Types.h"

// An operation that the control's state does not allow.
class EInvalidOperation : public Exception {
 public:
  explicit EInvalidOperation(std::string message);
  ~EInvalidOperation() override;
};

// A mouse cursor: the platform's stock cursors are negative, numbers from
// 1 up are the application's own.
using TCursor = std::int16_t;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crHandPoint = -21;

class TWinControl;

// Parent and owner are independent: the owner frees the control, the
// parent shows it. A control leaves its parent's list when it is deleted.
class TControl : public TComponent {
 public:
  explicit TControl(TComponent* AOwner);
  ~TControl() override;

  TWinControl* Parent() const { return FParent; }
  // Appends the control to the new parent's children (last, so on top);
  // null takes it out of any. Raises EInvalidOperation when the new parent
  // is the control itself or lies inside it.
  void SetParent(TWinControl* value);

  std::int32_t Left() const { return FLeft; }
  std::int32_t Top() const { return FTop; }
  std::int32_t Width() const { return FWidth; }
  std::int32_t Height() const { return FHeight; }
  void SetLeft(std::int32_t value) { SetBounds(value, FTop, FWidth, FHeight); }
  void SetTop(std::int32_t value) { SetBounds(FLeft, value, FWidth, FHeight); }
  void SetWidth(std::int32_t value) { SetBounds(FLeft, FTop, value, FHeight); }
  void SetHeight(std::int32_t value) { SetBounds(FLeft, FTop, FWidth, value); }
  void SetBounds(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height);
  // In the parent's client coordinates.
  TRect BoundsRect() const { return Bounds(FLeft, FTop, FWidth, FHeight); }

  bool Visible() const { return FVisible; }
  void SetVisible(bool value);
  TColor Color() const { return FColor; }
  void SetColor(TColor value);
  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor value) { FCursor = value; }
  const std::string& Hint() const { return FHint; }
  void SetHint(const std::string& value) { FHint = value; }
  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool value) { FShowHint = value; }

  // Raise OnClick / OnDblClick with this control as sender, if assigned.
  virtual void Click();
  virtual void DblClick();

  // Asks for a repaint: counts on this control and on every control it
  // lies in, so that whoever paints the window sees that something in it
  // changed. Changes of bounds, visibility and colour ask by themselves.
  void Invalidate();
  std::uint64_t RepaintRequests() const { return FRepaintRequests; }
  // Names the control's look and everything inside it: takes a new value
  // with every repaint asked for in it, and never one that any control of
  // the process has had before, so that equal stamps mean nothing changed.
  std::uint64_t PaintStamp() const { return FPaintStamp; }

  // What the control shows of itself when its tree is painted: nothing, a
  // rectangle of its colour, a panel, or an image's picture.
  enum class TLook : std::uint8_t { Nothing, Fill, Panel, Image };
  virtual TLook Look() const { return TLook::Nothing; }
  // The control as a holder of children; null when it holds none.
  virtual const TWinControl* AsWinControl() const { return nullptr; }

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;

 private:
  friend class TWinControl;

  TWinControl* FParent = nullptr;
  // Where the control lies in its parent's list of children.
  std::size_t FIndexInParent = 0;
  std::uint64_t FPaintStamp;
  std::int32_t FLeft = 0;
  std::int32_t FTop = 0;
  std::int32_t FWidth = 0;
  std::int32_t FHeight = 0;
  bool FVisible = true;
  TColor FColor = clWindow;
  TCursor FCursor = crDefault;
  std::string FHint;
  bool FShowHint = false;
  std::uint64_t FRepaintRequests = 0;
};

// A control that holds child controls, in the order they were put in: a
// later child lies above an earlier one. When it is deleted its children
// are left without a parent; their owners still free them.
class TWinControl : public TControl {
 public:
  explicit TWinControl(TComponent* AOwner);
  ~TWinControl() override;

  std::int32_t ControlCount() const { return static_cast<std::int32_t>(FControls.size()); }
  TControl* Controls(std::int32_t index) const;
  // The children's paint stamps, kept here as well so that a look through
  // many children for the few that changed reads one array.
  std::span<const std::uint64_t> ChildPaintStamps() const { return FChildStamps; }
  std::span<TControl* const> ControlList() const { return FControls; }
  // Whether control is this one or lies, at any depth, inside it.
  bool ContainsControl(const TControl* control) const;

  TLook Look() const override { return TLook::Fill; }
  const TWinControl* AsWinControl() const override { return this; }

 private:
  friend class TControl;
  void InsertControl(TControl* control);
  void RemoveControl(TControl* control);

  std::vector<TControl*> FControls;
  std::vector<std::uint64_t> FChildStamps;
};
