#include "ui/controls/rich_edit_host.h"

#include <algorithm>
#include <cwchar>

#include "base/exception_barrier.h"
#include "base/rect_math.h"
#include "ui/controls/rich_edit.h"
#include "ui/controls/scroll_bar.h"
#include "ui/controls/text_services_library.h"
#include "ui/core/paint_manager.h"

namespace base {
bool InterfaceIds<ITextHost>::Match(REFIID iid) {
  return iid == ui::kIidTextHost;
}
}  // namespace base

namespace ui {
namespace {

constexpr int kHimetricPerInch = 2540;
constexpr int kTwipsPerInch = 1440;
constexpr LONG kDefaultTab = 720;

COLORREF ColorRefOf(uint32_t argb) {
  return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}

// The scroll bars that a bar argument of the service names (SB_HORZ, SB_VERT or SB_BOTH).
bool NamesHorizontal(INT bar) {
  return bar == SB_HORZ || bar == SB_BOTH;
}
bool NamesVertical(INT bar) {
  return bar == SB_VERT || bar == SB_BOTH;
}

}  // namespace

base::ComPtr<RichEditHost> RichEditHost::Create(RichEdit* owner, const Settings& settings) {
  const CreateTextServicesFunction factory = TextServicesFactory();
  if (!owner || !factory)
    return {};
  base::ComPtr<RichEditHost> host(new RichEditHost);
  host->owner_ = owner;
  host->style_ = settings.style;
  host->maxLength_ = settings.maxLength;
  if (settings.style & ES_PASSWORD)
    host->passwordChar_ = L'*';
  host->FillCharFormat(settings.font, settings.textColor);

  PARAFORMAT2& para = host->paraFormat_;
  para.cbSize = sizeof(PARAFORMAT2);
  para.dwMask = PFM_ALL;
  para.wAlignment = PFA_LEFT;
  para.cTabCount = 1;
  para.rgxTabs[0] = kDefaultTab;
  if (settings.style & ES_CENTER)
    para.wAlignment = PFA_CENTER;
  else if (settings.style & ES_RIGHT)
    para.wAlignment = PFA_RIGHT;

  if (settings.rich)
    host->flags_ |= HostRichText;
  if (!(settings.style & (ES_AUTOHSCROLL | WS_HSCROLL)))
    host->flags_ |= HostWordWrap;

  base::ComPtr<IUnknown> unknown;
  if (FAILED(factory(nullptr, host.Get(), unknown.Receive())) || !unknown)
    return {};
  const HRESULT queried = unknown.QueryInterface(kIidTextServices, host->services_);
  unknown.Reset();
  if (FAILED(queried) || !host->services_) {
    host->Shutdown();
    return {};
  }
  if (!settings.text.empty() && FAILED(host->services_->TxSetText(settings.text.c_str()))) {
    host->Shutdown();
    return {};
  }
  return host;
}

RichEditHost::~RichEditHost() = default;

void RichEditHost::Shutdown() {
  // Held here as well: the service may call back while it lets go of its place.
  base::ComPtr<ITextServices> services = std::move(services_);
  if (services && HasFlag(HostInPlaceActive))
    services->OnTxInPlaceDeactivate();
  flags_ &= ~HostInPlaceActive;
  services.Reset();
  // The thread's caret is this field's while it has the focus; it goes with the field.
  if (owner_ && owner_->IsFocused() && caretSize_.cx + caretSize_.cy > 0)
    ::DestroyCaret();
  owner_ = nullptr;
}

HWND RichEditHost::Window() const {
  PaintManager* manager = owner_ ? owner_->GetManager() : nullptr;
  return manager ? manager->PaintWindow() : nullptr;
}

HDC RichEditHost::MeasuringDC() {
  PaintManager* manager = owner_ ? owner_->GetManager() : nullptr;
  if (manager && manager->PaintDC())
    return manager->PaintDC();
  if (!ownDc_)
    ownDc_ = base::ScopedMemoryDC(::CreateCompatibleDC(nullptr));
  return ownDc_.Get();
}

void RichEditHost::FillCharFormat(HFONT font, uint32_t argb) {
  CHARFORMAT2W& format = charFormat_;
  format = {};
  format.cbSize = sizeof(CHARFORMAT2W);
  format.dwMask = CFM_SIZE | CFM_COLOR | CFM_FACE | CFM_OFFSET | CFM_CHARSET | CFM_BOLD |
                  CFM_ITALIC | CFM_UNDERLINE;
  format.crTextColor = ColorRefOf(argb);
  LOGFONTW description = {};
  if (!font || !::GetObjectW(font, sizeof(description), &description))
    ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(description), &description);
  if (description.lfWeight >= FW_BOLD)
    format.dwEffects |= CFE_BOLD;
  if (description.lfItalic)
    format.dwEffects |= CFE_ITALIC;
  if (description.lfUnderline)
    format.dwEffects |= CFE_UNDERLINE;
  HDC dc = MeasuringDC();
  const int dotsPerInch = dc ? ::GetDeviceCaps(dc, LOGPIXELSY) : 96;
  format.yHeight = std::abs(::MulDiv(description.lfHeight, kTwipsPerInch, dotsPerInch));
  format.yOffset = 0;
  format.bCharSet = description.lfCharSet;
  format.bPitchAndFamily = description.lfPitchAndFamily;
  std::wcsncpy(format.szFaceName, description.lfFaceName, LF_FACESIZE - 1);
}

