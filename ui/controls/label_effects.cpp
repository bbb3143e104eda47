#include <objidl.h>

#include <gdiplus.h>

#include <algorithm>

#include "ui/controls/label.h"
#include "ui/core/paint_manager.h"

// The label's text output with GDI+: gradient text, glow, outline and shadow.
namespace ui {
namespace {

Gdiplus::StringAlignment HorizontalAlignment(uint32_t style) {
  if (style & DT_CENTER)
    return Gdiplus::StringAlignmentCenter;
  if (style & DT_RIGHT)
    return Gdiplus::StringAlignmentFar;
  return Gdiplus::StringAlignmentNear;
}

Gdiplus::StringAlignment VerticalAlignment(uint32_t style) {
  if (style & DT_VCENTER)
    return Gdiplus::StringAlignmentCenter;
  if (style & DT_BOTTOM)
    return Gdiplus::StringAlignmentFar;
  return Gdiplus::StringAlignmentNear;
}

// All ones stands for "the same as the start colour".
uint32_t GradientEnd(uint32_t start, uint32_t end) {
  return end == 0xFFFFFFFF ? start : end;
}

// Sets the quality that the glow's shrinking and blowing up relies on.
void SetSmoothQuality(Gdiplus::Graphics& graphics) {
  graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
  graphics.SetCompositingQuality(Gdiplus::CompositingQualityHighQuality);
  graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
  graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHighQuality);
}

// The text as every effect draws it, with its font and format.
struct TextRun {
  const wchar_t* text;
  int length;
  const Gdiplus::Font* font;
  const Gdiplus::StringFormat* format;

  void Draw(Gdiplus::Graphics& graphics,
            const Gdiplus::RectF& layout,
            const Gdiplus::Brush& brush) const {
    graphics.DrawString(text, length, font, layout, format, &brush);
  }
};

// A blur: the text drawn at the control's size, shrunk by the fuzziness and drawn back blown up
// at the shadow offset.
void DrawGlow(Gdiplus::Graphics& graphics,
              const TextRun& run,
              const Gdiplus::RectF& layout,
              const Gdiplus::Brush& brush,
              const RECT& control,
              const TextEffects& fx) {
  const int width = std::max<int>(1, control.right - control.left);
  const int height = std::max<int>(1, control.bottom - control.top);
  Gdiplus::Bitmap sharp(width, height, PixelFormat32bppARGB);
  const int smallWidth = std::max(1, static_cast<int>(width / fx.luminousFuzzy));
  const int smallHeight = std::max(1, static_cast<int>(height / fx.luminousFuzzy));
  Gdiplus::Bitmap reduced(smallWidth, smallHeight, PixelFormat32bppARGB);
  if (sharp.GetLastStatus() != Gdiplus::Ok || reduced.GetLastStatus() != Gdiplus::Ok)
    return;
  {
    Gdiplus::Graphics sharpGraphics(&sharp);
    sharpGraphics.Clear(Gdiplus::Color(0));
    SetSmoothQuality(sharpGraphics);
    sharpGraphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAliasGridFit);
    sharpGraphics.TranslateTransform(static_cast<Gdiplus::REAL>(-control.left),
                                     static_cast<Gdiplus::REAL>(-control.top));
    run.Draw(sharpGraphics, layout, brush);
  }
  {
    Gdiplus::Graphics reducedGraphics(&reduced);
    reducedGraphics.Clear(Gdiplus::Color(0));
    SetSmoothQuality(reducedGraphics);
    reducedGraphics.DrawImage(&sharp, 0, 0, smallWidth, smallHeight);
  }
  SetSmoothQuality(graphics);
  graphics.DrawImage(
      &reduced, Gdiplus::Rect(control.left + static_cast<int>(fx.shadowOffset.dx),
                              control.top + static_cast<int>(fx.shadowOffset.dy), width, height));
}

}  // namespace

// One GDI+ drawing from start to end on the same graphics: glow, outline, shadow, then the text.
void Label::PaintEffectText(HDC dc) {
  if (!gdiplus_.IsStarted() || !manager_ || !dc || text_.empty())
    return;
  const RECT textRect = GetTextRect();
  const int textWidth = textRect.right - textRect.left;
  const int textHeight = textRect.bottom - textRect.top;
  if (textWidth <= 0 || textHeight <= 0)
    return;

  Gdiplus::Graphics graphics(dc);
  if (graphics.GetLastStatus() != Gdiplus::Ok)
    return;
  graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAliasGridFit);
  Gdiplus::Font font(dc, manager_->GetFont(font_));
  if (font.GetLastStatus() != Gdiplus::Ok)
    return;
  Gdiplus::StringFormat format;
  format.SetAlignment(HorizontalAlignment(textStyle_));
  format.SetLineAlignment(VerticalAlignment(textStyle_));

  const TextEffects& fx = effects_;
  const Gdiplus::RectF layout(
      static_cast<Gdiplus::REAL>(textRect.left), static_cast<Gdiplus::REAL>(textRect.top),
      static_cast<Gdiplus::REAL>(textWidth), static_cast<Gdiplus::REAL>(textHeight));
  const Gdiplus::RectF shadowLayout(layout.X + fx.shadowOffset.dx, layout.Y + fx.shadowOffset.dy,
                                    layout.Width, layout.Height);

  // The gradient runs from (gradientAngle, 0) to (0, length) measured from the text rectangle,
  // so that its colours sit on the text wherever the label is placed. Equal end points would
  // make no brush, so the length is at least one pixel.
  const DisplayScale scale = Scale();
  const int length = std::max(
      1, fx.gradientLength != SkinLength(0) ? scale.Length(fx.gradientLength) : textHeight);
  const Gdiplus::Point gradientStart(textRect.left + scale.Length(fx.gradientAngle), textRect.top);
  const Gdiplus::Point gradientEnd(textRect.left, textRect.top + length);
  Gdiplus::LinearGradientBrush textBrush(gradientStart, gradientEnd, Gdiplus::Color(textColor_),
                                         Gdiplus::Color(GradientEnd(textColor_, fx.textColor1)));
  Gdiplus::LinearGradientBrush shadowBrush(
      gradientStart, gradientEnd, Gdiplus::Color(fx.shadowColorA),
      Gdiplus::Color(GradientEnd(fx.shadowColorA, fx.shadowColorB)));

  const TextRun run = {text_.c_str(), static_cast<int>(text_.size()), &font, &format};
  if (fx.glow)
    DrawGlow(graphics, run, layout, textBrush, rect_, fx);

  if (fx.stroke && fx.strokeColor != 0) {
    Gdiplus::SolidBrush strokeBrush{Gdiplus::Color(fx.strokeColor)};
    const POINT kShifts[] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}};
    for (const POINT& shift : kShifts) {
      const Gdiplus::RectF shifted(layout.X + shift.x, layout.Y + shift.y, layout.Width,
                                   layout.Height);
      run.Draw(graphics, shifted, strokeBrush);
    }
  }

  if (fx.shadow && (fx.shadowColorA != 0 || fx.shadowColorB != 0))
    run.Draw(graphics, shadowLayout, shadowBrush);

  run.Draw(graphics, layout, textBrush);
}

}  // namespace ui
