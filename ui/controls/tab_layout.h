#pragma once

#include "ui/controls/container.h"

namespace ui {

// Shows one child at a time, the selected page, over its whole inner area; the other children
// are hidden. The first visible child added becomes the selected one.
class TabLayout : public Container {
 public:
  TabLayout();

  const wchar_t* GetClassName() const override;
  void* CastTo(std::wstring_view interfaceName) override;
  bool Add(Control* control) override;
  bool Insert(Control* control, int index) override;
  bool Remove(Control* control, bool keepAlive = false) override;
  void Clear() override;
  void SetRect(const RECT& rect, bool invalidate) override;
  void SetAttribute(std::wstring_view name, std::wstring_view value) override;

  virtual int GetSelectedIndex() const;
  // Shows page index and hides the others; false for an index out of range. Selecting the page
  // that is already selected changes nothing and sends nothing.
  virtual bool SelectItem(int index, Notify notify);

 protected:
  int selectedIndex_ = -1;
};

}  // namespace ui