void RichEditHost::ReportPropertyChange(DWORD bit) {
  if (services_)
    services_->OnTxPropertyBitsChange(bit, bit);
}

void RichEditHost::SetClientRect(const RECT& rect) {
  clientRect_ = rect;
  HDC dc = MeasuringDC();
  const int dotsX = dc ? ::GetDeviceCaps(dc, LOGPIXELSX) : 96;
  const int dotsY = dc ? ::GetDeviceCaps(dc, LOGPIXELSY) : 96;
  extent_.cx = ::MulDiv(rect.right - rect.left, kHimetricPerInch, dotsX);
  extent_.cy = ::MulDiv(rect.bottom - rect.top, kHimetricPerInch, dotsY);
  ReportPropertyChange(TXTBIT_VIEWINSETCHANGE);
}

void RichEditHost::SetFont(HFONT font) {
  FillCharFormat(font, 0);
  charFormat_.crTextColor = owner_ ? ColorRefOf(owner_->GetTextColor()) : 0;
  ReportPropertyChange(TXTBIT_CHARFORMATCHANGE);
}

void RichEditHost::SetTextColor(uint32_t argb) {
  charFormat_.crTextColor = ColorRefOf(argb);
  ReportPropertyChange(TXTBIT_CHARFORMATCHANGE);
}

void RichEditHost::SetTransparent(bool transparent) {
  SetFlag(HostTransparent, transparent);
  ReportPropertyChange(TXTBIT_BACKSTYLECHANGE);
}

void RichEditHost::SetRich(bool rich) {
  SetFlag(HostRichText, rich);
  ReportPropertyChange(TXTBIT_RICHTEXT);
}

// The limit is also sent as EM_EXLIMITTEXT: not every service asks the host again on the
// property change.
void RichEditHost::SetMaxLength(int length) {
  maxLength_ = length;
  ReportPropertyChange(TXTBIT_MAXLENGTHCHANGE);
  if (services_) {
    LRESULT result = 0;
    services_->TxSendMessage(EM_EXLIMITTEXT, 0, maxLength_, &result);
  }
}

bool RichEditHost::InPlaceActivate() {
  if (!services_)
    return false;
  flags_ |= HostInPlaceActive;
  if (FAILED(services_->OnTxInPlaceActivate(nullptr))) {
    flags_ &= ~HostInPlaceActive;
    return false;
  }
  return true;
}

// ITextHost. Every method that reaches the control or its paint manager runs behind a barrier:
// the service called it and no exception may unwind into the service.

