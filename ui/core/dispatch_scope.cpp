#include "ui/core/dispatch_scope.h"

#include <algorithm>
#include <vector>

#include "ui/core/control.h"

namespace ui {
namespace {

// Each UI thread has its own dispatches. The list is never freed: a thread-local object with a
// destructor would need the runtime's thread-exit support for very little.
thread_local int openScopes = 0;
thread_local std::vector<Control*>* retiredControls = nullptr;

std::vector<Control*>& Retired() {
  if (!retiredControls)
    retiredControls = new std::vector<Control*>();
  return *retiredControls;
}

// One at a time from the list itself: a destructor may retire more controls, or delete others.
void DeleteRetired() {
  std::vector<Control*>& retired = Retired();
  while (!retired.empty()) {
    Control* control = retired.front();
    retired.erase(retired.begin());
    delete control;
  }
}

}  // namespace

DispatchScope::DispatchScope() {
  ++openScopes;
}

DispatchScope::~DispatchScope() {
  if (--openScopes == 0 && retiredControls && !retiredControls->empty())
    DeleteRetired();
}

bool DispatchScope::IsOpen() {
  return openScopes > 0;
}

void DispatchScope::DeleteWhenClosed(Control* control) {
  Retired().push_back(control);
}

void DispatchScope::DeleteRetiredOf(const PaintManager* manager) {
  std::vector<Control*>& retired = Retired();
  for (;;) {
    auto it = std::find_if(retired.begin(), retired.end(),
                           [&](Control* control) { return control->GetManager() == manager; });
    if (it == retired.end())
      return;
    Control* control = *it;
    retired.erase(it);
    delete control;
  }
}

}  // namespace ui
