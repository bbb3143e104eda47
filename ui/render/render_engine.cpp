#include "ui/render/render_engine.h"

namespace ui {

void ImageDrawInfo::Clear() {
  *this = ImageDrawInfo();
}

// Without an image cache nothing can be resolved yet; a manager-less call succeeds as it does
// once images load, and a call with a manager reports the image as missing.
bool RenderEngine::DrawImageInfo(HDC,
                                 PaintManager* manager,
                                 const RECT&,
                                 const RECT&,
                                 ImageDrawInfo& info) {
  if (!manager)
    return true;
  if (info.image)
    return true;
  info.triedLoad = true;
  return false;
}

void RenderEngine::DrawColor(HDC, const RECT&, uint32_t) {}

void RenderEngine::DrawGradient(HDC, const RECT&, uint32_t, uint32_t, bool, int) {}

void RenderEngine::DrawLine(HDC, const RECT&, int, uint32_t, int) {}

void RenderEngine::DrawRectOutline(HDC, const RECT&, int, uint32_t, int) {}

void RenderEngine::DrawRoundRect(HDC, const RECT&, int, int, int, uint32_t, int) {}

ClipState RenderEngine::RectClip(HDC dc, const RECT& rect) {
  ClipState clip;
  clip.dc = dc;
  clip.rect = rect;
  return clip;
}

ClipState RenderEngine::RoundClip(HDC dc, const RECT&, const RECT& item, int, int) {
  ClipState clip;
  clip.dc = dc;
  clip.rect = item;
  return clip;
}

void RenderEngine::RestoreClip(ClipState& clip) {
  clip = ClipState();
}

void RenderEngine::UseOuterClipBegin(HDC, const ClipState&) {}

void RenderEngine::UseOuterClipEnd(HDC, const ClipState&) {}

// Only the neutral shift occurs in this program, and it leaves colours as they are.
uint32_t RenderEngine::ApplyHsl(uint32_t color, int, int, int) {
  return color;
}

}  // namespace ui
