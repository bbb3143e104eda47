#include "engine/transfer.h"

#include <curl/curl.h>

#include <atomic>
#include <memory>

namespace {

std::atomic<int> stallLimitSeconds{60};

struct EasyHandleDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};

}  // namespace

void SetTransferStallLimit(int seconds) {
  stallLimitSeconds = seconds;
}

int PerformTransfer(const std::string& ansiUrl, TransferWriter writer, void* sink) {
  std::unique_ptr<CURL, EasyHandleDeleter> handle(curl_easy_init());
  if (!handle)
    return CURLE_FAILED_INIT;
  CURL* curl = handle.get();
  curl_easy_setopt(curl, CURLOPT_URL, ansiUrl.c_str());
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 1L);
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 0L);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 0L);
  curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, writer);
  // Less than one byte per second over the limit counts as a stalled transfer (code 28).
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, static_cast<long>(stallLimitSeconds.load()));
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, sink);
  return curl_easy_perform(curl);
}
