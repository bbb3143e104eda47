#include "ui/core/control.h"
#include "ui/core/paint_manager.h"
#include "ui/core/skin_settings.h"

// The hovered control's tooltip, in one tooltip window made on first use.
namespace ui {

void PaintManager::ShowToolTip(Control* control, POINT point) {
  std::wstring text = control->GetToolTip();
  if (text.empty())
    return;
  toolTipText_ = ReplaceLanguagePlaceholders(text);
  toolInfo_ = {};
  toolInfo_.cbSize = TTTOOLINFOW_V2_SIZE;
  toolInfo_.uFlags = TTF_IDISHWND;
  toolInfo_.hwnd = window_;
  toolInfo_.uId = reinterpret_cast<UINT_PTR>(window_);
  toolInfo_.hinst = ProgramModule();
  toolInfo_.lpszText = toolTipText_.data();
  toolInfo_.rect = control->GetRect();
  const LPARAM info = reinterpret_cast<LPARAM>(&toolInfo_);
  if (!toolTipWindow_) {
    toolTipWindow_ = ::CreateWindowExW(
        0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr, ProgramModule(), nullptr);
    if (!toolTipWindow_)
      return;
    ::SendMessageW(toolTipWindow_, TTM_ADDTOOLW, 0, info);
    ::SendMessageW(toolTipWindow_, TTM_SETMAXTIPWIDTH, 0,
                   scale_.Length(control->GetToolTipWidth()));
    ::SendMessageW(toolTipWindow_, TTM_SETTOOLINFOW, 0, info);
    ::SendMessageW(toolTipWindow_, TTM_TRACKACTIVATE, TRUE, info);
  }
  if (!lastToolTipControl_) {
    lastToolTipControl_ = control;
  } else {
    const int width = scale_.Length(control->GetToolTipWidth());
    if (control != lastToolTipControl_ || width != cachedToolTipWidth_) {
      ::SendMessageW(toolTipWindow_, TTM_SETMAXTIPWIDTH, 0, width);
      if (control == lastToolTipControl_)
        cachedToolTipWidth_ = width;
    }
    ::SendMessageW(toolTipWindow_, TTM_SETTOOLINFOW, 0, info);
    ::SendMessageW(toolTipWindow_, TTM_TRACKACTIVATE, TRUE, info);
  }
  ::SendMessageW(toolTipWindow_, TTM_TRACKPOSITION, 0,
                 MAKELPARAM(static_cast<WORD>(point.x), static_cast<WORD>(point.y)));
}

void PaintManager::HideToolTip() {
  if (toolTipWindow_) {
    ::SendMessageW(toolTipWindow_, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&toolInfo_));
  }
}

}  // namespace ui
