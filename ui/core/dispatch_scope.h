#pragma once

namespace ui {

class Control;
class PaintManager;

// Marks a dispatch under way on the UI thread: a stretch of framework code that calls out to code
// it does not know (event handlers, hooks, listeners, filters, queued tasks) and may go on using
// the controls it was working with afterwards. While a scope is open, Control::Destroy only
// retires a control: it and its subtree answer IsAlive with false at once and are told nothing
// more, but their memory stays until the outermost scope closes, so that every frame still on the
// stack can check them. Code that touches a control after a call out opens a scope before the call
// and checks IsAlive after it. Scopes nest; each costs a counter.
class DispatchScope {
 public:
  DispatchScope();
  // The outermost scope deletes the controls retired while it was open.
  ~DispatchScope();
  DispatchScope(const DispatchScope&) = delete;
  DispatchScope& operator=(const DispatchScope&) = delete;

  static bool IsOpen();
  // Keeps a retired control for deletion when the outermost scope closes.
  static void DeleteWhenClosed(Control* control);
  // Deletes at once the retired controls of manager, which goes away with them.
  static void DeleteRetiredOf(const PaintManager* manager);
};

}  // namespace ui
