#include "ui/controls/rich_edit.h"

#include <oleacc.h>

#include <algorithm>
#include <vector>

#include "base/attribute_values.h"
#include "base/rect_math.h"
#include "ui/controls/rich_edit_host.h"
#include "ui/controls/scroll_bar.h"
#include "ui/core/paint_manager.h"

namespace ui {
namespace {

// The notifications of the service that the window hears of as WM_NOTIFY.
// EN_MSGFILTER, EN_SELCHANGE to EN_CORRECTTEXT, EN_IMECHANGE, EN_PROTECTED to 0x70C.
bool IsForwardedNotification(DWORD code) {
  return code == 0x700 || (code >= 0x702 && code <= 0x704) || code == 0x706 ||
         (code >= 0x708 && code <= 0x70C);
}

}  // namespace

RichEdit::RichEdit() = default;

// The service goes first: it may still call the host while it lets go of its place, and the
// host still reaches this control then.
RichEdit::~RichEdit() {
  // A drag of the service's gives the window's capture back with it.
  if (host_ && host_->HasFlag(HostCaptured)) {
    host_->SetFlag(HostCaptured, false);
    if (manager_)
      manager_->ReleaseMouseCapture();
  }
  if (host_) {
    host_->Shutdown();
    host_.Reset();
  }
  if (filterManager_)
    filterManager_->RemoveFilter(this);
}

const wchar_t* RichEdit::GetClassName() const {
  return L"RichEdit";
}

void* RichEdit::CastTo(std::wstring_view interfaceName) {
  if (interfaceName == L"RichEdit")
    return this;
  return Container::CastTo(interfaceName);
}

uint32_t RichEdit::GetFlags() const {
  return IsEnabled() ? FlagTabStop | FlagSetCursor : 0;
}

std::wstring RichEdit::GetText() const {
  if (!host_ || !host_->Services())
    return std::wstring();
  const int length = GetTextLength();
  if (length <= 0)
    return std::wstring();
  std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1, L'\0');
  GETTEXTEX request = {};
  request.cb = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
  request.flags = GT_DEFAULT;
  request.codepage = 1200;
  LRESULT copied = 0;
  host_->Services()->TxSendMessage(EM_GETTEXTEX, reinterpret_cast<WPARAM>(&request),
                                   reinterpret_cast<LPARAM>(buffer.data()), &copied);
  const size_t count = std::min<size_t>(static_cast<size_t>(std::max<LRESULT>(copied, 0)),
                                        static_cast<size_t>(length));
  return std::wstring(buffer.data(), count);
}

int RichEdit::GetTextLength() const {
  if (!host_ || !host_->Services())
    return 0;
  GETTEXTLENGTHEX request = {};
  request.flags = GTL_DEFAULT;
  request.codepage = 1200;
  LRESULT length = 0;
  host_->Services()->TxSendMessage(EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&request), 0,
                                   &length);
  return static_cast<int>(std::max<LRESULT>(length, 0));
}

// Replacing the selection with undo switched off: the new text is no step the user can undo.
void RichEdit::SetText(std::wstring_view text) {
  const bool changed = text_ != text;
  text_ = text;
  if (changed)
    NotifyAccessibleEvent(EVENT_OBJECT_VALUECHANGE);
  if (!host_ || !host_->Services())
    return;
  base::ComPtr<ITextServices> services = host_->ServicesRef();
  LRESULT result = 0;
  CHARRANGE all = {0, -1};
  services->TxSendMessage(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&all), &result);
  services->TxSendMessage(EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text_.c_str()), &result);
}

RECT RichEdit::AreaInside() const {
  const RECT padding = Scale().Rect(textPadding_);
  RECT area = InnerRect();
  area.left += padding.left;
  area.top += padding.top;
  area.right -= padding.right;
  area.bottom -= padding.bottom;
  area.right = std::max(area.right, area.left);
  area.bottom = std::max(area.bottom, area.top);
  return area;
}

RECT RichEdit::TextArea() const {
  return host_ ? host_->ClientRect() : AreaInside();
}

