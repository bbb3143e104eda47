#pragma once

#include "ui/controls/linear_layout.h"

namespace ui {

// Places its children side by side, left to right: children that measure to a width keep it,
// the rest is shared among the others, the last of them taking what integer division leaves over.
// With "sepwidth" the layout has a band along its right (positive) or left (negative) edge that
// the user drags to change the layout's width.
class HorizontalLayout : public LinearLayout {
 public:
  HorizontalLayout();

  const wchar_t* GetClassName() const override;
  void* CastTo(std::wstring_view interfaceName) override;
  void SetAttribute(std::wstring_view name, std::wstring_view value) override;

  virtual SkinLength GetSeparatorWidth() const;
  virtual void SetSeparatorWidth(SkinLength width);
};

}  // namespace ui
