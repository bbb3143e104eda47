#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "ui/core/accessible_description.h"
#include "ui/core/delegate.h"
#include "ui/core/dispatch_scope.h"
#include "ui/render/display_scale.h"
#include "ui/render/render_engine.h"

// windows.h maps GetClassName to GetClassNameW; controls have a GetClassName of their own.
#undef GetClassName

namespace ui {

class PaintManager;
struct ControlEvent;

// Whether a change of state tells the window's listeners (a page switch "tabselect", a selection
// "selectchanged", a scroll position "scroll").
enum class Notify { No, Yes };

// Arguments of Control::Find.
enum FindFlags : uint32_t {
  FindVisible = 0x1,
  FindEnabled = 0x2,
  FindHitTest = 0x4,  // data is a POINT that must lie in the control
  FindUpdateTest = 0x8,
  FindTopFirst = 0x10,
  FindMeFirst = 0x80000000,
};

// Answers of Control::GetFlags.
enum ControlFlags : uint32_t {
  FlagTabStop = 0x1,
  FlagSetCursor = 0x2,
};

// Fractions of the parent's width and height added to a floating control's position.
struct FloatAnchor {
  double left = 0;
  double top = 0;
  double right = 0;
  double bottom = 0;
};

class Control;
using FindVisitor = Control* (*)(Control* control, void* data);

// The base of every skin element: the state all controls share, the common skin attributes,
// the layout hooks and the fixed paint order. A control is owned by its parent container (the
// root by its paint manager) and is deleted through Destroy; destroyed while a dispatch is under
// way (dispatch_scope.h), it is retired at once and deleted when the dispatch ends. Every derived
// class keeps the virtual operations below in this order and appends its own.
//
// Units, for writers of controls: the rectangle a control is laid out in, the size it measures
// to and every other plain int, SIZE or RECT here are the window's pixels. What the skin writes
// (fixed and limit sizes, paddings, insets, image places) is kept in the skin's 96-DPI units as a
// SkinLength, SkinSize or SkinRect (ui/render/skin_units.h), which do not mix with pixels. Layout
// and painting turn a skin value into pixels once, through Scale() or the Scaled... getters, and
// go back only through Scale().ToSkin. An image the control places itself is drawn with
// ControlPainter::DrawImageAt, whose place is in pixels; DrawImage scales the place that the
// image's description gives.
class Control {
 public:
  Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  virtual void Destroy();
  virtual ~Control();
  virtual std::wstring GetName() const;
  virtual void SetName(std::wstring_view name);
  virtual const wchar_t* GetClassName() const;
  virtual void* CastTo(std::wstring_view interfaceName);
  virtual uint32_t GetFlags() const;
  virtual HWND GetNativeWindow() const;
  virtual bool Activate();
  virtual PaintManager* GetManager() const;
  virtual void Attach(PaintManager* manager, Control* parent, bool initialize);
  virtual Control* GetParent() const;
  virtual Control* GetOverlay() const;
  virtual void SetOverlay(Control* overlay);
  virtual std::wstring GetText() const;
  virtual void SetText(std::wstring_view text);
  virtual const RECT& GetRect() const;
  virtual RECT GetRelativeRect() const;
  virtual RECT GetClientRect() const;
  virtual void SetRect(const RECT& rect, bool invalidate);
  virtual void Offset(int dx, int dy, bool invalidate);
  virtual int Width() const;
  virtual int Height() const;
  virtual int Left() const;
  virtual int Top() const;
  virtual SkinRect GetPadding() const;
  virtual void SetPadding(const SkinRect& padding);
  virtual SkinSize GetFloatOffset() const;
  virtual void SetFloatOffset(const SkinSize& offset);
  virtual FloatAnchor GetFloatAnchor() const;
  virtual void SetFloatAnchor(const FloatAnchor& anchor);
  virtual SkinLength GetFixedWidth() const;
  virtual void SetFixedWidth(SkinLength width);
  virtual SkinLength GetFixedHeight() const;
  virtual void SetFixedHeight(SkinLength height);
  virtual SkinLength GetMinWidth() const;
  virtual void SetMinWidth(SkinLength width);
  virtual SkinLength GetMaxWidth() const;
  virtual void SetMaxWidth(SkinLength width);
  virtual SkinLength GetMinHeight() const;
  virtual void SetMinHeight(SkinLength height);
  virtual SkinLength GetMaxHeight() const;
  virtual void SetMaxHeight(SkinLength height);
  virtual std::wstring GetToolTip() const;
  virtual void SetToolTip(std::wstring_view text);
  virtual void SetToolTipWidth(SkinLength width);
  virtual SkinLength GetToolTipWidth() const;
  virtual wchar_t GetShortcut() const;
  virtual void SetShortcut(wchar_t shortcut);
  virtual bool IsContextMenuEnabled() const;
  virtual void EnableContextMenu(bool enable);
  virtual std::wstring GetUserData() const;
  virtual void SetUserData(std::wstring_view text);
  virtual intptr_t GetTag() const;
  virtual void SetTag(intptr_t tag);
  virtual bool IsVisible() const;
  virtual void SetVisible(bool visible);
  virtual void SetInheritedVisible(bool visible);
  virtual bool IsEnabled() const;
  virtual void SetEnabled(bool enabled);
  virtual bool IsMouseEnabled() const;
  virtual void SetMouseEnabled(bool enabled);
  virtual bool IsKeyboardEnabled() const;
  virtual void SetKeyboardEnabled(bool enabled);
  virtual bool IsFocused() const;
  virtual void SetFocus();
  virtual bool IsFloat() const;
  virtual void SetFloat(bool floating);
  virtual Control* Find(FindVisitor visitor, void* data, uint32_t flags);
  virtual void Initialize();
  virtual void OnInitialize();
  virtual void HandleEvent(ControlEvent& event);
  virtual void OnEvent(ControlEvent& event);
  // Hands an event to OnEvent, except that a control whose mouse input is off leaves mouse
  // events to its parent (and, at the root, to the default handling). Events that a control
  // passes up go through here too.
  void DeliverEvent(ControlEvent& event);
  virtual std::wstring GetAttribute(std::wstring_view name) const;
  virtual void SetAttribute(std::wstring_view name, std::wstring_view value);
  virtual std::wstring GetAttributeList(bool ignoreDefaults) const;
  virtual void ApplyAttributeList(std::wstring_view list);
  virtual SIZE MeasureSize(SIZE available);
  virtual bool Paint(HDC dc, const RECT& dirty, Control* stopAt);
  virtual bool PaintSelf(HDC dc, const RECT& dirty, Control* stopAt);
  virtual void PaintBackgroundColor(HDC dc);
  virtual void PaintBackgroundImage(HDC dc);
  virtual void PaintStateImages(HDC dc);
  virtual void PaintText(HDC dc);
  virtual void PaintBorder(HDC dc);
  virtual void PaintAfter(HDC dc);
  // What the control is to a screen reader (control_accessibility.cpp): the base gives the name
  // ("accname", else the text) and the states that visibility, availability and the keyboard
  // focus make; a control that is more than layout adds its role, value and default action in
  // its own file, its verbs Active Accessibility's usual English ones (clients translate them).
  virtual void DescribeAccessible(AccessibleDescription& description) const;

