#pragma once

#include <string>
#include <unordered_map>

#include "ui/render/display_scale.h"
#include "ui/render/image_loader.h"
#include "ui/render/image_record.h"

namespace ui {

// Decoded skin images by exact name. Each window has one of its own; one more is
// shared by every window of the process. The cache owns its records.
class ImageCache {
 public:
  ImageCache() = default;
  ImageCache(const ImageCache&) = delete;
  ImageCache& operator=(const ImageCache&) = delete;

  // The cache shared by all windows of the process.
  static ImageCache& Shared();

  ImageRecord* Find(const std::wstring& name) const;
  // Stores record under name, replacing (and freeing) an image of the same name.
  ImageRecord* Insert(const std::wstring& name, ImageRecordPtr record);
  void Clear() { images_.clear(); }
  size_t size() const { return images_.size(); }

 private:
  std::unordered_map<std::wstring, ImageRecordPtr> images_;
};

// Loads an image for the cache through readBytes: the name is read as a decimal resource
// identifier when a type is given and it starts with a digit; the record remembers type, mask
// and whether it follows the window-wide colour shift (keeping an unshifted copy of its pixels
// if so).
//
// The record is made for dpi: a skin file "name.png" may come with "name@1.5x.png" and
// "name@2x.png", and the variant that ChooseImageVariant picks is read; pixels drawn for another
// DPI than dpi are resampled to the skin size times dpi / 96, so that the image is drawn 1:1.
ImageRecordPtr LoadCacheImage(const std::wstring& name,
                              const wchar_t* type,
                              uint32_t mask,
                              bool followsShift,
                              const ImageBytesReader& readBytes,
                              int dpi = DisplayScale::kBaseDpi);

// The cache key of an image at a DPI: the name itself at 96 DPI.
std::wstring ImageCacheKey(const std::wstring& name, int dpi);

}  // namespace ui
