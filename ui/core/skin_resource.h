#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ui/render/image_loader.h"

namespace ui {

// Skin documents above this size are refused; exactly this size is accepted.
constexpr uint32_t kMaxSkinDocumentSize = 4u << 20;
// Resources (files or package entries) above this size count as absent, so that a damaged package
// directory cannot make a lookup allocate without bound.
constexpr uint32_t kMaxSkinResourceSize = 64u << 20;

// Reads the markup document |name| from where the skin settings point: the skin folder when no
// package is in use, else the package (name compared without regard to ASCII case, "\" as "/").
// On failure |bytes| is empty and |error| holds one of "Error opening file", "File is empty",
// "File too large", "Could not read file", "Error opening zip file",
// "Could not find ziped file", "Could not unzip file".
bool ReadSkinDocument(const wchar_t* name, std::vector<uint8_t>* bytes, std::wstring* error);

// Whether a name the skin does not hold may be read as a path of its own.
enum class PathFallback { Allowed, Never };

// Reads an image or other skin resource; empty when it cannot be had. With a |type|, |name| is a
// resource name or integer identifier (MAKEINTRESOURCE) in the resource module; type "*COLOR*"
// reads nothing, the name being a colour. Without a type, the name is looked up in the package
// or the skin folder. Whatever is not found there is finally tried as a path of its own when the
// fallback is allowed: an absolute path always, a path relative to the current folder only while
// the process is not elevated (a standard user may plant files there, in Downloads for one).
std::vector<uint8_t> ReadSkinResource(const wchar_t* name,
                                      const wchar_t* type = nullptr,
                                      PathFallback fallback = PathFallback::Allowed);

// The image reader of the skin: ReadSkinResource, where a variant is read from the skin only.
std::vector<uint8_t> ReadSkinImage(const wchar_t* name, const wchar_t* type, ImageName kind);

// Whether path names a place on its own: a drive and a root ("C:\", "C:/") or a UNC or device
// path ("\\server\share", "\\?\C:\"). "\a", "C:a" and "a" depend on the current folder.
bool IsAbsolutePath(const wchar_t* path);

}  // namespace ui