bool RichEdit::FitVerticalBar(const RECT& area) {
  if (!verticalBar_ || !host_ || !host_->Services())
    return false;
  if (verticalBar_->IsVisible() && !fixingVerticalBar_)
    return false;
  const SIZEL extent = host_->Extent();
  LONG width = area.right - area.left;
  LONG height = 0;
  HDC dc = manager_ ? manager_->PaintDC() : nullptr;
  if (FAILED(host_->Services()->TxGetNaturalSize(DVASPECT_CONTENT, dc, nullptr, nullptr,
                                                 TXTNS_FITTOCONTENT, &extent, &width, &height))) {
    return false;
  }
  const bool fits = height <= area.bottom - area.top;
  if (!fits && !verticalBar_->IsVisible()) {
    verticalBar_->SetVisible(true);
    verticalBar_->SetScrollPos(0, Notify::No);
    fixingVerticalBar_ = true;
    return true;
  }
  if (fits && fixingVerticalBar_) {
    verticalBar_->SetVisible(false);
    fixingVerticalBar_ = false;
    return true;
  }
  return false;
}

void RichEdit::PlaceScrollBars() {
  const RECT inner = InnerRect();
  for (ScrollBar* bar : {verticalBar_, horizontalBar_}) {
    if (IsBarShown(bar))
      bar->SetRect(ScrollBarPlace(bar, inner), /*invalidate=*/false);
  }
}

void RichEdit::SetRect(const RECT& rect, bool invalidate) {
  // The size hooks may destroy the control: the rest of the layout is then skipped.
  DispatchScope dispatch;
  Control::SetRect(rect, invalidate);
  if (!IsAlive())
    return;
  if (host_) {
    // The window's fonts were made again at a new scale: the text takes the new one.
    if (manager_ && fontDpi_ != Scale().Dpi()) {
      fontDpi_ = Scale().Dpi();
      host_->SetFont(manager_->GetFont(font_));
    }
    host_->SetClientRect(AreaInside());
    // A bar shown or hidden to fit the text changes the area the text has.
    if (FitVerticalBar(AreaInside()))
      host_->SetClientRect(AreaInside());
  }
  PlaceScrollBars();
  PlaceItems();
}

// The text area moves with the control and keeps its padding.
void RichEdit::Offset(int dx, int dy, bool invalidate) {
  Container::Offset(dx, dy, invalidate);
  if (host_)
    host_->SetClientRect(AreaInside());
}

// A disabled field shows no caret: the service loses the focus while the control is disabled and
// gets it back when the control is enabled again with the focus still on it.
void RichEdit::SetEnabled(bool enabled) {
  const bool wasEnabled = IsEnabled();
  Container::SetEnabled(enabled);
  // A field that stops taking input ends the drag it may be in, and with it the capture.
  if (!IsEnabled())
    EndServiceDrag();
  if (wasEnabled != IsEnabled() && focused_ && host_)
    SendToService(IsEnabled() ? WM_SETFOCUS : WM_KILLFOCUS, 0, 0, nullptr);
}

void RichEdit::SetVisible(bool visible) {
  DispatchScope dispatch;
  Container::SetVisible(visible);
  if (IsAlive() && !IsVisible())
    EndServiceDrag();
}

void RichEdit::SetInheritedVisible(bool visible) {
  DispatchScope dispatch;
  Container::SetInheritedVisible(visible);
  if (IsAlive() && !IsVisible())
    EndServiceDrag();
}

void RichEdit::OnInitialize() {
  if (initialised_)
    return;
  initialised_ = true;
  RichEditHost::Settings settings;
  settings.style = style_;
  settings.rich = rich_;
  settings.maxLength = maxLength_;
  settings.font = manager_ ? manager_->GetFont(font_) : nullptr;
  fontDpi_ = Scale().Dpi();
  settings.textColor = textColor_;
  settings.text = text_;
  host_ = RichEditHost::Create(this, settings);
  if (!host_)
    return;
  base::ComPtr<ITextServices> services = host_->ServicesRef();
  if (transparent_)
    host_->SetTransparent(true);
  LRESULT result = 0;
  services->TxSendMessage(EM_SETLANGOPTIONS, 0, 0, &result);
  // The service reports changes of the content only when asked to.
  services->TxSendMessage(EM_SETEVENTMASK, 0, ENM_CHANGE, &result);
  host_->InPlaceActivate();
  if (manager_) {
    if (manager_->AddFilter(this))
      filterManager_ = manager_;
    if (manager_->IsLayered())
      manager_->StartTimer(this, kCaretTimer, ::GetCaretBlinkTime());
  }
}

