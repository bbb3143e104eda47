#pragma once

#include <windows.h>

#include <string_view>

#include "ui/controls/label.h"

namespace ui {

// The part of a progress control that shows value, relative to the control (width x height):
// from the left for a horizontal one, from the bottom for a vertical one. An empty range
// (maximum not above minimum) counts as the range minimum..minimum + 1 and value is clamped into
// the range; the arithmetic is wide enough for any int range.
RECT ProgressFillRect(int width,
                      int height,
                      bool horizontal,
                      int minValue,
                      int maxValue,
                      int value);

// A value within a range, shown by stretching the fore image over the corresponding part of the
// control. A progress bar is 12 pixels high unless told otherwise and centres its text.
class Progress : public Label {
 public:
  Progress();
  ~Progress() override;

  const wchar_t* GetClassName() const override;
  void* CastTo(std::wstring_view interfaceName) override;
  void SetAttribute(std::wstring_view name, std::wstring_view value) override;
  void PaintStateImages(HDC dc) override;
  void DescribeAccessible(AccessibleDescription& description) const override;

  int GetValue() const { return value_; }
  // Stores value clamped into the range (the maximum is applied first); repaints only when the
  // stored value changes.
  void SetValue(int value);
  int GetMinValue() const { return minValue_; }
  void SetMinValue(int value);
  int GetMaxValue() const { return maxValue_; }
  void SetMaxValue(int value);
  bool IsHorizontal() const { return horizontal_; }
  void SetHorizontal(bool horizontal);
  void SetForeImage(std::wstring_view description) { ReplaceImage(foreImage_, description); }
  const ImageDrawInfo& GetForeImage() const { return foreImage_; }

  // Repairs an empty range and an out-of-range value, places the fore image and draws it.
  void PaintForeImage(ControlPainter& painter);

 protected:
  bool horizontal_ = true;
  int maxValue_ = 100;
  int minValue_ = 0;
  int value_ = 0;
  ImageDrawInfo foreImage_;
};

}  // namespace ui
