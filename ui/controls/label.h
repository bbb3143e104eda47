#pragma once

#include <windows.h>

#include <cstdint>
#include <string_view>

#include "ui/controls/scoped_gdiplus.h"
#include "ui/core/control.h"
#include "ui/core/control_painter.h"

namespace ui {

// The text style after an "align" value: "left", "center" and "right" are looked for in this
// order, so "right" wins over the others and "center" over "left", wherever they stand.
uint32_t ApplyHorizontalAlign(uint32_t style, std::wstring_view value);
// The same for "valign" with "top", "vcenter" and "bottom".
uint32_t ApplyVerticalAlign(uint32_t style, std::wstring_view value);

// How far the text effects' shadow is moved, from a "shadowoffset" of distance and angle. The
// offsets start from the control's top and left at the time the attribute is given (both 0
// before the first layout). False for an angle outside -180..180, which leaves the offset as it
// was.
struct ShadowOffset {
  float dx = 0;
  float dy = 0;
};
bool ComputeShadowOffset(int distance, int angle, int top, int left, ShadowOffset& offset);

// The optional GDI+ text effects of a label: a gradient text brush, a blurred glow, an outline of
// four shifted copies and a drop shadow.
struct TextEffects {
  bool enabled = false;
  bool glow = false;
  bool stroke = false;
  bool shadow = false;
  float luminousFuzzy = 3.0f;  // the glow's blur: the text is shrunk by this and blown up again
  SkinLength gradientLength;   // 0: the text rectangle's height
  SkinLength gradientAngle;    // x of the gradient's start point
  uint32_t textColor1 = 0xFFFFFFFF;  // gradient end; all ones: the text colour
  uint32_t shadowColorA = 0xFF000000;
  uint32_t shadowColorB = 0xFFFFFFFF;  // all ones: shadowColorA
  uint32_t strokeColor = 0;
  ShadowOffset shadowOffset;
};

// Text in a rectangle: alignment and wrapping by text-format bits, inner text padding, colours
// that default to the window's, a font of the window by index, optional formatted-text markup and
// optional text effects. Each label keeps GDI+ started while it lives, for the effects.
class Label : public Control {
 public:
  Label();
  ~Label() override;

  const wchar_t* GetClassName() const override;
  void* CastTo(std::wstring_view interfaceName) override;
  void SetText(std::wstring_view text) override;
  void SetFixedWidth(SkinLength width) override;
  void SetFixedHeight(SkinLength height) override;
  void OnEvent(ControlEvent& event) override;
  void SetAttribute(std::wstring_view name, std::wstring_view value) override;
  SIZE MeasureSize(SIZE available) override;
  void PaintText(HDC dc) override;
  void DescribeAccessible(AccessibleDescription& description) const override;

  uint32_t GetTextStyle() const { return textStyle_; }
  void SetTextStyle(uint32_t style);
  uint32_t GetTextColor() const { return textColor_; }
  void SetTextColor(uint32_t color);
  uint32_t GetDisabledTextColor() const { return disabledTextColor_; }
  void SetDisabledTextColor(uint32_t color);
  int GetFont() const { return font_; }
  void SetFont(int font);
  SkinRect GetTextPadding() const { return textPadding_; }
  void SetTextPadding(const SkinRect& padding);
  bool IsShowHtml() const { return showHtml_; }
  void SetShowHtml(bool showHtml);
  const TextEffects& GetTextEffects() const { return effects_; }

  // The rectangle the text is laid out in: the control's rectangle less the text padding.
  RECT GetTextRect() const;
  // The label's text output without effects.
  void PaintLabelText(ControlPainter& painter);

 protected:
  // The room above and below a line of text, together, that a control measured by its font
  // height adds.
  static constexpr SkinLength kTextMargin{8};

  // Takes the window's text colours for those still 0, and keeps them.
  void ResolveDefaultColors();
  TextMarkup Markup() const { return showHtml_ ? TextMarkup::Formatted : TextMarkup::Plain; }
  int FontHeight() const;
  // Applies the image rule of the state images: a description equal to the current one whose
  // image is loaded changes nothing; otherwise the image is cleared, takes the new description
  // (resolved at the next paint) and the control repaints.
  void ReplaceImage(ImageDrawInfo& image, std::wstring_view description);

  uint32_t textColor_ = 0;
  uint32_t disabledTextColor_ = 0;
  int font_ = -1;
  uint32_t textStyle_ = DT_SINGLELINE | DT_VCENTER;
  SkinRect textPadding_;
  bool showHtml_ = false;

 private:
  // The text output with GDI+ (label_effects.cpp).
  void PaintEffectText(HDC dc);

  SIZE measuredFor_ = {0, 0};
  SIZE measured_ = {0, 0};
  bool measureDirty_ = true;
  int measuredDpi_ = 0;
  TextEffects effects_;
  ScopedGdiplus gdiplus_;
};

}  // namespace ui
