#include "ui/skin/skin_window.h"

#include <string_view>
#include <vector>

#include "base/exception_barrier.h"
#include "base/scoped_gdi.h"
#include "ui/core/control.h"
#include "ui/skin/dpi_change.h"
#include "ui/skin/skin_builder.h"

namespace ui {
namespace {

// The integer resource identifier that text writes in decimal; 0 when it is none.
WORD ResourceIdOf(std::wstring_view text) {
  if (text.empty() || text.size() > 5)
    return 0;
  unsigned value = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9')
      return 0;
    value = value * 10 + (c - L'0');
  }
  return value <= 0xFFFF ? static_cast<WORD>(value) : 0;
}

MONITORINFO NearestMonitorInfo(HWND window) {
  MONITORINFO info = {};
  info.cbSize = sizeof(info);
  if (!::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info)) {
    // Without monitor information the primary screen stands in.
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &info.rcWork, 0);
    info.rcMonitor = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  }
  return info;
}

constexpr wchar_t kSkinLoadFailedText[] = L"加载资源文件失败";
constexpr wchar_t kSkinLoadFailedCaption[] = L"错误";

const NotifyMapEntry kSkinWindowEntries[] = {
    OnNotify(L"click", L"", &SkinWindow::OnClickNotification),
    NotifyMapEnd(),
};

}  // namespace

const NotifyMessageMap SkinWindow::kMessageMap = {&NotifyPump::kMessageMap, kSkinWindowEntries};

SkinWindow::SkinWindow() = default;

SkinWindow::~SkinWindow() {
  accessibility_.Close();
  // A window that outlives its object must not reach it any more.
  DetachNativeWindow();
  RemoveRegistrations();
  paintManager_.DetachWindow();
}

const wchar_t* SkinWindow::WindowClassName() const {
  return nullptr;
}

const wchar_t* SkinWindow::SuperclassName() const {
  return nullptr;
}

UINT SkinWindow::ClassStyle() const {
  return CS_DBLCLKS;
}

LRESULT SkinWindow::ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  bool handled = true;
  LRESULT result = 0;
  switch (message) {
    case WM_CREATE:
      result = HandleCreate(message, wParam, lParam, handled);
      break;
    case WM_DESTROY:
      result = HandleDestroy(message, wParam, lParam, handled);
      break;
    case WM_SIZE:
      result = HandleSize(message, wParam, lParam, handled);
      break;
    case WM_SETFOCUS:
      result = HandleSetFocus(message, wParam, lParam, handled);
      break;
    case WM_KILLFOCUS:
      result = HandleKillFocus(message, wParam, lParam, handled);
      break;
    case WM_CLOSE:
      result = HandleClose(message, wParam, lParam, handled);
      break;
    case WM_GETMINMAXINFO:
      result = HandleGetMinMaxInfo(message, wParam, lParam, handled);
      break;
    case WM_NCCALCSIZE:
      result = HandleNcCalcSize(message, wParam, lParam, handled);
      break;
    case WM_NCHITTEST:
      result = HandleNcHitTest(message, wParam, lParam, handled);
      break;
    case WM_NCPAINT:
      result = HandleNcPaint(message, wParam, lParam, handled);
      break;
    case WM_NCACTIVATE:
      result = HandleNcActivate(message, wParam, lParam, handled);
      break;
    case WM_KEYDOWN:
      result = HandleKeyDown(message, wParam, lParam, handled);
      break;
    case WM_CHAR:
      result = HandleChar(message, wParam, lParam, handled);
      break;
    case WM_SYSCOMMAND:
      result = HandleSysCommand(message, wParam, lParam, handled);
      break;
    case WM_MOUSEMOVE:
      result = HandleMouseMove(message, wParam, lParam, handled);
      break;
    case WM_LBUTTONDOWN:
      result = HandleLButtonDown(message, wParam, lParam, handled);
      break;
    case WM_LBUTTONUP:
      result = HandleLButtonUp(message, wParam, lParam, handled);
      break;
    case WM_MOUSEWHEEL:
      result = HandleMouseWheel(message, wParam, lParam, handled);
      break;
    case WM_MOUSEHOVER:
      result = HandleMouseHover(message, wParam, lParam, handled);
      break;
    case WM_GETOBJECT:
      result = HandleGetObject(message, wParam, lParam, handled);
      break;
    case kDpiChangedMessage:
      result = HandleDpiChanged(message, wParam, lParam, handled);
      break;
    default:
      handled = false;
      break;
  }
  if (handled)
    return result;
  result = HandleOtherMessage(message, wParam, lParam, handled);
  if (handled)
    return result;
  if (paintManager_.HandleWindowMessage(message, wParam, lParam, result))
    return result;
  return WindowWrapper::ProcessWindowMessage(message, wParam, lParam);
}

