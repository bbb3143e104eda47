#pragma once

#include "ui/controls/linear_layout.h"

namespace ui {

// Stacks its children top to bottom: children that measure to a height keep it, the rest is
// shared among the others, the last of them taking what integer division leaves over. With
// "sepheight" the layout has a band along its bottom (positive) or top (negative) edge that the
// user drags to change the layout's height.
class VerticalLayout : public LinearLayout {
 public:
  VerticalLayout();

  const wchar_t* GetClassName() const override;
  void* CastTo(std::wstring_view interfaceName) override;
  void SetAttribute(std::wstring_view name, std::wstring_view value) override;

  virtual SkinLength GetSeparatorHeight() const;
  virtual void SetSeparatorHeight(SkinLength height);
};

}  // namespace ui
