#include "ui/controls/button.h"

#include <oleacc.h>

#include "base/attribute_values.h"
#include "base/rect_math.h"
#include "ui/core/paint_manager.h"
#include "ui/render/image_record.h"

namespace ui {

Button::Button() = default;

Button::~Button() = default;

const wchar_t* Button::GetClassName() const {
  return L"Button";
}

void* Button::CastTo(std::wstring_view interfaceName) {
  if (interfaceName == L"Button")
    return this;
  return Label::CastTo(interfaceName);
}

// A disabled button keeps its tab-stop flag; the tab walk passes over disabled controls anyway.
uint32_t Button::GetFlags() const {
  uint32_t flags = IsEnabled() ? uint32_t{FlagSetCursor} : 0;
  if (IsKeyboardEnabled())
    flags |= FlagTabStop;
  return flags;
}

bool Button::Activate() {
  if (!Control::Activate())
    return false;
  if (manager_)
    manager_->SendNotification(this, L"click");
  return true;
}

void Button::SetEnabled(bool enabled) {
  Control::SetEnabled(enabled);
  if (!IsEnabled()) {
    state_ = 0;
    pointer_.Reset();
  }
}

void Button::OnEvent(ControlEvent& event) {
  const bool inside = base::RectContains(rect_, event.mousePoint);
  switch (event.kind) {
    case ControlEventKind::SetFocus:
    case ControlEventKind::KillFocus:
      Invalidate();
      break;
    case ControlEventKind::KeyDown:
      if (IsKeyboardEnabled() && IsEnabled()) {
        if (event.keyChar == VK_SPACE || event.keyChar == VK_RETURN)
          Activate();
        return;
      }
      break;
    case ControlEventKind::ButtonDown:
    case ControlEventKind::DoubleClick:
      if (pointer_.Press(inside, IsEnabled()))
        Invalidate();
      return;
    case ControlEventKind::MouseMove:
      if (pointer_.Move(inside))
        Invalidate();
      return;
    case ControlEventKind::ButtonUp: {
      // The button is released before "click" goes out: a listener may destroy it.
      const PointerState::Release release = pointer_.ReleaseButton(inside, IsEnabled());
      if (release != PointerState::Release::NoPress)
        Invalidate();
      if (release == PointerState::Release::Click)
        Activate();
      return;
    }
    case ControlEventKind::CaptureLost:
      // The press ends without a release: nothing is activated.
      if (pointer_.EndPress())
        Invalidate();
      return;
    case ControlEventKind::ContextMenu:
      if (contextMenu_ && IsEnabled() && manager_)
        manager_->SendNotification(this, L"menu", event.wParam, event.lParam);
      return;
    case ControlEventKind::MouseEnter:
      if (pointer_.Enter(inside, IsEnabled()))
        Invalidate();
      StartFade();
      break;
    case ControlEventKind::MouseLeave:
      if (!ConfirmMouseLeave(*this, event.mousePoint))
        return;
      if (pointer_.Leave())
        Invalidate();
      StartFade();
      break;
    case ControlEventKind::SetCursor:
      ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
      return;
    case ControlEventKind::Timer:
      if (event.wParam == kFadeTimerId) {
        StepFade();
        return;
      }
      break;
    default:
      break;
  }
  Label::OnEvent(event);
}

void Button::StartFade() {
  // A fade already running keeps its timer and simply turns towards the new target.
  if (fadeDelta_ != 0 && manager_)
    manager_->StartTimer(this, kFadeTimerId, kFadeTimerInterval);
}

void Button::StepFade() {
  bool done = false;
  if (pointer_.IsHot()) {
    if (fadeDelta_ < fadeAlpha_) {
      fadeAlpha_ -= fadeDelta_;
    } else {
      fadeAlpha_ = 0;
      done = true;
    }
  } else if (fadeAlpha_ < 255 - fadeDelta_) {
    fadeAlpha_ += fadeDelta_;
  } else {
    fadeAlpha_ = 255;
    done = true;
  }
  if (done && manager_)
    manager_->StopTimer(this, kFadeTimerId);
  Invalidate();
}

void Button::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (name == L"normalimage") {
    SetNormalImage(value);
  } else if (name == L"hotimage") {
    SetHotImage(value);
  } else if (name == L"pushedimage") {
    SetPushedImage(value);
  } else if (name == L"focusedimage") {
    SetFocusedImage(value);
  } else if (name == L"disabledimage") {
    SetDisabledImage(value);
  } else if (name == L"hotforeimage") {
    SetHotForeImage(value);
  } else if (name == L"foreimage") {
    SetForeImage(value);
  } else if (name == L"fivestatusimage") {
    SetFiveStatusImage(value);
  } else if (name == L"fadedelta") {
    fadeDelta_ = static_cast<uint8_t>(base::attribute::ParseInt(value));
  } else if (name == L"hotbkcolor") {
    hotBackColor_ = base::attribute::ParseColorNoBlanks(value);
  } else if (name == L"hottextcolor") {
    hotTextColor_ = base::attribute::ParseColorNoBlanks(value);
  } else if (name == L"pushedtextcolor") {
    pushedTextColor_ = base::attribute::ParseColorNoBlanks(value);
  } else if (name == L"focusedtextcolor") {
    focusedTextColor_ = base::attribute::ParseColorNoBlanks(value);
  } else {
    Label::SetAttribute(name, value);
  }
}