bool RichEdit::OnServiceViewChanged() {
  return true;
}

void RichEdit::OnServiceNotify(DWORD code, void* data) {
  if (code == EN_CHANGE) {
    if (manager_)
      manager_->SendNotification(this, L"textchanged");
    return;
  }
  if (!data || !IsForwardedNotification(code) || !manager_ || !manager_->PaintWindow())
    return;
  HWND window = manager_->PaintWindow();
  auto* header = static_cast<NMHDR*>(data);
  header->hwndFrom = window;
  header->idFrom = static_cast<UINT_PTR>(::GetWindowLongPtrW(window, GWLP_ID));
  header->code = code;
  ::SendMessageW(window, WM_NOTIFY, header->idFrom, reinterpret_cast<LPARAM>(data));
}

std::wstring RichEdit::GetAttribute(std::wstring_view name) const {
  if (name == L"wanttab")
    return wantTab_ ? L"true" : L"false";
  return Container::GetAttribute(name);
}

void RichEdit::SetAttribute(std::wstring_view name, std::wstring_view value) {
  using base::attribute::ParseBool;
  if (name == L"vscrollbar") {
    if (ParseBool(value))
      style_ |= WS_VSCROLL | ES_DISABLENOSCROLL;
    Container::SetAttribute(name, value);
  } else if (name == L"autovscroll") {
    if (ParseBool(value))
      style_ |= ES_AUTOVSCROLL;
    Container::SetAttribute(name, value);
  } else if (name == L"hscrollbar") {
    if (ParseBool(value))
      style_ |= WS_HSCROLL | ES_DISABLENOSCROLL;
    Container::SetAttribute(name, value);
  } else if (name == L"autohscroll") {
    if (ParseBool(value))
      style_ |= ES_AUTOHSCROLL;
  } else if (name == L"wanttab") {
    SetWantTab(ParseBool(value));
  } else if (name == L"wantreturn") {
    SetWantReturn(ParseBool(value));
  } else if (name == L"wantctrlreturn") {
    SetWantCtrlReturn(ParseBool(value));
  } else if (name == L"transparent") {
    SetTransparent(ParseBool(value));
  } else if (name == L"rich") {
    SetRich(ParseBool(value));
  } else if (name == L"multiline") {
    if (value == L"false")
      style_ &= ~ES_MULTILINE;
  } else if (name == L"readonly") {
    if (ParseBool(value)) {
      style_ |= ES_READONLY;
      readOnly_ = true;
    }
  } else if (name == L"password") {
    if (ParseBool(value))
      style_ |= ES_PASSWORD;
  } else if (name == L"align") {
    if (value.find(L"left") != std::wstring_view::npos)
      style_ &= ~(ES_CENTER | ES_RIGHT);
    if (value.find(L"center") != std::wstring_view::npos)
      style_ |= ES_CENTER;
    if (value.find(L"right") != std::wstring_view::npos)
      style_ |= ES_RIGHT;
  } else if (name == L"maxchar") {
    SetMaxLength(base::attribute::ParseInt(value));
  } else if (name == L"font") {
    SetFont(base::attribute::ParseInt(value));
  } else if (name == L"textcolor") {
    SetTextColor(base::attribute::ParseColor(value));
  } else if (name == L"textpadding") {
    SetTextPadding(SkinRect(base::attribute::ParseRect(value)));
  } else {
    Container::SetAttribute(name, value);
  }
}

void RichEdit::SetFont(int font) {
  font_ = font;
  if (host_ && manager_)
    host_->SetFont(manager_->GetFont(font_));
}

void RichEdit::SetTextColor(uint32_t color) {
  textColor_ = color;
  if (host_)
    host_->SetTextColor(color);
}

void RichEdit::SetMaxLength(int length) {
  maxLength_ = std::max(length, 0);
  if (host_)
    host_->SetMaxLength(maxLength_);
}

void RichEdit::SetTextPadding(const SkinRect& padding) {
  textPadding_ = padding;
  RequestLayout();
}

void RichEdit::SetTransparent(bool transparent) {
  transparent_ = transparent;
  if (host_)
    host_->SetTransparent(transparent);
}

