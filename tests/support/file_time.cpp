#include "tests/support/file_time.h"

FILETIME UtcFileTime(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
  SYSTEMTIME time = {};
  time.wYear = year;
  time.wMonth = month;
  time.wDay = day;
  time.wHour = hour;
  time.wMinute = minute;
  time.wSecond = second;
  FILETIME result = {};
  ::SystemTimeToFileTime(&time, &result);
  return result;
}
