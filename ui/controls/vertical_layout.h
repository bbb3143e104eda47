#pragma once

#include "ui/controls/container.h"

namespace ui {

// Stacks its children top to bottom: fixed heights first, the rest shared among the children
// without one, the last of them taking what integer division leaves over. With "sepheight" the
// layout has a band along its bottom (positive) or top (negative) edge that the user drags to
// change the layout's height.
class VerticalLayout : public Container {
 public:
  VerticalLayout();

  const wchar_t* GetClassName() const override;
  void* CastTo(std::wstring_view interfaceName) override;
  uint32_t GetFlags() const override;
  void SetRect(const RECT& rect, bool invalidate) override;
  void OnEvent(ControlEvent& event) override;
  void SetAttribute(std::wstring_view name, std::wstring_view value) override;
  void PaintAfter(HDC dc) override;

  virtual int GetSeparatorHeight() const;
  virtual void SetSeparatorHeight(int height);
  virtual bool IsSeparatorImmediate() const;
  virtual void SetSeparatorImmediate(bool immediate);

  // The draggable band of base (the layout's rectangle, or the drag rectangle while dragging).
  RECT SeparatorBand(const RECT& base) const;
  bool IsDragging() const { return (dragState_ & kDragging) != 0; }

 protected:
  static constexpr uint32_t kDragging = 0x40;

  // Moves the dragged edge after a mouse move of dy.
  void DragSeparator(POINT point, int dy);

  int separatorHeight_ = 0;
  uint32_t dragState_ = 0;
  POINT lastMouse_ = {0, 0};
  RECT dragRect_ = {0, 0, 0, 0};
  bool immediate_ = false;
};

}  // namespace ui
