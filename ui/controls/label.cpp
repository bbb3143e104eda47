#include "ui/controls/label.h"

#include <oleacc.h>

#include "base/attribute_values.h"
#include "ui/core/paint_manager.h"

namespace ui {

uint32_t ApplyHorizontalAlign(uint32_t style, std::wstring_view value) {
  if (value.find(L"left") != std::wstring_view::npos)
    style &= ~(DT_CENTER | DT_RIGHT);
  if (value.find(L"center") != std::wstring_view::npos)
    style = (style & ~DT_RIGHT) | DT_CENTER;
  if (value.find(L"right") != std::wstring_view::npos)
    style = (style & ~DT_CENTER) | DT_RIGHT;
  return style;
}

uint32_t ApplyVerticalAlign(uint32_t style, std::wstring_view value) {
  if (value.find(L"top") != std::wstring_view::npos)
    style &= ~(DT_VCENTER | DT_BOTTOM);
  if (value.find(L"vcenter") != std::wstring_view::npos)
    style = (style & ~DT_BOTTOM) | DT_VCENTER;
  if (value.find(L"bottom") != std::wstring_view::npos)
    style = (style & ~DT_VCENTER) | DT_BOTTOM;
  return style;
}

bool ComputeShadowOffset(int distance, int angle, int top, int left, ShadowOffset& offset) {
  if (angle < -180 || angle > 180)
    return false;
  int dx = top;
  if (angle >= 0)
    dx -= distance;
  else if (angle > -180)
    dx += distance;
  int dy = left;
  if (angle > -90 && angle <= 90)
    dy -= distance;
  else if (angle != -90)
    dy += distance;
  offset = {static_cast<float>(dx), static_cast<float>(dy)};
  return true;
}

Label::Label() = default;

Label::~Label() = default;

const wchar_t* Label::GetClassName() const {
  return L"Label";
}

void* Label::CastTo(std::wstring_view interfaceName) {
  if (interfaceName == L"Label")
    return this;
  return Control::CastTo(interfaceName);
}

void Label::SetText(std::wstring_view text) {
  Control::SetText(text);
  measureDirty_ = true;
}

void Label::SetFixedWidth(SkinLength width) {
  measureDirty_ = true;
  Control::SetFixedWidth(width);
}

void Label::SetFixedHeight(SkinLength height) {
  measureDirty_ = true;
  Control::SetFixedHeight(height);
}

void Label::OnEvent(ControlEvent& event) {
  // A label shows no focus, so gaining or losing it needs no repaint.
  if (event.kind == ControlEventKind::SetFocus || event.kind == ControlEventKind::KillFocus) {
    focused_ = event.kind == ControlEventKind::SetFocus;
    return;
  }
  Control::OnEvent(event);
}

void Label::SetTextStyle(uint32_t style) {
  textStyle_ = style;
  measureDirty_ = true;
  Invalidate();
}

void Label::SetTextColor(uint32_t color) {
  textColor_ = color;
  Invalidate();
}

void Label::SetDisabledTextColor(uint32_t color) {
  disabledTextColor_ = color;
  Invalidate();
}

void Label::SetFont(int font) {
  font_ = font;
  measureDirty_ = true;
  Invalidate();
}

void Label::SetTextPadding(const SkinRect& padding) {
  textPadding_ = padding;
  measureDirty_ = true;
  Invalidate();
}

void Label::SetShowHtml(bool showHtml) {
  if (showHtml_ == showHtml)
    return;
  showHtml_ = showHtml;
  measureDirty_ = true;
  Invalidate();
}

void Label::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (name == L"align") {
    textStyle_ = ApplyHorizontalAlign(textStyle_, value);
  } else if (name == L"valign") {
    textStyle_ = ApplyVerticalAlign(textStyle_, value);
  } else if (name == L"endellipsis") {
    if (base::attribute::ParseBool(value))
      textStyle_ |= DT_END_ELLIPSIS;
    else
      textStyle_ &= ~DT_END_ELLIPSIS;
  } else if (name == L"font") {
    SetFont(base::attribute::ParseInt(value));
  } else if (name == L"textcolor") {
    SetTextColor(base::attribute::ParseColorNoBlanks(value));
  } else if (name == L"disabledtextcolor") {
    SetDisabledTextColor(base::attribute::ParseColorNoBlanks(value));
  } else if (name == L"textpadding") {
    SetTextPadding(SkinRect(base::attribute::ParseRect(value)));
  } else if (name == L"multiline") {
    if (base::attribute::ParseBool(value))
      textStyle_ = (textStyle_ & ~DT_SINGLELINE) | DT_WORDBREAK;
    else
      textStyle_ |= DT_SINGLELINE;
    measureDirty_ = true;
  } else if (name == L"showhtml") {
    SetShowHtml(base::attribute::ParseBool(value));
  } else if (name == L"enabledeffect") {
    effects_.enabled = base::attribute::ParseBool(value);
    Invalidate();
  } else if (name == L"enabledluminous") {
    effects_.glow = base::attribute::ParseBool(value);
    Invalidate();
  } else if (name == L"enabledstroke") {
    effects_.stroke = base::attribute::ParseBool(value);
    Invalidate();
  } else if (name == L"enabledshadow") {
    effects_.shadow = base::attribute::ParseBool(value);
    Invalidate();
  } else if (name == L"luminousfuzzy") {
    const double fuzzy = base::attribute::ParseDouble(value);
    if (fuzzy >= 0.0001)
      effects_.luminousFuzzy = static_cast<float>(fuzzy);
  } else if (name == L"gradientangle") {
    effects_.gradientAngle = SkinLength(base::attribute::ParseInt(value));
  } else if (name == L"gradientlength") {
    effects_.gradientLength = SkinLength(base::attribute::ParseInt(value));
  } else if (name == L"shadowoffset") {
    const SIZE distanceAndAngle = base::attribute::ParseSize(value);
    if (ComputeShadowOffset(distanceAndAngle.cx, distanceAndAngle.cy, rect_.top, rect_.left,
                            effects_.shadowOffset)) {
      Invalidate();
    }
  } else if (name == L"textcolor1") {
    effects_.textColor1 = base::attribute::ParseColorNoBlanks(value);
    Invalidate();
  } else if (name == L"textshadowcolora") {
    effects_.shadowColorA = base::attribute::ParseColorNoBlanks(value);
    Invalidate();
  } else if (name == L"textshadowcolorb") {
    effects_.shadowColorB = base::attribute::ParseColorNoBlanks(value);
    Invalidate();
  } else if (name == L"strokecolor") {
    effects_.strokeColor = base::attribute::ParseColorNoBlanks(value);
    Invalidate();
  } else {
    Control::SetAttribute(name, value);
  }
}

