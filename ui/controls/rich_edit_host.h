#pragma once

#include <windows.h>

#include <richedit.h>
#include <textserv.h>

#include <cstdint>
#include <string>

#include "base/com_object.h"
#include "base/com_ptr.h"
#include "base/scoped_gdi.h"

namespace base {
// textserv.h declares ITextHost without an interface id.
template <>
struct InterfaceIds<ITextHost> {
  static bool Match(REFIID iid);
};
}  // namespace base

namespace ui {

class RichEdit;

// Bits of RichEditHost::Flags.
enum RichEditHostFlags : uint32_t {
  HostWordWrap = 0x2,
  HostRichText = 0x8,
  HostInPlaceActive = 0x20,
  HostTransparent = 0x40,
  HostTimerRunning = 0x80,
  HostCaptured = 0x100,
  HostCaretShown = 0x200,
  HostCaretDirty = 0x400,
};

// The window side of one windowless text service: it answers the service's questions (client
// rectangle, formats, property bits) and carries out its requests (caret, timers, capture,
// scroll bars, invalidation) on the owning RichEdit's paint manager and window. The host owns
// the service; the control owns the host through a ComPtr and calls Shutdown before it goes,
// after which the host answers without touching the control.
class RichEditHost final : public base::ComObject<ITextHost> {
 public:
  struct Settings {
    uint32_t style = 0;  // edit style bits (ES_…, WS_VSCROLL, WS_HSCROLL)
    bool rich = true;
    int maxLength = 32767;
    HFONT font = nullptr;
    uint32_t textColor = 0;  // ARGB
    std::wstring text;
  };

  // The host and its text service for owner; null when msftedit.dll or CreateTextServices cannot
  // be had, or the service refuses the text.
  static base::ComPtr<RichEditHost> Create(RichEdit* owner, const Settings& settings);

  // In-place deactivates and releases the service and forgets the control.
  void Shutdown();

  ITextServices* Services() const { return services_.Get(); }
  base::ComPtr<ITextServices> ServicesRef() const { return services_; }
  uint32_t Flags() const { return flags_; }
  bool HasFlag(uint32_t flag) const { return (flags_ & flag) != 0; }
  void SetFlag(uint32_t flag, bool on) { flags_ = on ? flags_ | flag : flags_ & ~flag; }

  // The text area in window coordinates; the service hears of the change.
  const RECT& ClientRect() const { return clientRect_; }
  void SetClientRect(const RECT& rect);
  SIZEL Extent() const { return extent_; }

  void SetFont(HFONT font);
  void SetTextColor(uint32_t argb);
  void SetTransparent(bool transparent);
  void SetRich(bool rich);
  void SetMaxLength(int length);
  // Puts the service in place (flag HostInPlaceActive); false when it refuses.
  bool InPlaceActivate();

  POINT CaretPosition() const { return caretPosition_; }
  SIZE CaretSize() const { return caretSize_; }
  const CHARFORMAT2W& CharFormat() const { return charFormat_; }
  const PARAFORMAT2& ParaFormat() const { return paraFormat_; }

  // ITextHost, in the order of the published interface.
  HDC TxGetDC() override;
  INT TxReleaseDC(HDC dc) override;
  BOOL TxShowScrollBar(INT bar, BOOL show) override;
  BOOL TxEnableScrollBar(INT bars, INT arrows) override;
  BOOL TxSetScrollRange(INT bar, LONG minPos, INT maxPos, BOOL redraw) override;
  BOOL TxSetScrollPos(INT bar, INT pos, BOOL redraw) override;
  void TxInvalidateRect(LPCRECT rect, BOOL mode) override;
  void TxViewChange(BOOL update) override;
  BOOL TxCreateCaret(HBITMAP bitmap, INT width, INT height) override;
  BOOL TxShowCaret(BOOL show) override;
  BOOL TxSetCaretPos(INT x, INT y) override;
  BOOL TxSetTimer(UINT id, UINT timeout) override;
  void TxKillTimer(UINT id) override;
  void TxScrollWindowEx(INT dx,
                        INT dy,
                        LPCRECT scroll,
                        LPCRECT clip,
                        HRGN update,
                        LPRECT updateRect,
                        UINT flags) override;
  void TxSetCapture(BOOL capture) override;
  void TxSetFocus() override;
  void TxSetCursor(HCURSOR cursor, BOOL text) override;
  BOOL TxScreenToClient(LPPOINT point) override;
  BOOL TxClientToScreen(LPPOINT point) override;
  HRESULT TxActivate(LONG* oldState) override;
  HRESULT TxDeactivate(LONG newState) override;
  HRESULT TxGetClientRect(LPRECT rect) override;
  HRESULT TxGetViewInset(LPRECT rect) override;
  HRESULT TxGetCharFormat(const CHARFORMATW** format) override;
  HRESULT TxGetParaFormat(const PARAFORMAT** format) override;
  COLORREF TxGetSysColor(int index) override;
  HRESULT TxGetBackStyle(TXTBACKSTYLE* style) override;
  HRESULT TxGetMaxLength(DWORD* length) override;
  HRESULT TxGetScrollBars(DWORD* scrollBars) override;
  HRESULT TxGetPasswordChar(TCHAR* character) override;
  HRESULT TxGetAcceleratorPos(LONG* position) override;
  HRESULT TxGetExtent(LPSIZEL extent) override;
  HRESULT OnTxCharFormatChange(const CHARFORMATW* format) override;
  HRESULT OnTxParaFormatChange(const PARAFORMAT* format) override;
  HRESULT TxGetPropertyBits(DWORD mask, DWORD* bits) override;
  HRESULT TxNotify(DWORD code, void* data) override;
  HIMC TxImmGetContext() override;
  void TxImmReleaseContext(HIMC context) override;
  HRESULT TxGetSelectionBarWidth(LONG* width) override;

 private:
  RichEditHost() = default;
  ~RichEditHost() override;

  HWND Window() const;
  // The DC the service measures with: the paint manager's, or a screen-compatible one of the
  // host's own while the manager has no window.
  HDC MeasuringDC();
  void FillCharFormat(HFONT font, uint32_t argb);
  void ReportPropertyChange(DWORD bit);

  RichEdit* owner_ = nullptr;
  base::ComPtr<ITextServices> services_;
  base::ScopedMemoryDC ownDc_;
  SIZE caretSize_ = {0, 0};
  SIZE previousCaretSize_ = {0, 0};
  POINT caretPosition_ = {0, 0};
  RECT clientRect_ = {0, 0, 0, 0};
  SIZEL extent_ = {0, 0};
  int maxLength_ = 32767;
  CHARFORMAT2W charFormat_ = {};
  PARAFORMAT2 paraFormat_ = {};
  uint32_t style_ = 0;
  uint32_t flags_ = 0;
  LONG acceleratorPosition_ = -1;
  wchar_t passwordChar_ = 0;
};

}  // namespace ui
