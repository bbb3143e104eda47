#pragma once

#include <windows.h>

#include <cstdint>
#include <string_view>

#include "ui/controls/pointer_state.h"
#include "ui/core/control.h"

namespace ui {

class Container;
class ControlPainter;

// Where the parts of a scroll bar lie in the bar's rectangle.
struct ScrollBarParts {
  RECT button1 = {0, 0, 0, 0};  // top or left
  RECT button2 = {0, 0, 0, 0};  // bottom or right
  RECT thumb = {0, 0, 0, 0};    // all zero while there is no room for a track
};

// The parts of a bar of the given thickness over rect: square buttons at the ends (each an empty
// rectangle at its end when hidden), and between them a thumb whose length stands to the track
// as the bar's length to the bar's length plus range, at least the thickness, moved along the
// track in proportion to position. A bar not longer than its buttons and one thickness has no
// thumb, and its buttons share the length.
ScrollBarParts LayOutScrollBar(const RECT& rect,
                               bool horizontal,
                               int thickness,
                               int range,
                               int position,
                               bool showButton1,
                               bool showButton2);

// A scroll bar: two buttons, a track and a thumb. Owned by a container (which calls SetOwner
// when it creates it), it turns clicks, held buttons and thumb drags into the owner's scroll
// operations, which set its range and position. Without an owner it changes its own position
// and tells the window "scroll" (wParam the new position, lParam the old one), queued so that a
// burst of moves arrives as one notification. Held buttons and drags act on a 50 ms repeat
// timer: a first step at once, the next after six ticks, then one each tick.
class ScrollBar : public Control {
 public:
  // The identifier of the repeat timer.
  static constexpr uint32_t kRepeatTimerId = 10;
  // Ticks of the repeat timer before a held button or track repeats its step.
  static constexpr int kRepeatDelayTicks = 5;
  static constexpr uint32_t kRepeatInterval = 50;

  ScrollBar();
  ~ScrollBar() override;

  const wchar_t* GetClassName() const override;
  void* CastTo(std::wstring_view interfaceName) override;
  void SetRect(const RECT& rect, bool invalidate) override;
  void SetVisible(bool visible) override;
  void SetEnabled(bool enabled) override;
  void SetFocus() override;
  void OnEvent(ControlEvent& event) override;
  void SetAttribute(std::wstring_view name, std::wstring_view value) override;
  bool PaintSelf(HDC dc, const RECT& dirty, Control* stopAt) override;

  virtual Container* GetOwner() const;
  virtual void SetOwner(Container* owner);
  virtual bool IsHorizontal() const;
  virtual void SetHorizontal(bool horizontal);
  virtual int GetScrollRange() const;
  virtual void SetScrollRange(int range);
  virtual int GetScrollPos() const;
  virtual void SetScrollPos(int position, Notify notify);
  virtual int GetLineSize() const;
  virtual void SetLineSize(int size);
  virtual int GetScrollUnit() const;
  virtual void SetScrollUnit(int unit);
  // The step of one line: the scroll unit when it is above 1, else the line size.
  virtual int LineStep() const;
  virtual bool GetShowButton1() const;
  virtual void ShowButton1(bool show);
  virtual bool GetShowButton2() const;
  virtual void ShowButton2(bool show);

  // The images of each part by state, as the skin attributes name them: part is "bk",
  // "button1", "button2", "thumb" or "rail", state "normal", "hot", "pushed" or "disabled".
  // False for a name that is none of these.
  bool SetPartImage(std::wstring_view attributeName, std::wstring_view description);
  uint32_t GetButton1Color() const { return button1Color_; }
  uint32_t GetButton2Color() const { return button2Color_; }
  uint32_t GetThumbColor() const { return thumbColor_; }

  const ScrollBarParts& GetParts() const { return parts_; }
  uint32_t GetButton1State() const { return button1_.Bits(); }
  uint32_t GetButton2State() const { return button2_.Bits(); }
  uint32_t GetThumbState() const { return thumb_.Bits(); }
  int GetRepeatTicks() const { return repeatTicks_; }

  // The parts after the background and before the border: the background state image, the
  // buttons, the thumb and the rail, each coloured and drawn by its state.
  void PaintParts(ControlPainter& painter);

 private:
  enum Part { Background, Button1, Button2, Thumb, Rail, PartCount };
  enum ImageState { Normal, Hot, Pushed, Disabled, StateCount };

  int Thickness() const;
  int Length() const;
  // Back is up or left, forward down or right.
  enum class Direction { Back, Forward };

  // One line or page in direction: the owner's scroll operation, or a move of the bar's own
  // position.
  void LineStepBy(Direction direction);
  void PageStepBy(Direction direction);
  // A page step toward point when it lies on the track before or after the thumb.
  void PageTowards(POINT point);
  // A press at point: a button steps a line, the thumb starts a drag, the track pages; the
  // repeat timer starts.
  void Press(POINT point);
  // A tick of the repeat timer: a drag moves the position, a held button or track repeats its
  // step after the delay.
  void RepeatTick();
  void PassOn(ControlEvent& event);
  // Applies change to the pointer state of both buttons and the thumb; true when any changed.
  bool ChangeParts(bool (PointerState::*change)());
  // Draws the image of part for state (disabled, pushed, hot, else or failing: normal): at place
  // (window pixels) when one is given, else where its description puts it.
  void DrawPartImage(ControlPainter& painter, Part part, uint32_t state, const RECT* place);

  bool horizontal_ = false;
  int range_ = 100;
  int position_ = 0;
  int lineSize_ = 8;
  int scrollUnit_ = 1;
  Container* owner_ = nullptr;
  POINT dragStart_ = {0, 0};
  int dragStartPosition_ = 0;
  int dragDelta_ = 0;
  int repeatTicks_ = 0;
  bool showButton1_ = true;
  bool showButton2_ = true;
  // The buttons turn hot with the whole bar, the thumb when the pointer is over it; a held
  // button or thumb stays pushed wherever the pointer goes.
  PointerState button1_;
  PointerState button2_;
  PointerState thumb_;
  uint32_t button1Color_ = 0;
  uint32_t button2Color_ = 0;
  uint32_t thumbColor_ = 0;
  ScrollBarParts parts_;
  ImageDrawInfo images_[PartCount][StateCount];
};

}  // namespace ui