HDC RichEditHost::TxGetDC() {
  return MeasuringDC();
}

INT RichEditHost::TxReleaseDC(HDC) {
  return 1;
}

BOOL RichEditHost::TxShowScrollBar(INT bar, BOOL show) {
  return base::CatchAllOr<BOOL>(FALSE, [&] {
    if (!owner_)
      return FALSE;
    bool changed = false;
    auto apply = [&](ScrollBar* scrollBar) {
      if (scrollBar && scrollBar->IsVisible() != (show != FALSE)) {
        scrollBar->SetVisible(show != FALSE);
        changed = true;
      }
    };
    if (NamesHorizontal(bar))
      apply(owner_->HorizontalScrollBar());
    if (NamesVertical(bar))
      apply(owner_->VerticalScrollBar());
    if (changed)
      owner_->RequestLayout();
    return TRUE;
  });
}

BOOL RichEditHost::TxEnableScrollBar(INT bars, INT arrows) {
  return base::CatchAllOr<BOOL>(FALSE, [&] {
    if (!owner_)
      return FALSE;
    const bool vertical = NamesVertical(bars) || owner_->VerticalScrollBar() != nullptr;
    const bool horizontal = NamesHorizontal(bars) || owner_->HorizontalScrollBar() != nullptr;
    owner_->ShowScrollBars(vertical, horizontal);
    if (arrows != ESB_DISABLE_BOTH) {
      if (NamesVertical(bars) && owner_->VerticalScrollBar())
        owner_->VerticalScrollBar()->SetVisible(true);
      if (NamesHorizontal(bars) && owner_->HorizontalScrollBar())
        owner_->HorizontalScrollBar()->SetVisible(true);
    }
    return TRUE;
  });
}

BOOL RichEditHost::TxSetScrollRange(INT bar, LONG minPos, INT maxPos, BOOL) {
  return base::CatchAllOr<BOOL>(FALSE, [&] {
    if (!owner_)
      return FALSE;
    ScrollBar* scrollBar = nullptr;
    int page = 0;
    if (bar == SB_VERT) {
      scrollBar = owner_->VerticalScrollBar();
      page = clientRect_.bottom - clientRect_.top;
    } else if (bar == SB_HORZ) {
      scrollBar = owner_->HorizontalScrollBar();
      page = clientRect_.right - clientRect_.left;
    }
    if (!scrollBar)
      return FALSE;
    const int64_t extent = int64_t{maxPos} - page - minPos;
    const bool show = extent > 0;
    scrollBar->SetScrollRange(show ? static_cast<int>(std::min<int64_t>(extent, INT32_MAX)) : 0);
    if (scrollBar->IsVisible() != show) {
      scrollBar->SetVisible(show);
      owner_->RequestLayout();
    }
    return TRUE;
  });
}

BOOL RichEditHost::TxSetScrollPos(INT bar, INT pos, BOOL) {
  return base::CatchAllOr<BOOL>(FALSE, [&] {
    if (!owner_)
      return FALSE;
    ScrollBar* scrollBar = bar == SB_VERT   ? owner_->VerticalScrollBar()
                           : bar == SB_HORZ ? owner_->HorizontalScrollBar()
                                            : nullptr;
    if (!scrollBar)
      return FALSE;
    scrollBar->SetScrollPos(pos, Notify::No);
    return TRUE;
  });
}

void RichEditHost::TxInvalidateRect(LPCRECT rect, BOOL) {
  base::CatchAllVoid([&] {
    PaintManager* manager = owner_ ? owner_->GetManager() : nullptr;
    if (manager)
      manager->Invalidate(rect ? *rect : clientRect_);
  });
}

void RichEditHost::TxViewChange(BOOL) {
  base::CatchAllVoid([&] {
    if (owner_ && owner_->OnServiceViewChanged())
      owner_->Invalidate();
  });
}

BOOL RichEditHost::TxCreateCaret(HBITMAP bitmap, INT width, INT height) {
  caretSize_ = {width, height};
  HWND window = Window();
  return window ? ::CreateCaret(window, bitmap, width, height) : FALSE;
}

