#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace ui {

class PaintManager;
struct ImageRecord;

// One image attribute of a control: the description text and what was parsed and resolved
// from it. The image itself belongs to the image cache.
struct ImageDrawInfo {
  void Clear();

  std::wstring description;
  std::wstring imageName;
  bool triedLoad = false;
  ImageRecord* image = nullptr;
  RECT dest = {0, 0, 0, 0};
  RECT source = {0, 0, 0, 0};
  RECT corner = {0, 0, 0, 0};
  uint8_t fade = 255;
  bool hole = false;
  bool tileX = false;
  bool tileY = false;
};

// A clip that a routine installed and that Restore undoes.
struct ClipState {
  RECT rect = {0, 0, 0, 0};
  HDC dc = nullptr;
  HRGN region = nullptr;
  HRGN previousRegion = nullptr;
};

// The window-wide hue/saturation/lightness shift; the process keeps it neutral.
struct HslShift {
  int hue = 180;
  int saturation = 100;
  int lightness = 100;
};

// Stateless drawing routines shared by every control. The drawing back end arrives with the
// render engine proper; until then the routines draw nothing and resolve no images, so controls
// lay out and paint their structure without pixels.
class RenderEngine {
 public:
  static bool DrawImageInfo(HDC dc,
                            PaintManager* manager,
                            const RECT& item,
                            const RECT& dirty,
                            ImageDrawInfo& info);
  static void DrawColor(HDC dc, const RECT& rect, uint32_t color);
  static void DrawGradient(HDC dc,
                           const RECT& rect,
                           uint32_t first,
                           uint32_t second,
                           bool vertical,
                           int steps);
  static void DrawLine(HDC dc, const RECT& rect, int width, uint32_t color, int penStyle);
  static void DrawRectOutline(HDC dc, const RECT& rect, int width, uint32_t color, int penStyle);
  static void DrawRoundRect(HDC dc,
                            const RECT& rect,
                            int width,
                            int ellipseWidth,
                            int ellipseHeight,
                            uint32_t color,
                            int penStyle);

  static ClipState RectClip(HDC dc, const RECT& rect);
  static ClipState RoundClip(HDC dc,
                             const RECT& dirty,
                             const RECT& item,
                             int ellipseWidth,
                             int ellipseHeight);
  static void RestoreClip(ClipState& clip);
  static void UseOuterClipBegin(HDC dc, const ClipState& clip);
  static void UseOuterClipEnd(HDC dc, const ClipState& clip);

  static uint32_t ApplyHsl(uint32_t color, int hue, int saturation, int lightness);
};

}  // namespace ui