  // The layout values in the window's pixels: the skin's values above times the window's display
  // scale (the base scale without a manager).
  DisplayScale Scale() const;
  RECT ScaledPadding() const { return Scale().Rect(GetPadding()); }
  int ScaledFixedWidth() const { return Scale().Length(GetFixedWidth()); }
  int ScaledFixedHeight() const { return Scale().Length(GetFixedHeight()); }
  SIZE ScaledFixedSize() const { return {ScaledFixedWidth(), ScaledFixedHeight()}; }
  int ScaledMinWidth() const { return Scale().Length(GetMinWidth()); }
  int ScaledMaxWidth() const { return Scale().Length(GetMaxWidth()); }
  int ScaledMinHeight() const { return Scale().Length(GetMinHeight()); }
  int ScaledMaxHeight() const { return Scale().Length(GetMaxHeight()); }
  // Where this floating control goes in a parent of the given size, relative to the parent's
  // top-left corner (its SetRect adds that corner): the anchors in the parent's pixels, the
  // offset and size scaled edge by edge.
  RECT FloatPlacement(int parentWidth, int parentHeight) const;

  // False once Destroy has been called on the control or one of its ancestors: it is then told
  // nothing more. Read after a call out, inside the DispatchScope that keeps it readable.
  bool IsAlive() const { return alive_; }

  // The control's child id in its window's accessible tree: given when the control joins a
  // manager and kept while it stays there, so that it names the same control across pages.
  long GetAccessibleId() const { return accessibleId_; }
  const std::wstring& GetAccessibleName() const { return accessibleName_; }
  void SetAccessibleName(std::wstring_view name) { accessibleName_ = name; }
  // Tells accessibility clients (NotifyWinEvent) of a change to the control, when it is in the
  // accessible tree and its window exists.
  void NotifyAccessibleEvent(uint32_t event);

  void Invalidate();
  void RequestLayout();
  void RequestParentLayout();
  bool IsLayoutNeeded() const { return needsLayout_; }
  uint32_t AdjustColor(uint32_t color) const;
  std::wstring GetVirtualWindow() const;

