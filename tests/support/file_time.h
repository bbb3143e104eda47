#pragma once

#include <windows.h>

// The file time of a UTC calendar time, for expectations on stored and restored file times.
FILETIME UtcFileTime(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second);
