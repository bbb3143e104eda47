#pragma once

#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/notification_log.h"
#include "ui/controls/container.h"
#include "ui/core/control_painter.h"
#include "ui/core/paint_manager.h"

// Helpers for tests of controls: building them from attributes, handing them events, and a
// painter that records instead of drawing.
namespace ui::testing_support {

using Attributes = std::initializer_list<std::pair<const wchar_t*, const wchar_t*>>;

// Creates a control of type T and gives it the attributes in order, as the skin builder would.
template <typename T>
T* Make(Attributes attributes = {}) {
  T* control = new T;
  for (const auto& [name, value] : attributes)
    control->SetAttribute(name, value);
  return control;
}

// Stands in for the device context: records what a control paints. Every image with a
// description draws, except those listed in missing.
class RecordingPainter : public ControlPainter {
 public:
  // dest is the place DrawImageAt was given (inPixels), else the image's own destination in
  // skin units.
  struct ImageCall {
    std::wstring description;
    uint8_t fade;
    RECT dest;
    bool inPixels;
  };
  struct TextCall {
    RECT rect;
    std::wstring text;
    uint32_t color;
    int font;
    uint32_t style;
    TextMarkup markup;
  };

  // Like the render engine, the first resolve takes place and fade from the description: here
  // always the defaults, so a control that sets them before resolving loses them.
  bool ResolveImage(ImageDrawInfo& image) override {
    if (!image.triedLoad) {
      image.triedLoad = true;
      image.dest = SkinRect();
      image.fade = 255;
    }
    return !image.description.empty() && !missing.count(image.description);
  }
  bool DrawImage(ImageDrawInfo& image) override {
    if (!ResolveImage(image))
      return false;
    images.push_back({image.description, image.fade, image.dest.Unscaled(), false});
    return true;
  }
  bool DrawImageAt(ImageDrawInfo& image, const RECT& place) override {
    if (!ResolveImage(image))
      return false;
    images.push_back({image.description, image.fade, place, true});
    return true;
  }
  void FillColor(uint32_t color) override { fills.push_back(color); }
  void FillRect(const RECT& rect, uint32_t color) override { rectFills.push_back({rect, color}); }
  void DrawString(const RECT& rect,
                  std::wstring_view text,
                  uint32_t color,
                  int font,
                  uint32_t style,
                  TextMarkup markup) override {
    texts.push_back({rect, std::wstring(text), color, font, style, markup});
  }

  // The drawn images' descriptions, joined by " + ".
  std::wstring Drawn() const {
    std::wstring joined;
    for (const ImageCall& call : images)
      joined += (joined.empty() ? L"" : L" + ") + call.description;
    return joined;
  }

  std::set<std::wstring> missing;
  std::vector<ImageCall> images;
  std::vector<uint32_t> fills;
  struct RectFill {
    RECT rect;
    uint32_t color;
  };
  std::vector<RectFill> rectFills;
  std::vector<TextCall> texts;
};

// A control event as the paint manager would hand it over.
inline ControlEvent MakeEvent(ControlEventKind kind, POINT point = {0, 0}, uint32_t wParam = 0) {
  ControlEvent event;
  event.kind = kind;
  event.mousePoint = point;
  event.wParam = wParam;
  event.keyChar = static_cast<wchar_t>(wParam);
  return event;
}

// One control of type T inside a container that a window-less paint manager holds, with a log
// of the manager's notifications.
template <typename T>
struct ControlInWindow {
  explicit ControlInWindow(RECT rect = {10, 10, 110, 40}) : control(new T) {
    root->Add(control);
    manager.AttachRoot(root);
    manager.AddListener(&log);
    root->SetRect({0, 0, 600, 400}, false);
    control->SetRect(rect, false);
  }

  void Send(ControlEventKind kind, POINT point, uint32_t wParam = 0) {
    ControlEvent event = MakeEvent(kind, point, wParam);
    control->HandleEvent(event);
  }

  NotificationLog log;  // outlives the manager, which may still notify while it tears down
  PaintManager manager;
  Container* root = new Container;
  T* control;
};

}  // namespace ui::testing_support
