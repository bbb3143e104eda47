#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "base/com_ptr.h"
#include "ui/controls/container.h"
#include "ui/core/message_filter.h"

namespace ui {

class RichEditHost;

// An editable text field drawn into the framework's own window by the system's windowless text
// services (msftedit.dll), hosted by a RichEditHost. While it has the focus (or the service holds
// the mouse) the control takes the window's keyboard and mouse messages as a message filter of
// its paint manager and hands them to the service; it paints the service's text into its text
// area (the rectangle less inset, visible scroll bars and text padding) and tells the window
// "textchanged" and "return". Without msftedit it is an empty container.
class RichEdit : public Container, public IMessageFilter {
 public:
  // The timer of the caret that the control draws itself on a layered window.
  static constexpr uint32_t kCaretTimer = 20;

  RichEdit();
  ~RichEdit() override;

  // Control and Container.
  const wchar_t* GetClassName() const override;
  void* CastTo(std::wstring_view interfaceName) override;
  uint32_t GetFlags() const override;
  std::wstring GetText() const override;
  void SetText(std::wstring_view text) override;
  void SetRect(const RECT& rect, bool invalidate) override;
  void Offset(int dx, int dy, bool invalidate) override;
  void SetEnabled(bool enabled) override;
  void SetVisible(bool visible) override;
  void SetInheritedVisible(bool visible) override;
  void OnInitialize() override;
  void OnEvent(ControlEvent& event) override;
  std::wstring GetAttribute(std::wstring_view name) const override;
  void SetAttribute(std::wstring_view name, std::wstring_view value) override;
  SIZE MeasureSize(SIZE available) override;
  bool PaintSelf(HDC dc, const RECT& dirty, Control* stopAt) override;
  void DescribeAccessible(AccessibleDescription& description) const override;
  void SetScrollOffset(SIZE offset) override;
  void ScrollLineUp() override;
  void ScrollLineDown() override;
  void ScrollPageUp() override;
  void ScrollPageDown() override;
  void ScrollHome() override;
  void ScrollEnd() override;
  void ScrollLineLeft() override;
  void ScrollLineRight() override;
  void ScrollPageLeft() override;
  void ScrollPageRight() override;
  void ScrollHomeLeft() override;
  void ScrollEndRight() override;

  // Hands a message to the text service; S_FALSE (not handled) without one. Return is kept from
  // the service and told to the window as "return" when the control does not want it.
  virtual HRESULT SendToService(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  // Whether a change of the service's view repaints the control.
  virtual bool OnServiceViewChanged();
  // A notification of the service (EN_…).
  virtual void OnServiceNotify(DWORD code, void* data);

  // IMessageFilter: the window's messages, before the paint manager routes them.
  LRESULT FilterMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

  int GetTextLength() const;
  void SetFont(int font);
  int GetFont() const { return font_; }
  void SetTextColor(uint32_t color);
  uint32_t GetTextColor() const { return textColor_; }
  void SetTextPadding(const SkinRect& padding);
  SkinRect GetTextPadding() const { return textPadding_; }
  void SetTransparent(bool transparent);
  void SetRich(bool rich);
  void SetWantTab(bool want) { wantTab_ = want; }
  bool IsWantTab() const { return wantTab_; }
  void SetWantReturn(bool want) { wantReturn_ = want; }
  bool IsWantReturn() const { return wantReturn_; }
  void SetWantCtrlReturn(bool want) { wantCtrlReturn_ = want; }
  bool IsWantCtrlReturn() const { return wantCtrlReturn_; }
  bool IsReadOnly() const { return readOnly_; }
  uint32_t GetStyle() const { return style_; }
  int GetMaxLength() const { return maxLength_; }
  // The most characters the text may hold; a negative limit counts as none.
  void SetMaxLength(int length);

  // The host, null until initialisation or when the text services cannot be had.
  RichEditHost* GetHost() const { return host_.Get(); }
  // The text area in window coordinates.
  RECT TextArea() const;

 private:
  // The rectangle less inset, visible scroll bars and text padding.
  RECT AreaInside() const;
  // Shows the vertical bar when the text does not fit the area (and hides it again when it was
  // shown for that reason only); true when the bar changed.
  bool FitVerticalBar(const RECT& area);
  void PlaceScrollBars();
  void SendScroll(UINT message, WORD code);
  // Whether Return (with Ctrl or without) goes to the text.
  bool TakesReturn() const;
  bool FilterMouse(UINT message, LPARAM lParam, bool& reportHandled);
  // Ends a drag of the service's (it holds the mouse): the capture goes back and the service
  // ends the selection where the pointer was last seen.
  void EndServiceDrag();
  void PlaceCompositionWindow();
  RECT CaretRect() const;
  void InvalidateCaret();

  base::ComPtr<RichEditHost> host_;
  bool fixingVerticalBar_ = false;
  bool wantTab_ = true;
  bool wantReturn_ = true;
  bool wantCtrlReturn_ = true;
  bool transparent_ = true;
  bool rich_ = true;
  bool readOnly_ = false;
  uint32_t textColor_ = 0;
  int font_ = -1;
  // The DPI of the font the text services were last given.
  int fontDpi_ = 0;
  int maxLength_ = 32767;
  uint32_t style_ = ES_MULTILINE;
  bool caretOn_ = true;
  bool initialised_ = false;
  // The paint manager that lists this control among its message filters.
  PaintManager* filterManager_ = nullptr;
  SkinRect textPadding_;
};

}  // namespace ui
