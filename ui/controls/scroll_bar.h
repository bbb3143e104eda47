#pragma once

#include "ui/controls/control.h"

namespace ui {

class Container;

// The scroll bar a container shows when its content overflows. This is the part that the
// container's scroll state rests on: orientation, range (the container's scroll extent),
// position (its scroll offset) and line steps. The bar's buttons, thumb, painting and input
// come with the scroll bar control proper.
class ScrollBar : public Control {
 public:
  ScrollBar();

  const wchar_t* GetClassName() const override;
  void* CastTo(std::wstring_view interfaceName) override;
  void SetVisible(bool visible) override;
  void SetAttribute(std::wstring_view name, std::wstring_view value) override;

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

 protected:
  bool horizontal_ = false;
  int range_ = 100;
  int position_ = 0;
  int lineSize_ = 8;
  int scrollUnit_ = 1;
  Container* owner_ = nullptr;
};

}  // namespace ui
