#include "engine/transfer.h"

#include <curl/curl.h>

#include <atomic>
#include <memory>
#include <mutex>

namespace {

std::atomic<int> stallLimitSeconds{60};

// Bytes libcurl hands over per receive call. Under Wine every receive has a fixed cost, so large
// calls matter; each chunk still makes one progress report.
constexpr long kReceiveBufferBytes = 1 << 20;

struct EasyHandleDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};

// Connections and name lookups shared by every transfer of the process, so that the packages of
// an install (and the manifest before them) travel over one kept-alive connection instead of a
// new one per file. The manifest and the packages are fetched on different threads, one after
// the other; the locks are what libcurl asks of a share used from more than one thread.
class TransferShare {
 public:
  TransferShare() : share_(curl_share_init()) {
    if (share_ == nullptr)
      return;
    curl_share_setopt(share_, CURLSHOPT_LOCKFUNC, &Lock);
    curl_share_setopt(share_, CURLSHOPT_UNLOCKFUNC, &Unlock);
    curl_share_setopt(share_, CURLSHOPT_USERDATA, this);
    curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT);
    curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
  }
  TransferShare(const TransferShare&) = delete;
  TransferShare& operator=(const TransferShare&) = delete;

  CURLSH* Get() const { return share_; }

 private:
  static void Lock(CURL*, curl_lock_data data, curl_lock_access, void* self) {
    static_cast<TransferShare*>(self)->MutexFor(data).lock();
  }
  static void Unlock(CURL*, curl_lock_data data, void* self) {
    static_cast<TransferShare*>(self)->MutexFor(data).unlock();
  }
  std::mutex& MutexFor(curl_lock_data data) {
    return mutexes_[static_cast<size_t>(data) < kMutexCount ? data : 0];
  }

  static constexpr size_t kMutexCount = CURL_LOCK_DATA_LAST;
  CURLSH* share_;
  std::mutex mutexes_[kMutexCount];
};

CURLSH* SharedConnections() {
  // Never destroyed: a detached worker may still be transferring when the process exits.
  static TransferShare* const share = new TransferShare;
  return share->Get();
}

}  // namespace

void SetTransferStallLimit(int seconds) {
  stallLimitSeconds = seconds;
}

int PerformTransfer(const std::string& address,
                    TransferWriter writer,
                    void* sink,
                    long long resumeFrom,
                    TransferOutcome* outcome) {
  std::unique_ptr<CURL, EasyHandleDeleter> handle(curl_easy_init());
  if (!handle)
    return CURLE_FAILED_INIT;
  CURL* curl = handle.get();
  curl_easy_setopt(curl, CURLOPT_URL, address.c_str());
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
  // Options that only change speed.
  curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, kReceiveBufferBytes);
  if (CURLSH* share = SharedConnections())
    curl_easy_setopt(curl, CURLOPT_SHARE, share);
  if (resumeFrom > 0)
    curl_easy_setopt(curl, CURLOPT_RESUME_FROM_LARGE, static_cast<curl_off_t>(resumeFrom));
  const int result = curl_easy_perform(curl);
  if (outcome != nullptr) {
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &outcome->httpStatus);
    curl_off_t retryAfter = 0;
    const bool known = curl_easy_getinfo(curl, CURLINFO_RETRY_AFTER, &retryAfter) == CURLE_OK;
    outcome->retryAfterSeconds = known && retryAfter > 0 ? static_cast<long>(retryAfter) : -1;
  }
  return result;
}
