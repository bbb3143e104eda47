#include "ui/core/control.h"

#include "base/rect_math.h"
#include "ui/core/paint_manager.h"
#include "ui/render/render_engine.h"

// The fixed paint order of a control: background colour, background image, state images, text,
// border, each clipped to a rounded shape when the control has round corners.
namespace ui {

bool Control::Paint(HDC dc, const RECT& dirty, Control* stopAt) {
  if (this == stopAt)
    return false;
  if (!IsAlive() || !base::IntersectRects(dirty, rect_, paintRect_))
    return true;
  // A paint hook may destroy the control (or its container): it is then not painted.
  DispatchScope dispatch;
  if (!paintHooks.Fire(this) || !IsAlive())
    return true;
  if (!PaintSelf(dc, dirty, stopAt))
    return false;
  if (overlay_)
    return overlay_->Paint(dc, dirty, nullptr);
  return true;
}

bool Control::PaintSelf(HDC dc, const RECT&, Control*) {
  const bool rounded = borderRound_.Unscaled().cx > 0 || borderRound_.Unscaled().cy > 0;
  ClipState roundClip;
  if (rounded) {
    const SIZE round = Scale().Size(borderRound_);
    roundClip = RenderEngine::RoundClip(dc, paintRect_, rect_, round.cx, round.cy);
  }
  PaintBackgroundColor(dc);
  PaintBackgroundImage(dc);
  PaintStateImages(dc);
  PaintText(dc);
  PaintBorder(dc);
  if (rounded)
    RenderEngine::RestoreClip(roundClip);
  return true;
}

void Control::PaintBackgroundColor(HDC dc) {
  if (backColor_ == 0)
    return;
  if (backColor2_ == 0) {
    // An opaque colour only needs the dirty part; a translucent one is blended over the whole
    // control so that the result does not depend on how the dirty area was cut.
    const RECT& area = backColor_ >= 0xFF000000 ? paintRect_ : rect_;
    RenderEngine::DrawColor(dc, area, AdjustColor(backColor_));
    return;
  }
  if (backColor3_ != 0) {
    const int middle = (rect_.top + rect_.bottom) / 2;
    RenderEngine::DrawGradient(dc, {rect_.left, rect_.top, rect_.right, middle},
                               AdjustColor(backColor_), AdjustColor(backColor2_), /*vertical=*/true,
                               /*steps=*/8);
    RenderEngine::DrawGradient(dc, {rect_.left, middle, rect_.right, rect_.bottom},
                               AdjustColor(backColor2_), AdjustColor(backColor3_),
                               /*vertical=*/true, /*steps=*/8);
    return;
  }
  RenderEngine::DrawGradient(dc, rect_, AdjustColor(backColor_), AdjustColor(backColor2_),
                             /*vertical=*/true, /*steps=*/16);
}

void Control::PaintBackgroundImage(HDC dc) {
  if (backImage_.description.empty())
    return;
  RenderEngine::DrawImageInfo(dc, manager_, rect_, paintRect_, backImage_);
}

void Control::PaintStateImages(HDC) {}

void Control::PaintText(HDC) {}

void Control::PaintBorder(HDC dc) {
  if (borderSize_.Unscaled().left <= 0 || (borderColor_ == 0 && focusBorderColor_ == 0))
    return;
  // Lines scale but never thin to nothing.
  const DisplayScale scale = Scale();
  const RECT size = scale.BorderWidths(borderSize_);
  const uint32_t color =
      AdjustColor(IsFocused() && focusBorderColor_ != 0 ? focusBorderColor_ : borderColor_);
  if (borderRound_.Unscaled().cx > 0 || borderRound_.Unscaled().cy > 0) {
    const SIZE round = scale.Size(borderRound_);
    RenderEngine::DrawRoundRect(dc, rect_, size.left, round.cx, round.cy, color, borderStyle_);
    return;
  }
  if (size.top == size.left && size.right == size.left && size.bottom == size.left) {
    RenderEngine::DrawRectOutline(dc, rect_, size.left, color, borderStyle_);
    return;
  }
  const RECT& r = rect_;
  const int leftX = r.left + size.left / 2;
  RenderEngine::DrawLine(dc, {leftX, r.top, leftX, r.bottom}, size.left, color, borderStyle_);
  if (size.top > 0) {
    const int y = r.top + size.top / 2;
    RenderEngine::DrawLine(dc, {r.left + size.left, y, r.right - size.right, y}, size.top, color,
                           borderStyle_);
  }
  if (size.right > 0) {
    const int x = r.right - size.right / 2;
    RenderEngine::DrawLine(dc, {x, r.top, x, r.bottom}, size.right, color, borderStyle_);
  }
  if (size.bottom > 0) {
    const int y = r.bottom - size.bottom / 2;
    RenderEngine::DrawLine(dc, {r.left + size.left, y, r.right - size.right, y}, size.bottom, color,
                           borderStyle_);
  }
}

void Control::PaintAfter(HDC) {
  postPaintHooks.Fire(this);
}

}  // namespace ui
