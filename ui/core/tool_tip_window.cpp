#include "ui/core/tool_tip_window.h"

#include <utility>

#include "ui/core/skin_settings.h"

namespace ui {

void ToolTipWindow::Show(HWND owner,
                         const Control* control,
                         std::wstring text,
                         const RECT& area,
                         POINT point,
                         int maxWidth) {
  text_ = std::move(text);
  toolInfo_ = {};
  toolInfo_.cbSize = TTTOOLINFOW_V2_SIZE;
  toolInfo_.uFlags = TTF_IDISHWND;
  toolInfo_.hwnd = owner;
  toolInfo_.uId = reinterpret_cast<UINT_PTR>(owner);
  toolInfo_.hinst = ProgramModule();
  toolInfo_.lpszText = text_.data();
  toolInfo_.rect = area;
  const LPARAM info = reinterpret_cast<LPARAM>(&toolInfo_);
  if (!window_) {
    // Without the common controls the tooltip window cannot be made; nothing else depends on
    // them.
    static bool commonControlsReady = false;
    if (!commonControlsReady) {
      INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_WIN95_CLASSES};
      commonControlsReady = ::InitCommonControlsEx(&classes) != FALSE;
    }
    window_.Reset(::CreateWindowExW(
        0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, ProgramModule(), nullptr));
    if (!window_)
      return;
    ::SendMessageW(window_.Get(), TTM_ADDTOOLW, 0, info);
    ::SendMessageW(window_.Get(), TTM_SETMAXTIPWIDTH, 0, maxWidth);
    ::SendMessageW(window_.Get(), TTM_SETTOOLINFOW, 0, info);
    ::SendMessageW(window_.Get(), TTM_TRACKACTIVATE, TRUE, info);
  }
  if (!lastControl_) {
    lastControl_ = control;
  } else {
    if (control != lastControl_ || maxWidth != cachedWidth_) {
      ::SendMessageW(window_.Get(), TTM_SETMAXTIPWIDTH, 0, maxWidth);
      if (control == lastControl_)
        cachedWidth_ = maxWidth;
    }
    ::SendMessageW(window_.Get(), TTM_SETTOOLINFOW, 0, info);
    ::SendMessageW(window_.Get(), TTM_TRACKACTIVATE, TRUE, info);
  }
  ::SendMessageW(window_.Get(), TTM_TRACKPOSITION, 0,
                 MAKELPARAM(static_cast<WORD>(point.x), static_cast<WORD>(point.y)));
}

}  // namespace ui
