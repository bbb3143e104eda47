#include "ui/core/paint_manager.h"

#include "ui/core/skin_resource.h"

namespace ui {

ImageRecord* PaintManager::AddImage(const std::wstring& name,
                                    const wchar_t* type,
                                    uint32_t mask,
                                    bool followsShift,
                                    ResourceSet set) {
  // The window's images come from the skin.
  ImageRecordPtr record =
      LoadCacheImage(name, type, mask, followsShift, &ReadSkinImage, scale_.Dpi());
  if (!record)
    return nullptr;
  ImageCache& target =
      set == ResourceSet::Shared || forceSharedResources_ ? ImageCache::Shared() : images_;
  return target.Insert(ImageCacheKey(name, scale_.Dpi()), std::move(record));
}

ImageRecord* PaintManager::GetImage(const std::wstring& name) const {
  // Each scale has its own copy of an image.
  const std::wstring key = ImageCacheKey(name, scale_.Dpi());
  if (ImageRecord* own = images_.Find(key))
    return own;
  return ImageCache::Shared().Find(key);
}

ImageRecord* PaintManager::GetOrAddImage(const std::wstring& name,
                                         const wchar_t* type,
                                         uint32_t mask,
                                         bool followsShift) {
  if (ImageRecord* found = GetImage(name))
    return found;
  return AddImage(name, type, mask, followsShift, ResourceSet::Window);
}

void PaintManager::RemoveAllImages(ResourceSet set) {
  (set == ResourceSet::Shared ? ImageCache::Shared() : images_).Clear();
}

}  // namespace ui
