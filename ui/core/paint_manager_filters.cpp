#include <algorithm>

#include "ui/core/paint_manager.h"

// The objects that see a window's messages: filters before the manager handles a message,
// pre-filters and accelerators before a queued message is dispatched.
namespace ui {
namespace {

template <typename T>
bool AddTo(std::vector<T*>& list, T* item) {
  if (!item)
    return false;
  list.push_back(item);
  return true;
}

template <typename T>
bool RemoveFrom(std::vector<T*>& list, T* item) {
  auto it = std::find(list.begin(), list.end(), item);
  if (it == list.end())
    return false;
  list.erase(it);
  return true;
}

}  // namespace

bool PaintManager::AddPreFilter(IMessageFilter* filter) {
  return AddTo(preFilters_, filter);
}

bool PaintManager::RemovePreFilter(IMessageFilter* filter) {
  return RemoveFrom(preFilters_, filter);
}

bool PaintManager::AddFilter(IMessageFilter* filter) {
  return AddTo(filters_, filter);
}

bool PaintManager::RemoveFilter(IMessageFilter* filter) {
  return RemoveFrom(filters_, filter);
}

bool PaintManager::AddAccelerator(ITranslateAccelerator* accelerator) {
  return AddTo(accelerators_, accelerator);
}

bool PaintManager::RemoveAccelerator(ITranslateAccelerator* accelerator) {
  return RemoveFrom(accelerators_, accelerator);
}

bool PaintManager::TranslateAccelerators(MSG* message) {
  // By index: a translator may add or remove translators while it runs.
  for (size_t i = 0; i < accelerators_.size(); ++i) {
    if (accelerators_[i]->Translate(message) == 0)
      return true;
  }
  return false;
}

}  // namespace ui