BOOL RichEditHost::TxShowCaret(BOOL show) {
  SetFlag(HostCaretShown, show != FALSE);
  HWND window = Window();
  if (!window)
    return FALSE;
  return show ? ::ShowCaret(window) : ::HideCaret(window);
}

BOOL RichEditHost::TxSetCaretPos(INT x, INT y) {
  return base::CatchAllOr<BOOL>(FALSE, [&] {
    PaintManager* manager = owner_ ? owner_->GetManager() : nullptr;
    const RECT old = {caretPosition_.x, caretPosition_.y, caretPosition_.x + previousCaretSize_.cx,
                      caretPosition_.y + previousCaretSize_.cy};
    const bool layered = manager && manager->IsLayered();
    if (manager) {
      if (layered) {
        manager->Invalidate(old);
      } else if (HasFlag(HostCaretDirty)) {
        manager->Invalidate(old);
        SetFlag(HostCaretDirty, false);
      }
      if (layered)
        manager->Invalidate({x, y, x + caretSize_.cx, y + caretSize_.cy});
    }
    previousCaretSize_ = caretSize_;
    caretPosition_ = {x, y};
    return ::SetCaretPos(x, y);
  });
}

BOOL RichEditHost::TxSetTimer(UINT id, UINT timeout) {
  return base::CatchAllOr<BOOL>(FALSE, [&] {
    PaintManager* manager = owner_ ? owner_->GetManager() : nullptr;
    if (!manager)
      return FALSE;
    // The service sets a timer again to change its interval: the running one makes way.
    manager->StopTimer(owner_, id);
    if (!manager->StartTimer(owner_, id, timeout))
      return FALSE;
    SetFlag(HostTimerRunning, true);
    return TRUE;
  });
}

void RichEditHost::TxKillTimer(UINT id) {
  base::CatchAllVoid([&] {
    if (PaintManager* manager = owner_ ? owner_->GetManager() : nullptr)
      manager->StopTimer(owner_, id);
    SetFlag(HostTimerRunning, false);
  });
}

void RichEditHost::TxScrollWindowEx(INT, INT, LPCRECT, LPCRECT, HRGN, LPRECT, UINT) {}

void RichEditHost::TxSetCapture(BOOL capture) {
  PaintManager* manager = owner_ ? owner_->GetManager() : nullptr;
  if (!manager)
    return;
  // The flag first: taking or giving back the capture tells the window at once, and the field's
  // filter must not mistake the service's own release for a lost drag.
  SetFlag(HostCaptured, capture != FALSE);
  if (capture)
    manager->SetMouseCapture();
  else
    manager->ReleaseMouseCapture();
}

void RichEditHost::TxSetFocus() {
  base::CatchAllVoid([&] {
    if (owner_)
      owner_->SetFocus();
  });
}

void RichEditHost::TxSetCursor(HCURSOR cursor, BOOL) {
  ::SetCursor(cursor);
}

BOOL RichEditHost::TxScreenToClient(LPPOINT point) {
  HWND window = Window();
  return window && point ? ::ScreenToClient(window, point) : FALSE;
}

BOOL RichEditHost::TxClientToScreen(LPPOINT point) {
  HWND window = Window();
  return window && point ? ::ClientToScreen(window, point) : FALSE;
}

HRESULT RichEditHost::TxActivate(LONG*) {
  return S_OK;
}

HRESULT RichEditHost::TxDeactivate(LONG) {
  return S_OK;
}

HRESULT RichEditHost::TxGetClientRect(LPRECT rect) {
  if (!rect)
    return E_INVALIDARG;
  *rect = clientRect_;
  return S_OK;
}

HRESULT RichEditHost::TxGetViewInset(LPRECT rect) {
  if (!rect)
    return E_INVALIDARG;
  *rect = {0, 0, 0, 0};
  return S_OK;
}

