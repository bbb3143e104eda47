#pragma once

#include <string_view>

namespace archive::detail {

// Whether an archive item's relative path names something inside the destination folder: not
// empty, not rooted (a leading "\" or "/", which covers UNC names), no drive letter or other
// ":", and no element made only of dots and blanks other than "." (Windows reads ".." and its
// variants with trailing dots or blanks as the parent folder).
bool StaysInsideFolder(std::wstring_view relativePath);

}  // namespace archive::detail
