#pragma once

#include <windows.h>

#include <cstdint>
#include <string_view>

#include "ui/controls/pointer_state.h"
#include "ui/controls/progress.h"

namespace ui {

// Where a slider's thumb sits for value: moved along the control in proportion to the value
// (rightwards, or upwards for a vertical slider) and centred across it. An empty range counts
// as a range of one and value is clamped into the range.
RECT SliderThumbRect(const RECT& rect,
                     bool horizontal,
                     int minValue,
                     int maxValue,
                     int value,
                     SIZE thumb);
// The value a point of the control stands for: within half a thumb of either end the range's
// end, in between proportionally.
int SliderValueAt(const RECT& rect,
                  bool horizontal,
                  int minValue,
                  int maxValue,
                  SIZE thumb,
                  POINT point);

// A progress bar with a thumb that the mouse drags and the wheel steps; it tells the window
// "valuechanged" when the user has moved it (on release, or on every move with "imm").
class Slider : public Progress {
 public:
  Slider();
  ~Slider() override;

  const wchar_t* GetClassName() const override;
  void* CastTo(std::wstring_view interfaceName) override;
  uint32_t GetFlags() const override;
  void SetEnabled(bool enabled) override;
  void OnEvent(ControlEvent& event) override;
  void SetAttribute(std::wstring_view name, std::wstring_view value) override;
  void PaintStateImages(HDC dc) override;
  void DescribeAccessible(AccessibleDescription& description) const override;

  RECT GetThumbRect() const;
  SkinSize GetThumbSize() const { return thumbSize_; }
  void SetThumbSize(const SkinSize& size);
  int GetStep() const { return step_; }
  void SetStep(int step) { step_ = step; }
  bool IsNotifyWhileDragging() const { return notifyWhileDragging_; }
  void SetNotifyWhileDragging(bool notify) { notifyWhileDragging_ = notify; }
  uint32_t GetSliderState() const { return pointer_.Bits(); }

  void SetThumbImage(std::wstring_view description) { ReplaceImage(thumbImage_, description); }
  void SetThumbHotImage(std::wstring_view description) {
    ReplaceImage(thumbHotImage_, description);
  }
  void SetThumbPushedImage(std::wstring_view description) {
    ReplaceImage(thumbPushedImage_, description);
  }

  // The thumb as the paint draws it: the pushed image while dragging, the hot one while the
  // pointer is over the slider, else (or when that image cannot be had) the normal one. A thumb
  // of no size draws nothing.
  void PaintThumb(ControlPainter& painter);

 private:
  int ValueAt(POINT point) const;
  void NotifyValueChanged();

  SkinSize thumbSize_{SIZE{10, 10}};
  // Hot while the pointer is over the slider; captured while the thumb is dragged.
  PointerState pointer_;
  int step_ = 1;
  bool notifyWhileDragging_ = false;
  ImageDrawInfo thumbImage_;
  ImageDrawInfo thumbHotImage_;
  ImageDrawInfo thumbPushedImage_;
};

}  // namespace ui
