#include "app/run_log_folder.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/log_file_open.h"
#include "app/protected_log_folder.h"
#include "base/scoped_generic.h"
#include "base/string_compare.h"
#include "base/token_elevation.h"

namespace {

constexpr std::wstring_view kPrefix = L"Quenby-install-";
constexpr std::wstring_view kSuffix = L".log";
// "yyyymmdd-hhmmss"
constexpr size_t kStampLength = 15;

struct FindTraits {
  static bool IsValid(HANDLE find) { return find != INVALID_HANDLE_VALUE; }
  static void Free(HANDLE find) { ::FindClose(find); }
};

}  // namespace

std::wstring RunLogName(const SYSTEMTIME& localTime) {
  // Formatted narrow: the wide printf family would bring a second formatter into the program.
  char stamp[kStampLength + 8];
  std::snprintf(stamp, sizeof stamp, "%04u%02u%02u-%02u%02u%02u", localTime.wYear % 10000u,
                localTime.wMonth % 100u, localTime.wDay % 100u, localTime.wHour % 100u,
                localTime.wMinute % 100u, localTime.wSecond % 100u);
  std::wstring name(kPrefix);
  name.append(stamp, stamp + kStampLength);
  return name += kSuffix;
}

bool IsRunLogName(std::wstring_view name) {
  if (name.size() != kPrefix.size() + kStampLength + kSuffix.size() ||
      !base::EqualsIgnoringCase(name.substr(0, kPrefix.size()), kPrefix) ||
      !base::EqualsIgnoringCase(name.substr(name.size() - kSuffix.size()), kSuffix))
    return false;
  const std::wstring_view stamp = name.substr(kPrefix.size(), kStampLength);
  for (size_t i = 0; i < stamp.size(); ++i) {
    if (i == 8 ? stamp[i] != L'-' : (stamp[i] < L'0' || stamp[i] > L'9'))
      return false;
  }
  return true;
}

LogPlace ChooseLogPlace(TOKEN_ELEVATION_TYPE elevation) {
  return elevation == TokenElevationTypeFull ? LogPlace::kProtectedFolder
                                             : LogPlace::kTemporaryFolder;
}

std::wstring RunLogFolder() {
  if (ChooseLogPlace(base::ProcessElevationType()) == LogPlace::kProtectedFolder)
    return ProtectedLogFolder();
  wchar_t folder[MAX_PATH + 1];
  const DWORD length = ::GetTempPathW(MAX_PATH + 1, folder);
  if (length == 0 || length > MAX_PATH)
    return std::wstring();
  return std::wstring(folder, length);
}

void RemoveOldRunLogs(const std::wstring& folder, size_t kept) {
  WIN32_FIND_DATAW found;
  base::ScopedGeneric<HANDLE, FindTraits> find(
      ::FindFirstFileExW((folder + L"Quenby-install-*.log").c_str(), FindExInfoBasic, &found,
                         FindExSearchNameMatch, nullptr, 0));
  if (!find.IsValid())
    return;
  std::vector<std::wstring> logs;
  do {
    if ((found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0 &&
        IsRunLogName(found.cFileName))
      logs.push_back(found.cFileName);
  } while (::FindNextFileW(find.Get(), &found));
  // The names hold the start time from the year down, so the smallest stamp is the oldest run's;
  // the prefix, which Windows matches in any case, is left out of the comparison.
  while (logs.size() > kept) {
    auto oldest = std::min_element(
        logs.begin(), logs.end(), [](const std::wstring& a, const std::wstring& b) {
          return a.compare(kPrefix.size(), kStampLength, b, kPrefix.size(), kStampLength) < 0;
        });
    DeleteLogFileNoFollow(folder + *oldest);
    logs.erase(oldest);
  }
}
