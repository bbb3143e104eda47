#include "ui/core/paint_manager.h"

#include "ui/core/skin_resource.h"

namespace ui {

ImageRecord* PaintManager::AddImage(const std::wstring& name,
                                    const wchar_t* type,
                                    uint32_t mask,
                                    bool followsShift,
                                    bool shared) {
  // The window's images come from the skin.
  ImageRecordPtr record = LoadCacheImage(name, type, mask, followsShift, &ReadSkinResource);
  if (!record)
    return nullptr;
  ImageCache& target = shared || forceSharedResources_ ? ImageCache::Shared() : images_;
  return target.Insert(name, std::move(record));
}

ImageRecord* PaintManager::GetImage(const std::wstring& name) const {
  if (ImageRecord* own = images_.Find(name))
    return own;
  return ImageCache::Shared().Find(name);
}

ImageRecord* PaintManager::GetOrAddImage(const std::wstring& name,
                                         const wchar_t* type,
                                         uint32_t mask,
                                         bool followsShift) {
  if (ImageRecord* found = GetImage(name))
    return found;
  return AddImage(name, type, mask, followsShift, false);
}

void PaintManager::RemoveAllImages(bool shared) {
  (shared ? ImageCache::Shared() : images_).Clear();
}

}  // namespace ui
