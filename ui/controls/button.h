#pragma once

#include <windows.h>

#include <cstdint>
#include <string_view>

#include "ui/controls/control_state.h"
#include "ui/controls/label.h"
#include "ui/controls/pointer_state.h"

namespace ui {

// A label that shows an image per state (normal, hot, pushed, focused, disabled), can cross-fade
// between the normal and the hot image, and sends "click" when activated: by a button press and
// release inside it, or by Space or Return while it has the focus.
class Button : public Label {
 public:
  // The control's own timer that drives the hover fade, and its interval.
  static constexpr uint32_t kFadeTimerId = 11;
  static constexpr uint32_t kFadeTimerInterval = 30;

  Button();
  ~Button() override;

  const wchar_t* GetClassName() const override;
  void* CastTo(std::wstring_view interfaceName) override;
  uint32_t GetFlags() const override;
  bool Activate() override;
  void SetEnabled(bool enabled) override;
  void OnEvent(ControlEvent& event) override;
  void SetAttribute(std::wstring_view name, std::wstring_view value) override;
  SIZE MeasureSize(SIZE available) override;
  void PaintStateImages(HDC dc) override;
  void PaintText(HDC dc) override;
  void DescribeAccessible(AccessibleDescription& description) const override;

  uint32_t GetButtonState() const { return state_ | pointer_.Bits(); }
  uint8_t GetFadeAlpha() const { return fadeAlpha_; }
  uint8_t GetFadeDelta() const { return fadeDelta_; }
  void SetFadeDelta(uint8_t delta) { fadeDelta_ = delta; }

  void SetNormalImage(std::wstring_view description) { ReplaceImage(normalImage_, description); }
  void SetHotImage(std::wstring_view description) { ReplaceImage(hotImage_, description); }
  void SetHotForeImage(std::wstring_view description) { ReplaceImage(hotForeImage_, description); }
  void SetPushedImage(std::wstring_view description) { ReplaceImage(pushedImage_, description); }
  void SetFocusedImage(std::wstring_view description) { ReplaceImage(focusedImage_, description); }
  void SetDisabledImage(std::wstring_view description) {
    ReplaceImage(disabledImage_, description);
  }
  void SetForeImage(std::wstring_view description) { ReplaceImage(foreImage_, description); }
  // One image holding the five state images side by side: normal, pushed, hot, focused,
  // disabled.
  void SetFiveStatusImage(std::wstring_view description);

  const ImageDrawInfo& GetNormalImage() const { return normalImage_; }
  const ImageDrawInfo& GetPushedImage() const { return pushedImage_; }
  const ImageDrawInfo& GetHotImage() const { return hotImage_; }
  const ImageDrawInfo& GetFocusedImage() const { return focusedImage_; }
  const ImageDrawInfo& GetDisabledImage() const { return disabledImage_; }

  // The state images as the paint draws them, tried in the order disabled, pushed, hot, focused,
  // normal; maskedStates are left out of the test (options never look pushed).
  void PaintButtonImages(ControlPainter& painter, uint32_t maskedStates = 0);
  // The text in the colour of the state: pushed, hot, focused, then the label's.
  void PaintButtonText(ControlPainter& painter, uint32_t maskedStates = 0);

 protected:
  // Brings the focused and disabled bits in line with the control.
  void UpdateFocusAndDisabledBits();
  // Starts or restarts the fade towards the hot or the normal image.
  void StartFade();
  void StepFade();
  // Draws image at the given opacity, set after the image is resolved.
  static bool DrawFaded(ControlPainter& painter, ImageDrawInfo& image, uint8_t fade);

  // The focused, disabled and selected bits; the pointer's are in pointer_.
  uint32_t state_ = 0;
  PointerState pointer_;
  uint32_t hotBackColor_ = 0;
  uint32_t hotTextColor_ = 0;
  uint32_t pushedTextColor_ = 0;
  uint32_t focusedTextColor_ = 0;
  uint8_t fadeAlpha_ = 255;
  uint8_t fadeDelta_ = 0;
  ImageDrawInfo normalImage_;
  ImageDrawInfo hotImage_;
  ImageDrawInfo hotForeImage_;
  ImageDrawInfo pushedImage_;
  ImageDrawInfo pushedForeImage_;  // no attribute sets it
  ImageDrawInfo focusedImage_;
  ImageDrawInfo disabledImage_;
  ImageDrawInfo foreImage_;
};

}  // namespace ui