int Label::FontHeight() const {
  return manager_ ? manager_->GetFontInfo(font_).metrics.tmHeight : 0;
}

SIZE Label::MeasureSize(SIZE available) {
  const DisplayScale scale = Scale();
  if (fixedWidth_ > SkinLength(0) && fixedHeight_ > SkinLength(0))
    return ScaledFixedSize();
  const bool singleLine = (textStyle_ & DT_SINGLELINE) != 0;
  if (!singleLine && (available.cx != measuredFor_.cx || available.cy != measuredFor_.cy))
    measureDirty_ = true;
  // Text measured at another scale was measured with other fonts.
  if (measuredDpi_ != scale.Dpi())
    measureDirty_ = true;
  if (!measureDirty_)
    return measured_;

  measuredFor_ = available;
  measuredDpi_ = scale.Dpi();
  measured_ = ScaledFixedSize();
  measureDirty_ = false;
  const RECT padding = scale.Rect(textPadding_);
  if (singleLine) {
    if (measured_.cy == 0)
      measured_.cy = FontHeight() + scale.Length(kTextMargin) + padding.top + padding.bottom;
    if (measured_.cx == 0) {
      RECT area = {0, 0, 9999, measured_.cy};
      MeasureString(manager_, area, text_, font_, textStyle_ & ~(DT_CENTER | DT_RIGHT), Markup());
      measured_.cx = area.right - area.left + padding.left + padding.right;
    }
  } else {
    if (measured_.cx == 0)
      measured_.cx = available.cx;
    RECT area = {padding.left, 0, measured_.cx - padding.right, 9999};
    MeasureString(manager_, area, text_, font_, textStyle_, Markup());
    measured_.cy = area.bottom - area.top + padding.top + padding.bottom;
  }
  return measured_;
}

RECT Label::GetTextRect() const {
  const RECT padding = Scale().Rect(textPadding_);
  return {rect_.left + padding.left, rect_.top + padding.top, rect_.right - padding.right,
          rect_.bottom - padding.bottom};
}

void Label::ResolveDefaultColors() {
  if (!manager_)
    return;
  if (textColor_ == 0)
    textColor_ = manager_->GetDefaultFontColor();
  if (disabledTextColor_ == 0)
    disabledTextColor_ = manager_->GetDisabledFontColor();
}

void Label::PaintText(HDC dc) {
  if (effects_.enabled) {
    ResolveDefaultColors();
    PaintEffectText(dc);
    return;
  }
  DeviceContextPainter painter(dc, manager_, rect_, paintRect_);
  PaintLabelText(painter);
}

void Label::PaintLabelText(ControlPainter& painter) {
  ResolveDefaultColors();
  if (text_.empty())
    return;
  const uint32_t color = IsEnabled() ? textColor_ : disabledTextColor_;
  painter.DrawString(GetTextRect(), text_, color, font_, textStyle_, Markup());
}

void Label::ReplaceImage(ImageDrawInfo& image, std::wstring_view description) {
  if (image.description == description && image.image)
    return;
  image.Clear();
  image.description = description;
  Invalidate();
}

void Label::DescribeAccessible(AccessibleDescription& description) const {
  Control::DescribeAccessible(description);
  description.role = ROLE_SYSTEM_STATICTEXT;
}

}  // namespace ui
