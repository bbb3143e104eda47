#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

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

// Reads an image or other skin resource; empty when it cannot be had. With a |type|, |name| is a
// resource name or integer identifier (MAKEINTRESOURCE) in the resource module; type "*COLOR*"
// reads nothing, the name being a colour. Without a type, the name is looked up in the package
// or the skin folder. Whatever is not found there is finally tried as a path of its own,
// absolute or relative to the current directory.
std::vector<uint8_t> ReadSkinResource(const wchar_t* name, const wchar_t* type = nullptr);

}  // namespace ui
