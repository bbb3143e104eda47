#pragma once

#include <windows.h>

#include <cstdint>
#include <string_view>

#include "ui/render/render_engine.h"

namespace ui {

class PaintManager;

// How a control's text is written: as it is, or in the formatted-text markup ("showhtml").
enum class TextMarkup { Plain, Formatted };

// The drawing calls behind a control's state images and text. The controls decide what to draw
// and in which order, falling back from one image to the next when one cannot be had; a painter
// carries the calls out. Tests put a recording painter in place of the device context.
class ControlPainter {
 public:
  // Resolves image on first use without drawing it; false when there is no image. Resolving
  // takes the place, source and fade from the description, so a control that sets them itself
  // resolves first.
  virtual bool ResolveImage(ImageDrawInfo& image) = 0;
  // Draws image (resolving it on first use) at the place its description gives; false when
  // there is no image to draw.
  virtual bool DrawImage(ImageDrawInfo& image) = 0;
  // The same at place, in the window's pixels relative to the control, for a part the control
  // lays out itself.
  virtual bool DrawImageAt(ImageDrawInfo& image, const RECT& place) = 0;
  // Fills the part of the control being painted.
  virtual void FillColor(uint32_t color) = 0;
  // Fills rect (window coordinates), whether or not it is being painted.
  virtual void FillRect(const RECT& rect, uint32_t color) = 0;
  virtual void DrawString(const RECT& rect,
                          std::wstring_view text,
                          uint32_t color,
                          int font,
                          uint32_t style,
                          TextMarkup markup) = 0;

 protected:
  ~ControlPainter() = default;
};

// Paints with the render engine into a device context: images are placed in item and cut to
// dirty, fills cover dirty.
class DeviceContextPainter final : public ControlPainter {
 public:
  DeviceContextPainter(HDC dc, PaintManager* manager, const RECT& item, const RECT& dirty)
      : dc_(dc), manager_(manager), item_(item), dirty_(dirty) {}

  bool ResolveImage(ImageDrawInfo& image) override;
  bool DrawImage(ImageDrawInfo& image) override;
  bool DrawImageAt(ImageDrawInfo& image, const RECT& place) override;
  void FillColor(uint32_t color) override;
  void FillRect(const RECT& rect, uint32_t color) override;
  void DrawString(const RECT& rect,
                  std::wstring_view text,
                  uint32_t color,
                  int font,
                  uint32_t style,
                  TextMarkup markup) override;

 private:
  HDC dc_;
  PaintManager* manager_;
  RECT item_;
  RECT dirty_;
};

// Measures text as DrawString would write it: rect is given with the width (and, for wrapped
// text, the height) to fit and comes back holding the text. Uses the manager's paint context;
// without one, and for empty text, the rectangle shrinks to its top-left corner.
void MeasureString(PaintManager* manager,
                   RECT& rect,
                   std::wstring_view text,
                   int font,
                   uint32_t style,
                   TextMarkup markup);

}  // namespace ui
