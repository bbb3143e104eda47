#include "ui/core/dispatch_scope.h"
#include "ui/core/paint_manager.h"

// The objects that see a window's messages: filters before the manager handles a message,
// pre-filters and accelerators before a queued message is dispatched. Each list may change while
// it is walked: a filter may add or remove filters, itself included.
namespace ui {

bool PaintManager::AddPreFilter(IMessageFilter* filter) {
  if (!filter)
    return false;
  preFilters_.Add(filter);
  return true;
}

bool PaintManager::RemovePreFilter(IMessageFilter* filter) {
  return preFilters_.Remove(filter);
}

bool PaintManager::AddFilter(IMessageFilter* filter) {
  if (!filter)
    return false;
  filters_.Add(filter);
  return true;
}

bool PaintManager::RemoveFilter(IMessageFilter* filter) {
  return filters_.Remove(filter);
}

bool PaintManager::AddAccelerator(ITranslateAccelerator* accelerator) {
  if (!accelerator)
    return false;
  accelerators_.Add(accelerator);
  return true;
}

bool PaintManager::RemoveAccelerator(ITranslateAccelerator* accelerator) {
  return accelerators_.Remove(accelerator);
}

bool PaintManager::TranslateAccelerators(MSG* message) {
  DispatchScope dispatch;
  bool translated = false;
  accelerators_.ForEach([&](ITranslateAccelerator* accelerator) {
    translated = accelerator->Translate(message) == 0;
    return !translated;
  });
  return translated;
}

}  // namespace ui
