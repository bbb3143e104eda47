#include "ui/core/control_painter.h"

#include "ui/core/paint_manager.h"

namespace ui {
namespace {

void OutputText(HDC dc,
                PaintManager* manager,
                RECT& rect,
                std::wstring_view text,
                uint32_t color,
                int font,
                uint32_t style,
                TextMarkup markup) {
  if (markup == TextMarkup::Formatted) {
    // Labels show no links: nothing is collected.
    int linkCount = 0;
    RenderEngine::DrawFormattedText(dc, manager, rect, text, color, nullptr, nullptr, linkCount,
                                    font, style);
    return;
  }
  RenderEngine::DrawPlainText(dc, manager, rect, text, color, font, style);
}

}  // namespace

bool DeviceContextPainter::ResolveImage(ImageDrawInfo& image) {
  return RenderEngine::ResolveImageInfo(manager_, image);
}

bool DeviceContextPainter::DrawImage(ImageDrawInfo& image) {
  return RenderEngine::DrawImageInfo(dc_, manager_, item_, dirty_, image);
}

bool DeviceContextPainter::DrawImageAt(ImageDrawInfo& image, const RECT& place) {
  return RenderEngine::DrawImageInfoAt(dc_, manager_, item_, place, dirty_, image);
}

void DeviceContextPainter::FillColor(uint32_t color) {
  RenderEngine::DrawColor(dc_, dirty_, color);
}

void DeviceContextPainter::FillRect(const RECT& rect, uint32_t color) {
  RenderEngine::DrawColor(dc_, rect, color);
}

void DeviceContextPainter::DrawString(const RECT& rect,
                                      std::wstring_view text,
                                      uint32_t color,
                                      int font,
                                      uint32_t style,
                                      TextMarkup markup) {
  RECT area = rect;
  OutputText(dc_, manager_, area, text, color, font, style, markup);
}

void MeasureString(PaintManager* manager,
                   RECT& rect,
                   std::wstring_view text,
                   int font,
                   uint32_t style,
                   TextMarkup markup) {
  // Empty text takes no room; the text output would leave the rectangle as it was given.
  if (!manager || !manager->PaintDC() || text.empty()) {
    rect.right = rect.left;
    rect.bottom = rect.top;
    return;
  }
  OutputText(manager->PaintDC(), manager, rect, text, 0, font, style | DT_CALCRECT, markup);
}

}  // namespace ui
