#include "app/progress_text.h"

#include <climits>
#include <cstdint>
#include <ctime>

#include "base/decimal_text.h"

namespace {

// "安装目录：%s\%s" is written with a bound of 519 units, the terminator included.
constexpr size_t kFileTextLimit = 518;

int Percent(int downloadedBytes, int totalBytes) {
  if (totalBytes <= 0)
    return 0;
  const double percent = downloadedBytes * 100.0 / totalBytes;
  // A tiny total can push the quotient past the int range; the conversion must not overflow.
  if (percent >= static_cast<double>(INT_MAX))
    return INT_MAX;
  if (percent <= static_cast<double>(INT_MIN))
    return INT_MIN;
  return static_cast<int>(percent);  // truncates toward zero
}

// Cuts to at most limit units without leaving half of a surrogate pair at the end.
std::wstring Truncated(std::wstring text, size_t limit) {
  if (text.size() <= limit)
    return text;
  text.resize(limit);
  if (!text.empty() && text.back() >= 0xD800 && text.back() <= 0xDBFF)
    text.pop_back();
  return text;
}

}  // namespace

ProgressTexts ComposeProgressTexts(const ProgressReport& report, const std::wstring& installDir) {
  ProgressTexts texts;
  texts.percent = Percent(report.downloadedBytes, report.totalBytes);

  // Both times are the low 32 bits of the clock: their difference is taken modulo 2^32, which
  // keeps it right across the wrap of the low half.
  const int64_t elapsed = static_cast<int32_t>(static_cast<uint32_t>(report.now) -
                                               static_cast<uint32_t>(report.startTime));
  const int64_t downloaded = report.downloadedBytes;
  const int64_t speed = elapsed == 0 ? 0 : downloaded / elapsed;
  const int64_t remaining = static_cast<int64_t>(report.totalBytes) - downloaded;

  texts.fileText = Truncated(L"安装目录：" + installDir + L"\\" + report.fileName, kFileTextLimit);
  texts.percentText = base::DecimalText(texts.percent) + L"%";

  std::wstring& tip = texts.tipText;
  tip = L"软件大小:" + base::DecimalText(report.totalBytes / 1000000) + L"MB,已下载:";
  if (downloaded < 1001000)
    tip += base::DecimalText(downloaded / 1000) + L"KB,网速:";
  else
    tip += base::DecimalText(downloaded / 1000000) + L"MB,网速:";
  if (speed > 1000000)
    tip += base::DecimalText(speed / 1000000) + L"MB/s,剩余:";
  else if (speed > 1000)
    tip += base::DecimalText(speed / 1000) + L"KB/s,剩余:";
  else
    tip += base::DecimalText(speed) + L"B/s,剩余:";
  if (speed > 0)
    tip += base::DecimalText(remaining / speed) + L"秒";
  else
    tip += L"-秒";
  return texts;
}

int CurrentTimeLow32() {
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(std::time(nullptr))));
}
