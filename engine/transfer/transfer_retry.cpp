#include "engine/transfer/transfer_retry.h"

#include <curl/curl.h>

#include <algorithm>

namespace {

constexpr long kLongestRetryAfterSeconds = 30;

}  // namespace

bool IsTransientFailure(int resultCode, long httpStatus) {
  switch (resultCode) {
    case CURLE_COULDNT_CONNECT:
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_PARTIAL_FILE:
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
      return true;
    case CURLE_HTTP_RETURNED_ERROR:
      switch (httpStatus) {
        case 408:
        case 429:
        case 500:
        case 502:
        case 503:
        case 504:
          return true;
        default:
          return false;
      }
    default:
      return false;
  }
}

int RetryDelayMilliseconds(int retry, long retryAfterSeconds, double jitter) {
  const int shift = std::clamp(retry - 1, 0, kTransferRetries - 1);
  long seconds = 1L << shift;
  if (retryAfterSeconds >= 1 && retryAfterSeconds <= kLongestRetryAfterSeconds)
    seconds = retryAfterSeconds;
  const int jitterMilliseconds = static_cast<int>(std::clamp(jitter, 0.0, 0.999) * 1000);
  return static_cast<int>(seconds) * 1000 + jitterMilliseconds;
}
