#pragma once

#include "ui/controls/container.h"

namespace ui {

// Places its children side by side, left to right: fixed widths first, the rest shared among
// the children without a fixed width, the last of them taking what integer division leaves over.
// With "sepwidth" the layout has a band along its right (positive) or left (negative) edge that
// the user drags to change the layout's width.
class HorizontalLayout : public Container {
 public:
  HorizontalLayout();

  const wchar_t* GetClassName() const override;
  void* CastTo(std::wstring_view interfaceName) override;
  uint32_t GetFlags() const override;
  void SetRect(const RECT& rect, bool invalidate) override;
  void OnEvent(ControlEvent& event) override;
  void SetAttribute(std::wstring_view name, std::wstring_view value) override;
  void PaintAfter(HDC dc) override;

  virtual int GetSeparatorWidth() const;
  virtual void SetSeparatorWidth(int width);
  virtual bool IsSeparatorImmediate() const;
  virtual void SetSeparatorImmediate(bool immediate);

  // The draggable band of base (the layout's rectangle, or the drag rectangle while dragging).
  RECT SeparatorBand(const RECT& base) const;
  bool IsDragging() const { return (dragState_ & kDragging) != 0; }

 protected:
  static constexpr uint32_t kDragging = 0x40;

  // Moves the dragged edge after a mouse move of dx.
  void DragSeparator(POINT point, int dx);

  int separatorWidth_ = 0;
  uint32_t dragState_ = 0;
  POINT lastMouse_ = {0, 0};
  RECT dragRect_ = {0, 0, 0, 0};
  bool immediate_ = false;
};

}  // namespace ui