void RichEdit::SetRich(bool rich) {
  rich_ = rich;
  if (host_)
    host_->SetRich(rich);
}

// Only a fixed size: the text services do not size the control.
SIZE RichEdit::MeasureSize(SIZE) {
  return ScaledFixedSize();
}

bool RichEdit::PaintSelf(HDC dc, const RECT& dirty, Control* stopAt) {
  if (!Container::PaintSelf(dc, dirty, stopAt))
    return false;
  if (!host_ || !host_->Services())
    return true;
  RECT area;
  if (!base::IntersectRects(dirty, rect_, area))
    return true;
  ClipState clip = RenderEngine::RectClip(dc, area);
  RECTL bounds = {host_->ClientRect().left, host_->ClientRect().top, host_->ClientRect().right,
                  host_->ClientRect().bottom};
  RECT update = dirty;
  host_->Services()->TxDraw(DVASPECT_CONTENT, 0, nullptr, nullptr, dc, nullptr, &bounds, nullptr,
                            &update, nullptr, 0, TXTVIEW_ACTIVE);
  if (manager_ && manager_->IsLayered() && IsFocused() && host_->HasFlag(HostCaretShown) &&
      caretOn_) {
    const RECT caret = CaretRect();
    if (base::RectContains(rect_, {caret.left, caret.top})) {
      RenderEngine::DrawLine(dc, {caret.left, caret.top, caret.left, caret.bottom},
                             caret.right - caret.left, 0, PS_SOLID);
    }
  }
  RenderEngine::RestoreClip(clip);
  return true;
}

void RichEdit::SendScroll(UINT message, WORD code) {
  SendToService(message, MAKEWPARAM(code, 0), 0, nullptr);
}

void RichEdit::ScrollLineUp() {
  SendScroll(WM_VSCROLL, SB_LINEUP);
}
void RichEdit::ScrollLineDown() {
  SendScroll(WM_VSCROLL, SB_LINEDOWN);
}
void RichEdit::ScrollPageUp() {
  SendScroll(WM_VSCROLL, SB_PAGEUP);
}
void RichEdit::ScrollPageDown() {
  SendScroll(WM_VSCROLL, SB_PAGEDOWN);
}
void RichEdit::ScrollHome() {
  SendScroll(WM_VSCROLL, SB_TOP);
}
void RichEdit::ScrollEnd() {
  SendScroll(WM_VSCROLL, SB_BOTTOM);
}
void RichEdit::ScrollLineLeft() {
  SendScroll(WM_HSCROLL, SB_LINELEFT);
}
void RichEdit::ScrollLineRight() {
  SendScroll(WM_HSCROLL, SB_LINERIGHT);
}
void RichEdit::ScrollPageLeft() {
  SendScroll(WM_HSCROLL, SB_PAGELEFT);
}
void RichEdit::ScrollPageRight() {
  SendScroll(WM_HSCROLL, SB_PAGERIGHT);
}
void RichEdit::ScrollHomeLeft() {
  SendScroll(WM_HSCROLL, SB_LEFT);
}
void RichEdit::ScrollEndRight() {
  SendScroll(WM_HSCROLL, SB_RIGHT);
}

// The bars move first; the service then scrolls its view to where each moved bar now stands.
void RichEdit::SetScrollOffset(SIZE offset) {
  struct Axis {
    ScrollBar* bar;
    int wanted;
    UINT message;
  };
  for (const Axis& axis : {Axis{horizontalBar_, static_cast<int>(offset.cx), WM_HSCROLL},
                           Axis{verticalBar_, static_cast<int>(offset.cy), WM_VSCROLL}}) {
    if (!IsBarShown(axis.bar))
      continue;
    const int old = axis.bar->GetScrollPos();
    axis.bar->SetScrollPos(axis.wanted, Notify::No);
    const int now = axis.bar->GetScrollPos();
    if (now != old) {
      SendToService(axis.message, MAKEWPARAM(SB_THUMBPOSITION, static_cast<WORD>(now)), 0, nullptr);
    }
  }
}

// The text is the field's value; only "accname" names it.
void RichEdit::DescribeAccessible(AccessibleDescription& description) const {
  Control::DescribeAccessible(description);
  description.role = ROLE_SYSTEM_TEXT;
  description.name = GetAccessibleName();
  description.value = GetText();
}

}  // namespace ui