  // Unrecognised skin attributes; the first value given for a name is kept.
  void AddExtraAttribute(std::wstring_view name, std::wstring_view value);
  const wchar_t* GetExtraAttribute(std::wstring_view name) const;
  void RemoveExtraAttribute(std::wstring_view name);
  void ClearExtraAttributes() { extraAttributes_.clear(); }

  uint32_t GetBackColor() const { return backColor_; }
  uint32_t GetBackColor2() const { return backColor2_; }
  uint32_t GetBackColor3() const { return backColor3_; }
  uint32_t GetBorderColor() const { return borderColor_; }
  uint32_t GetFocusBorderColor() const { return focusBorderColor_; }
  SkinRect GetBorderSize() const { return borderSize_; }
  SkinSize GetBorderRound() const { return borderRound_; }
  int GetBorderStyle() const { return borderStyle_; }
  bool IsColorHsl() const { return colorHsl_; }
  const ImageDrawInfo& GetBackImage() const { return backImage_; }

  // Fired with the control at the end of Initialize, at destruction and in SetRect; with the
  // ControlEvent before OnEvent (false swallows it); with the Notification when one is sent;
  // with the control before painting (false skips it) and in PaintAfter.
  HookList initHooks;
  HookList destroyHooks;
  HookList sizeHooks;
  HookList eventHooks;
  HookList notifyHooks;
  HookList paintHooks;
  HookList postPaintHooks;

 protected:
  // Shrinks area by every ancestor; false when an ancestor is hidden or the area vanishes.
  bool ClipByAncestors(RECT& area) const;

  // The controls this one holds, in the one order in which they go when it goes, deleted or
  // retired: the children, then the scroll bars, then the overlay (the base gives the overlay; a
  // class that holds more puts its own before the base's). The control itself goes last.
  virtual std::vector<Control*> HeldInTeardownOrder() const;
  // Lets go of a held control that is about to be destroyed; false when this control holds it
  // without owning it (a container that does not own its items), so that it is not destroyed.
  virtual bool LetGo(Control* held);
  // Destroys the held controls in teardown order. The destructor of each class that holds
  // controls calls it first, while its own parts are still there.
  void DestroyHeld();

  PaintManager* manager_ = nullptr;
  Control* parent_ = nullptr;
  Control* overlay_ = nullptr;
  std::wstring virtualWindow_;
  std::wstring name_;
  bool needsLayout_ = true;
  bool contextMenu_ = false;
  RECT rect_ = {0, 0, 0, 0};
  SkinRect padding_;
  SkinSize floatOffset_;
  SkinLength fixedWidth_;
  SkinLength fixedHeight_;
  SkinLength minWidth_;
  SkinLength minHeight_;
  SkinLength maxWidth_{9999};
  SkinLength maxHeight_{9999};
  bool visible_ = true;
  bool inheritedVisible_ = true;
  bool enabled_ = true;
  bool mouseEnabled_ = true;
  bool keyboardEnabled_ = true;
  bool focused_ = false;
  bool floating_ = false;
  FloatAnchor floatAnchor_;
  bool inSizeHook_ = false;
  std::wstring text_;
  std::wstring toolTip_;
  wchar_t shortcut_ = 0;
  std::wstring userData_;
  intptr_t tag_ = 0;
  uint32_t backColor_ = 0;
  uint32_t backColor2_ = 0;
  uint32_t backColor3_ = 0;
  ImageDrawInfo backImage_;
  uint32_t borderColor_ = 0;
  uint32_t focusBorderColor_ = 0;
  bool colorHsl_ = false;
  int borderStyle_ = 0;
  SkinLength toolTipWidth_{300};
  SkinSize borderRound_;
  RECT paintRect_ = {0, 0, 0, 0};
  SkinRect borderSize_;
  std::map<std::wstring, std::wstring, std::less<>> extraAttributes_;
  std::wstring accessibleName_;

 private:
  // The base's skin attributes of layout and of look (control_attributes.cpp); false for a name
  // that is none of them.
  bool SetLayoutAttribute(std::wstring_view name, std::wstring_view value);
  bool SetLookAttribute(std::wstring_view name, std::wstring_view value);

  // Retires the control and its subtree in teardown order: each answers IsAlive with false, its
  // paint manager forgets it, its destroy hooks fire and every hook list is dropped.
  void RetireSubtree();
  void Retire();
  // What a control leaves when it goes, after its overlay: extra attributes cleared, the destroy
  // hooks fired while its paint manager still knows it, then forgotten by the manager.
  void Depart();

  bool alive_ = true;
  // Retired and waiting for the outermost dispatch to end.
  bool awaitingDelete_ = false;
  long accessibleId_ = 0;
};

}  // namespace ui
