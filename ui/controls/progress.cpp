#include "ui/controls/progress.h"

#include <oleacc.h>

#include <algorithm>
#include <climits>
#include <cstdint>

#include "base/attribute_values.h"
#include "base/decimal_text.h"

namespace ui {

RECT ProgressFillRect(int width,
                      int height,
                      bool horizontal,
                      int minValue,
                      int maxValue,
                      int value) {
  // 64-bit: a range near the limits of int would overflow both the span and the products.
  const int64_t low = minValue;
  const int64_t high = maxValue > minValue ? int64_t{maxValue} : low + 1;
  const int64_t clamped = std::clamp<int64_t>(value, low, high);
  const int64_t span = high - low;
  if (horizontal)
    return {0, 0, static_cast<LONG>(width * (clamped - low) / span), height};
  return {0, static_cast<LONG>(height * (high - clamped) / span), width, height};
}

Progress::Progress() {
  textStyle_ = DT_SINGLELINE | DT_CENTER;
  Label::SetFixedHeight(SkinLength(12));
}

Progress::~Progress() = default;

const wchar_t* Progress::GetClassName() const {
  return L"Progress";
}

void* Progress::CastTo(std::wstring_view interfaceName) {
  if (interfaceName == L"Progress")
    return this;
  return Label::CastTo(interfaceName);
}

void Progress::SetValue(int value) {
  const int clamped = std::max(std::min(value, maxValue_), minValue_);
  // A value that did not change shows nothing new: no repaint.
  if (clamped == value_)
    return;
  value_ = clamped;
  Invalidate();
  NotifyAccessibleEvent(EVENT_OBJECT_VALUECHANGE);
}

void Progress::SetMinValue(int value) {
  minValue_ = value;
  Invalidate();
}

void Progress::SetMaxValue(int value) {
  maxValue_ = value;
  Invalidate();
}

void Progress::SetHorizontal(bool horizontal) {
  if (horizontal_ == horizontal)
    return;
  horizontal_ = horizontal;
  Invalidate();
}

void Progress::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (name == L"foreimage")
    SetForeImage(value);
  else if (name == L"hor")
    SetHorizontal(base::attribute::ParseBool(value));
  else if (name == L"min")
    SetMinValue(base::attribute::ParseInt(value));
  else if (name == L"max")
    SetMaxValue(base::attribute::ParseInt(value));
  else if (name == L"value")
    SetValue(base::attribute::ParseInt(value));
  else
    Label::SetAttribute(name, value);
}

void Progress::PaintStateImages(HDC dc) {
  DeviceContextPainter painter(dc, manager_, rect_, paintRect_);
  PaintForeImage(painter);
}

void Progress::PaintForeImage(ControlPainter& painter) {
  // A minimum of INT_MAX has no int above it; the fill computation widens that range itself.
  if (minValue_ >= maxValue_)
    maxValue_ = minValue_ == INT_MAX ? INT_MAX : minValue_ + 1;
  value_ = std::max(std::min(value_, maxValue_), minValue_);
  painter.DrawImageAt(
      foreImage_, ProgressFillRect(Width(), Height(), horizontal_, minValue_, maxValue_, value_));
}

namespace {

// "45%": the value's place in the range, as a progress bar reads out.
std::wstring PercentText(const Progress& progress) {
  const long long range = static_cast<long long>(progress.GetMaxValue()) - progress.GetMinValue();
  const long long offset = static_cast<long long>(progress.GetValue()) - progress.GetMinValue();
  const long long percent = range > 0 ? offset * 100 / range : 0;
  return base::DecimalText(percent) + L"%";
}

}  // namespace

void Progress::DescribeAccessible(AccessibleDescription& description) const {
  Control::DescribeAccessible(description);
  description.role = ROLE_SYSTEM_PROGRESSBAR;
  description.value = PercentText(*this);
}

}  // namespace ui