HRESULT RichEditHost::TxGetCharFormat(const CHARFORMATW** format) {
  if (!format)
    return E_INVALIDARG;
  *format = reinterpret_cast<const CHARFORMATW*>(&charFormat_);
  return S_OK;
}

HRESULT RichEditHost::TxGetParaFormat(const PARAFORMAT** format) {
  if (!format)
    return E_INVALIDARG;
  *format = reinterpret_cast<const PARAFORMAT*>(&paraFormat_);
  return S_OK;
}

COLORREF RichEditHost::TxGetSysColor(int index) {
  return ::GetSysColor(index);
}

HRESULT RichEditHost::TxGetBackStyle(TXTBACKSTYLE* style) {
  if (!style)
    return E_INVALIDARG;
  *style = HasFlag(HostTransparent) ? TXTBACK_TRANSPARENT : TXTBACK_OPAQUE;
  return S_OK;
}

HRESULT RichEditHost::TxGetMaxLength(DWORD* length) {
  if (!length)
    return E_INVALIDARG;
  *length = static_cast<DWORD>(std::max(maxLength_, 0));
  return S_OK;
}

HRESULT RichEditHost::TxGetScrollBars(DWORD* scrollBars) {
  if (!scrollBars)
    return E_INVALIDARG;
  *scrollBars =
      style_ & (WS_VSCROLL | WS_HSCROLL | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_DISABLENOSCROLL);
  return S_OK;
}

HRESULT RichEditHost::TxGetPasswordChar(TCHAR* character) {
  if (!character)
    return E_INVALIDARG;
  *character = passwordChar_;
  return S_OK;
}

HRESULT RichEditHost::TxGetAcceleratorPos(LONG* position) {
  if (!position)
    return E_INVALIDARG;
  *position = acceleratorPosition_;
  return S_OK;
}

HRESULT RichEditHost::TxGetExtent(LPSIZEL extent) {
  if (!extent)
    return E_INVALIDARG;
  *extent = extent_;
  return S_OK;
}

HRESULT RichEditHost::OnTxCharFormatChange(const CHARFORMATW*) {
  return S_OK;
}

HRESULT RichEditHost::OnTxParaFormatChange(const PARAFORMAT*) {
  return S_OK;
}

HRESULT RichEditHost::TxGetPropertyBits(DWORD mask, DWORD* bits) {
  if (!bits)
    return E_INVALIDARG;
  DWORD answer = 0;
  if (style_ & ES_MULTILINE)
    answer |= TXTBIT_MULTILINE;
  if (HasFlag(HostRichText))
    answer |= TXTBIT_RICHTEXT;
  if (style_ & ES_READONLY)
    answer |= TXTBIT_READONLY;
  if (style_ & ES_PASSWORD)
    answer |= TXTBIT_USEPASSWORD;
  if (!(style_ & ES_NOHIDESEL))
    answer |= TXTBIT_HIDESELECTION;
  if (HasFlag(HostWordWrap))
    answer |= TXTBIT_WORDWRAP;
  *bits = answer & mask;
  return S_OK;
}

HRESULT RichEditHost::TxNotify(DWORD code, void* data) {
  return base::CatchAll([&] {
    if (code == EN_REQUESTRESIZE) {
      if (const auto* request = static_cast<const REQRESIZE*>(data)) {
        const RECT& wanted = request->rc;
        SetClientRect({clientRect_.left, clientRect_.top,
                       clientRect_.left + (wanted.right - wanted.left),
                       clientRect_.top + (wanted.bottom - wanted.top)});
      }
      return S_OK;
    }
    if (owner_)
      owner_->OnServiceNotify(code, data);
    return S_OK;
  });
}

HIMC RichEditHost::TxImmGetContext() {
  return nullptr;
}

void RichEditHost::TxImmReleaseContext(HIMC) {}

HRESULT RichEditHost::TxGetSelectionBarWidth(LONG* width) {
  if (!width)
    return E_INVALIDARG;
  *width = 0;
  return S_OK;
}

}  // namespace ui
