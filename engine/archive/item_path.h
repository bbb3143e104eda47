#pragma once

#include <string_view>

namespace archive {

// Whether a relative path (an archive item's, or a manifest entry's folder and name) names
// something inside the folder it is appended to: not empty, not rooted (a leading "\" or "/", which
// covers UNC names), no drive letter or other
// ":", and no element made only of dots and blanks other than "." (Windows reads ".." and its
// variants with trailing dots or blanks as the parent folder).
bool StaysInsideFolder(std::wstring_view relativePath);

}  // namespace archive
