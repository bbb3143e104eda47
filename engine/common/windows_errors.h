#pragma once

// ERROR_REPARSE_POINT_ENCOUNTERED, which not every SDK names: a junction or symbolic link where
// the installer will not follow one.
constexpr unsigned long kErrorReparsePointEncountered = 4395;
