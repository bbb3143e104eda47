#pragma once

#include "ui/controls/container.h"

namespace ui {

// A layout that lines its children up along one axis: children of a fixed size, and in a column
// those that measure to a height, keep their size; the others share the rest. With a separator
// size, the layout has a band along its far (positive size) or near (negative size) edge on that
// axis that the user drags to change the layout's extent there. HorizontalLayout and VerticalLayout
// fix the axis and name the separator attribute.
class LinearLayout : public Container {
 public:
  enum class Axis { Horizontal, Vertical };

  uint32_t GetFlags() const override;
  void SetRect(const RECT& rect, bool invalidate) override;
  void OnEvent(ControlEvent& event) override;
  void SetAttribute(std::wstring_view name, std::wstring_view value) override;
  void PaintAfter(HDC dc) override;

  virtual bool IsSeparatorImmediate() const;
  virtual void SetSeparatorImmediate(bool immediate);

  // The draggable band of base (the layout's rectangle, or the drag rectangle while dragging).
  RECT SeparatorBand(const RECT& base) const;
  bool IsDragging() const { return (dragState_ & kDragging) != 0; }

 protected:
  static constexpr uint32_t kDragging = 0x40;

  explicit LinearLayout(Axis axis);

  // Moves the dragged edge after a mouse move of delta along the axis.
  void DragSeparator(POINT point, int delta);

  const Axis axis_;
  // Signed as described above; zero for no separator.
  SkinLength separatorSize_;
  uint32_t dragState_ = 0;
  POINT lastMouse_ = {0, 0};
  RECT dragRect_ = {0, 0, 0, 0};
  bool immediate_ = false;
};

}  // namespace ui
