#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "ui/controls/button.h"

namespace ui {

// A button that can be selected. Options that share a group name in one window are exclusive:
// selecting one deselects the others, and clicking a grouped option only ever selects it. An
// option without a group toggles on every click, which makes it a check box. The paint manager
// keeps the groups; an option joins its group when it is attached and leaves it when destroyed.
class Option : public Button {
 public:
  Option();
  ~Option() override;

  const wchar_t* GetClassName() const override;
  void* CastTo(std::wstring_view interfaceName) override;
  bool Activate() override;
  void Attach(PaintManager* manager, Control* parent, bool initialize) override;
  void SetEnabled(bool enabled) override;
  void SetAttribute(std::wstring_view name, std::wstring_view value) override;
  void PaintStateImages(HDC dc) override;
  void PaintText(HDC dc) override;
  void DescribeAccessible(AccessibleDescription& description) const override;
  // Selects or deselects; with notify a change is told as "selectchanged" (the deselected
  // members of a group are never told).
  virtual void Select(bool selected, Notify notify);

  bool IsSelected() const { return selected_; }
  const std::wstring& GetGroup() const { return group_; }
  void SetGroup(std::wstring_view group);

  void SetSelectedImage(std::wstring_view description) {
    ReplaceImage(selectedImage_, description);
  }
  void SetSelectedHotImage(std::wstring_view description) {
    ReplaceImage(selectedHotImage_, description);
  }
  void SetOptionForeImage(std::wstring_view description) {
    ReplaceImage(optionForeImage_, description);
  }
  void SetSelectedBackColor(uint32_t color) { selectedBackColor_ = color; }
  void SetSelectedTextColor(uint32_t color) { selectedTextColor_ = color; }

  // The images and the text as the paint draws them: a selected option shows its selected
  // images and text colour, an unselected one looks like a button that is never pushed.
  void PaintOptionImages(ControlPainter& painter);
  void PaintOptionText(ControlPainter& painter);

 protected:
  bool selected_ = false;
  std::wstring group_;
  uint32_t selectedBackColor_ = 0;
  uint32_t selectedTextColor_ = 0;
  ImageDrawInfo selectedImage_;
  ImageDrawInfo selectedHotImage_;
  ImageDrawInfo optionForeImage_;
};

}  // namespace ui