void SkinWindow::OnWindowGone(HWND) {
  accessibility_.Disconnect();
  RemoveRegistrations();
  paintManager_.DetachWindow();
}

void SkinWindow::RemoveRegistrations() {
  paintManager_.RemovePreFilter(this);
  paintManager_.RemoveListener(this);
  paintManager_.ForgetControl(paintManager_.GetRoot());
}

LRESULT SkinWindow::HandleGetObject(UINT, WPARAM wParam, LPARAM lParam, bool& handled) {
  return accessibility_.HandleGetObject(NativeWindow(), wParam, lParam, paintManager_, *this,
                                        UiQueue(), handled);
}

long SkinWindow::AccessibleWindowRole() const {
  return ROLE_SYSTEM_CLIENT;
}

void SkinWindow::RefineAccessibleDescription(const Control&, AccessibleDescription&) const {}

void SkinWindow::OnSkinReady() {}

void SkinWindow::OnClickNotification(Notification& notification) {
  if (!notification.sender)
    return;
  const std::wstring name = notification.sender->GetName();
  if (name == L"closebtn")
    RequestClose(1);
  else if (name == L"minbtn")
    SendToWindow(WM_SYSCOMMAND, SC_MINIMIZE, 0);
  else if (name == L"maxbtn")
    SendToWindow(WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  else if (name == L"restorebtn")
    SendToWindow(WM_SYSCOMMAND, SC_RESTORE, 0);
}

std::wstring SkinWindow::SkinFolderName() const {
  return {};
}

std::wstring SkinWindow::SkinFileName() const {
  return {};
}

bool SkinWindow::OnDefaultKey(WPARAM key) {
  if (key != VK_ESCAPE)
    return false;
  RequestClose(1);
  return true;
}

SkinSourceKind SkinWindow::SkinSource() const {
  return SkinSourceKind::FolderFiles;
}

std::wstring SkinWindow::SkinPackageFileName() const {
  return {};
}

std::wstring SkinWindow::SkinResourceId() const {
  return {};
}

LRESULT SkinWindow::HandleClose(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT SkinWindow::HandleDestroy(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT SkinWindow::HandleNcActivate(UINT, WPARAM wParam, LPARAM, bool& handled) {
  if (::IsIconic(NativeWindow())) {
    handled = false;
    return 0;
  }
  // The window draws no frame: nothing changes with activation.
  return wParam == 0 ? TRUE : FALSE;
}

LRESULT SkinWindow::HandleNcCalcSize(UINT, WPARAM, LPARAM lParam, bool&) {
  if (!::IsZoomed(NativeWindow()) || !lParam)
    return 0;
  // Maximised, the window fills its monitor's work area, not the whole screen.
  RECT& proposed = *reinterpret_cast<RECT*>(lParam);
  const RECT work = NearestMonitorInfo(NativeWindow()).rcWork;
  proposed.right = proposed.left + (work.right - work.left);
  proposed.bottom = proposed.top + (work.bottom - work.top);
  return WVR_HREDRAW | WVR_VREDRAW;
}

LRESULT SkinWindow::HandleNcPaint(UINT, WPARAM, LPARAM, bool&) {
  return 0;
}

LRESULT SkinWindow::HandleNcHitTest(UINT, WPARAM, LPARAM lParam, bool&) {
  POINT point = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  ::ScreenToClient(NativeWindow(), &point);
  RECT client = {0, 0, 0, 0};
  ::GetClientRect(NativeWindow(), &client);
  return SkinWindowHitTest(paintManager_, point, client, ::IsZoomed(NativeWindow()) != FALSE);
}

LRESULT SkinWindow::HandleGetMinMaxInfo(UINT, WPARAM, LPARAM lParam, bool& handled) {
  handled = false;
  if (!lParam)
    return 0;
  auto& info = *reinterpret_cast<MINMAXINFO*>(lParam);
  const MONITORINFO monitor = NearestMonitorInfo(NativeWindow());
  info.ptMaxPosition = {monitor.rcWork.left - monitor.rcMonitor.left,
                        monitor.rcWork.top - monitor.rcMonitor.top};
  info.ptMaxTrackSize = {monitor.rcWork.right - monitor.rcWork.left,
                         monitor.rcWork.bottom - monitor.rcWork.top};
  const SIZE minimum = paintManager_.ScaledMinInfo();
  info.ptMinTrackSize = {minimum.cx, minimum.cy};
  return 0;
}

LRESULT SkinWindow::HandleMouseWheel(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT SkinWindow::HandleMouseHover(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT SkinWindow::HandleSize(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  const SIZE corner = paintManager_.ScaledRoundCorner();
  if (::IsIconic(NativeWindow()) || (corner.cx == 0 && corner.cy == 0))
    return 0;
  RECT bounds;
  if (!::GetWindowRect(NativeWindow(), &bounds))
    return 0;
  base::ScopedRegion region(::CreateRoundRectRgn(
      0, 0, bounds.right - bounds.left + 1, bounds.bottom - bounds.top + 1, corner.cx, corner.cy));
  // The window owns the region once it is set.
  if (region && ::SetWindowRgn(NativeWindow(), region.Get(), TRUE))
    static_cast<void>(region.Release());
  return 0;
}

LRESULT SkinWindow::HandleChar(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT SkinWindow::HandleSysCommand(UINT message, WPARAM wParam, LPARAM lParam, bool&) {
  // The low four bits of a system command are the system's own.
  if ((wParam & 0xFFF0) == SC_CLOSE) {
    SendToWindow(WM_CLOSE, 0, 0);
    return 0;
  }
  const bool wasZoomed = ::IsZoomed(NativeWindow()) != FALSE;
  const LRESULT result = CallPreviousWindowProc(message, wParam, lParam);
  if (NativeWindow() && wasZoomed != (::IsZoomed(NativeWindow()) != FALSE)) {
    Control* maximize = paintManager_.FindControlByName(L"maxbtn");
    Control* restore = paintManager_.FindControlByName(L"restorebtn");
    if (maximize && restore) {
      maximize->SetVisible(wasZoomed);
      restore->SetVisible(!wasZoomed);
    }
  }
  return result;
}

LRESULT SkinWindow::HandleCreate(UINT, WPARAM, LPARAM, bool&) {
  // A window that could not be built (an exception from the builder, the resources or the
  // application's OnSkinReady) would stay empty: that ends like a skin that cannot be loaded.
  LRESULT result = 0;
  if (!base::CatchAllVoid([&] { result = BuildWindow(); }))
    FailSkinLoad(L"an exception was thrown while the window was built");
  return result;
}

LRESULT SkinWindow::BuildWindow() {
  HWND window = NativeWindow();
  ::SetWindowLongPtrW(window, GWL_STYLE, WindowStyle() | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
  RECT client = {0, 0, 0, 0};
  ::GetClientRect(window, &client);
  ::SetWindowPos(window, nullptr, client.left, client.top, client.right - client.left,
                 client.bottom - client.top, SWP_FRAMECHANGED);

  paintManager_.AttachWindow(window);
  paintManager_.AddPreFilter(this);

  if (SkinFolder().empty())
    SetSkinFolder(ProgramFolder() + SkinFolderName());
  else
    SetSkinFolder(SkinFolder());

  switch (SkinSource()) {
    case SkinSourceKind::PackageFile:
      UsePackageFile(SkinPackageFileName(), PackageHandling::KeepOpen);
      break;
    case SkinSourceKind::PackageResource:
      // Without the package the window stays empty; only a skin that cannot be built is fatal.
      if (!UseSkinPackageResource())
        return 0;
      break;
    case SkinSourceKind::FolderFiles:
    case SkinSourceKind::ProgramResource:
      break;
  }

  SkinBuilder builder;
  const std::wstring fileName = SkinFileName();
  Control* root = nullptr;
  if (SkinSource() == SkinSourceKind::ProgramResource) {
    if (const WORD id = ResourceIdOf(fileName))
      root = builder.BuildFrom(MAKEINTRESOURCEW(id), L"xml", this, &paintManager_, nullptr);
  } else {
    root = builder.BuildFrom(fileName.c_str(), nullptr, this, &paintManager_, nullptr);
  }
  if (!root) {
    const MarkupDocument& document = builder.Document();
    FailSkinLoad(L"the skin \"" + fileName + L"\" could not be built: " + document.ErrorMessage() +
                 L" " + document.ErrorLocation());
  }
  paintManager_.AttachRoot(root);
  paintManager_.AddListener(this);
  OnSkinReady();
  return 0;
}

bool SkinWindow::UseSkinPackageResource() {
  const std::wstring id = SkinResourceId();
  const WORD number = ResourceIdOf(id);
  const wchar_t* name = number ? MAKEINTRESOURCEW(number) : id.c_str();
  HMODULE module = ResourceModule();
  HRSRC resource = ::FindResourceW(module, name, L"ZIPRES");
  HGLOBAL loaded = resource ? ::LoadResource(module, resource) : nullptr;
  const DWORD size = resource ? ::SizeofResource(module, resource) : 0;
  const void* data = loaded ? ::LockResource(loaded) : nullptr;
  if (!data || size == 0)
    return false;
  // The package reads from this copy until the process ends; once a package in memory is in use,
  // it stays (UsePackageMemory keeps the first block).
  static std::vector<uint8_t> block;
  if (SkinPackageName() != kMemoryPackageName) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    block.assign(bytes, bytes + size);
    UsePackageMemory(block.data(), block.size());
  }
  return true;
}

void SkinWindow::OnSkinLoadFailed(const std::wstring&) {}

void SkinWindow::FailSkinLoad(const std::wstring& reason) {
  // The message and the exit follow whatever the application's record does.
  base::CatchAllVoid([&] { OnSkinLoadFailed(reason); });
  ::MessageBoxW(nullptr, kSkinLoadFailedText, kSkinLoadFailedCaption, MB_ICONERROR);
  ::ExitProcess(1);
}

LRESULT SkinWindow::HandleKeyDown(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT SkinWindow::HandleKillFocus(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT SkinWindow::HandleSetFocus(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT SkinWindow::HandleLButtonDown(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT SkinWindow::HandleLButtonUp(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT SkinWindow::HandleMouseMove(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT SkinWindow::HandleDpiChanged(UINT, WPARAM wParam, LPARAM lParam, bool&) {
  ApplyDpiChange(paintManager_, NativeWindow(), wParam, lParam);
  return 0;
}

LRESULT SkinWindow::HandleOtherMessage(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

DWORD SkinWindow::WindowStyle() const {
  return static_cast<DWORD>(::GetWindowLongPtrW(NativeWindow(), GWL_STYLE)) & ~WS_CAPTION;
}

void SkinWindow::ReceiveNotification(Notification& notification) {
  PumpNotification(notification);
}

LRESULT SkinWindow::FilterMessage(UINT message, WPARAM wParam, LPARAM, bool&) {
  if (message == WM_KEYDOWN && (wParam == VK_RETURN || wParam == VK_ESCAPE))
    return OnDefaultKey(wParam);
  return 0;
}

Control* SkinWindow::CreateCustomControl(const wchar_t*) {
  return nullptr;
}

const NotifyMessageMap* SkinWindow::GetMessageMap() const {
  return &kMessageMap;
}

}  // namespace ui