void Button::SetFiveStatusImage(std::wstring_view description) {
  ImageDrawInfo* const kImages[] = {&normalImage_, &pushedImage_, &hotImage_, &focusedImage_,
                                    &disabledImage_};
  for (int i = 0; i < 5; ++i) {
    ImageDrawInfo& image = *kImages[i];
    image.Clear();
    image.description = description;
    RenderEngine::ResolveImageInfo(manager_, image);
    if (!image.image)
      continue;
    const SIZE size = ImageSkinSize(*image.image).Unscaled();
    const int cellWidth = size.cx / 5;
    image.source = SkinRect({i * cellWidth, 0, (i + 1) * cellWidth, size.cy});
  }
  const ImageRecord* record = normalImage_.image;
  if (record && floating_ && fixedWidth_ == SkinLength(0) && fixedHeight_ == SkinLength(0)) {
    const SIZE size = ImageSkinSize(*record).Unscaled();
    fixedWidth_ = SkinLength(size.cx / 5);
    fixedHeight_ = SkinLength(size.cy);
  }
  Invalidate();
}

SIZE Button::MeasureSize(SIZE) {
  if (fixedHeight_ > SkinLength(0))
    return ScaledFixedSize();
  return {ScaledFixedWidth(), FontHeight() + Scale().Length(kTextMargin)};
}

void Button::UpdateFocusAndDisabledBits() {
  if (IsFocused())
    state_ |= StateFocused;
  else
    state_ &= ~StateFocused;
  if (IsEnabled())
    state_ &= ~StateDisabled;
  else
    state_ |= StateDisabled;
}

// The fade stays in the image until a later paint sets it again.
bool Button::DrawFaded(ControlPainter& painter, ImageDrawInfo& image, uint8_t fade) {
  painter.ResolveImage(image);
  image.fade = fade;
  return painter.DrawImage(image);
}

void Button::PaintStateImages(HDC dc) {
  DeviceContextPainter painter(dc, manager_, rect_, paintRect_);
  PaintButtonImages(painter);
}

void Button::PaintButtonImages(ControlPainter& painter, uint32_t maskedStates) {
  UpdateFocusAndDisabledBits();
  const uint32_t state = GetButtonState() & ~maskedStates;
  const bool fading = fadeDelta_ != 0;

  // Each state either finishes the paint, goes on to the fore image, or falls back to the
  // normal image.
  enum class Next { Stop, ForeImage, NormalImage };
  Next next = Next::NormalImage;
  if (state & StateDisabled) {
    next = painter.DrawImage(disabledImage_) ? Next::ForeImage : Next::NormalImage;
  } else if (state & StatePushed) {
    if (!painter.DrawImage(pushedImage_))
      painter.DrawImage(normalImage_);
    next = painter.DrawImage(pushedForeImage_) ? Next::Stop : Next::ForeImage;
  } else if (state & StateHot) {
    if (fading) {
      if (fadeAlpha_ == 0) {
        DrawFaded(painter, hotImage_, 255);
      } else {
        DrawFaded(painter, normalImage_, fadeAlpha_);
        DrawFaded(painter, hotImage_, 255 - fadeAlpha_);
      }
    } else if (!painter.DrawImage(hotImage_)) {
      painter.DrawImage(normalImage_);
    }
    if (painter.DrawImage(hotForeImage_)) {
      next = Next::Stop;
    } else if (hotBackColor_ != 0) {
      painter.FillColor(hotBackColor_);
      next = Next::Stop;
    } else {
      next = Next::ForeImage;
    }
  } else if (state & StateFocused) {
    next = painter.DrawImage(focusedImage_) ? Next::ForeImage : Next::NormalImage;
  }

  if (next == Next::Stop)
    return;
  if (next == Next::NormalImage) {
    if (!fading) {
      painter.DrawImage(normalImage_);
    } else {
      if (fadeAlpha_ != 255)
        DrawFaded(painter, hotImage_, 255 - fadeAlpha_);
      DrawFaded(painter, normalImage_, fadeAlpha_);
    }
  }
  painter.DrawImage(foreImage_);
}

void Button::PaintText(HDC dc) {
  DeviceContextPainter painter(dc, manager_, rect_, paintRect_);
  PaintButtonText(painter);
}

void Button::PaintButtonText(ControlPainter& painter, uint32_t maskedStates) {
  UpdateFocusAndDisabledBits();
  ResolveDefaultColors();
  if (text_.empty())
    return;
  const uint32_t state = GetButtonState() & ~maskedStates;
  uint32_t color;
  if ((state & StatePushed) && pushedTextColor_ != 0)
    color = pushedTextColor_;
  else if ((state & StateHot) && hotTextColor_ != 0)
    color = hotTextColor_;
  else if ((state & StateFocused) && focusedTextColor_ != 0)
    color = focusedTextColor_;
  else
    color = IsEnabled() ? textColor_ : disabledTextColor_;
  painter.DrawString(GetTextRect(), text_, color, font_, textStyle_, Markup());
}

void Button::DescribeAccessible(AccessibleDescription& description) const {
  Control::DescribeAccessible(description);
  description.role = ROLE_SYSTEM_PUSHBUTTON;
  description.defaultAction = L"Press";
}

}  // namespace ui
