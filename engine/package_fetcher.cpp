#include "engine/package_fetcher.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <string>

#include "base/decimal_text.h"
#include "base/exception_barrier.h"
#include "engine/address_escape.h"
#include "engine/package_download.h"
#include "engine/text_convert.h"
#include "engine/transfer_session.h"

// Where a transfer's chunks go: the item's package, and its count in the run's total.
struct PackageFetcher::Sink {
  PackageFetcher* fetcher;
  Slot* slot;
};

PackageFetcher::PackageFetcher(const std::vector<UpdateItem>& items,
                               int transfers,
                               FolderCheck folderCheck,
                               RetryRule retryRule,
                               RetryWait retryWait)
    : items_(items),
      folderCheck_(std::move(folderCheck)),
      retryRule_(std::move(retryRule)),
      retryWait_(std::move(retryWait)),
      slots_(std::make_unique<Slot[]>(items.size())),
      firstFailure_(items.size()) {
  lengthsBefore_.push_back(0);
  for (const UpdateItem& item : items)
    lengthsBefore_.push_back(lengthsBefore_.back() + std::max(item.length, 0));
  const size_t threads = std::min<size_t>(std::max(transfers, 1), items.size());
  for (size_t i = 0; i < threads; ++i)
    threads_.emplace_back([this] { RunTransfers(); });
}

PackageFetcher::~PackageFetcher() {
  Stop();
}

bool PackageFetcher::MayStart(size_t index) const {
  if (index >= items_.size() || index > firstFailure_)
    return false;
  if (index == placing_)
    return true;
  return index < placing_ + kMostItemsAhead &&
         lengthsBefore_[index + 1] - lengthsBefore_[placing_] <= kMostBytesAhead;
}

void PackageFetcher::RunTransfers() {
  for (;;) {
    size_t index = 0;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [this] { return stopping_ || MayStart(next_); });
      if (stopping_)
        return;
      index = next_++;
      Slot& slot = slots_[index];
      slot.state = State::kRunning;
      const long long length = std::max(items_[index].length, 0);
      slot.inMemory = memoryInUse_ + length <= kPackageMemoryBytes;
      if (slot.inMemory)
        memoryInUse_ += length;
    }
    Fetch(index);
    std::lock_guard<std::mutex> lock(mutex_);
    Slot& slot = slots_[index];
    slot.state = State::kDone;
    // Items after a failed one will not be placed: their transfers end now.
    if (slot.fetched.result != 0 && index < firstFailure_) {
      firstFailure_ = index;
      for (size_t later = index + 1; later < next_; ++later)
        slots_[later].stop = true;
    }
    changed_.notify_all();
  }
}

void PackageFetcher::Fetch(size_t index) {
  const UpdateItem& item = items_[index];
  Slot& slot = slots_[index];
  FetchedPackage& fetched = slot.fetched;
  // A digest that cannot be one cannot vouch for anything: placement refuses the item.
  if (item.sha256Malformed)
    return;
  if (slot.stop) {
    fetched.result = CURLE_ABORTED_BY_CALLBACK;
    return;
  }
  if (item.url.empty()) {
    fetched.result = -1;
    return;
  }
  if (!slot.inMemory) {
    bool folderUsable = false;
    {
      std::lock_guard<std::mutex> lock(folderMutex_);
      folderUsable = folderCheck_(item);
    }
    if (!folderUsable) {
      fetched.result = -1;
      fetched.outcome.writeError = kErrorReparsePointEncountered;
      return;
    }
    if (!fetched.package.UseFile(item.folder + L"temp-" + base::DecimalText(index) + L".pak")) {
      fetched.result = -1;
      fetched.outcome.writeError = fetched.package.WriteError();
      return;
    }
  }
  const std::string address = EscapeAddress(WideToUtf8(item.url));
  // No package may be longer than its Length: a server cannot fill memory or the disk past it.
  const long long maxBytes = std::max(item.length, 0);
  Sink sink{this, &slot};
  TransferSession::ForThisThread().SetStopFlag(&slot.stop);
  int result = -1;
  for (int retry = 0;; ++retry) {
    TransferOutcome outcome;
    const long long resumeFrom = fetched.package.Size();
    result =
        PerformTransfer(address, &WriteChunk, &sink, resumeFrom, &outcome, item.length, maxBytes);
    // A server that cannot send the rest sends the whole package again. One that ignored the
    // range and answered 200 announced the whole length, which the bound of the rest refuses
    // before libcurl finds the range missing.
    if (result == CURLE_RANGE_ERROR || (resumeFrom > 0 && result != 0 &&
                                        (outcome.httpStatus == 416 || outcome.httpStatus == 200))) {
      fetched.package.Restart();
      result = PerformTransfer(address, &WriteChunk, &sink, 0, &outcome, item.length, maxBytes);
    }
    outcome.writeError = fetched.package.WriteError();
    fetched.outcome = outcome;
    fetched.tries = retry + 1;
    const int delay = slot.stop ? -1 : retryRule_(retry, result, outcome);
    if (delay < 0 || !WaitToRetry(slot, delay))
      break;
  }
  TransferSession::ForThisThread().SetStopFlag(nullptr);
  fetched.result = result;
}

bool PackageFetcher::WaitToRetry(Slot& slot, int milliseconds) {
  if (retryWait_) {
    retryWait_(milliseconds);
  } else {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                      [&] { return slot.stop.load(); });
  }
  return !slot.stop;
}

// Runs inside libcurl, which cannot pass an exception on: a failed allocation becomes a short
// count, on which libcurl ends the transfer with CURLE_WRITE_ERROR.
size_t PackageFetcher::WriteChunk(char* data, size_t size, size_t count, void* sink) {
  return base::CatchAllOr<size_t>(0, [&]() -> size_t {
    auto* target = static_cast<Sink*>(sink);
    Slot& slot = *target->slot;
    ReceivedPackage& package = slot.fetched.package;
    if (!package.Append(data, size * count))
      return 0;
    if (package.Size() > slot.counted) {
      target->fetcher->receivedBytes_ += package.Size() - slot.counted;
      slot.counted = package.Size();
    }
    return size * count;
  });
}

bool PackageFetcher::WaitFor(size_t index, int milliseconds) {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                           [&] { return slots_[index].state == State::kDone; });
}

FetchedPackage PackageFetcher::Take(size_t index) {
  std::lock_guard<std::mutex> lock(mutex_);
  slots_[index].state = State::kTaken;
  return std::move(slots_[index].fetched);
}

void PackageFetcher::Placed(size_t index) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (slots_[index].inMemory)
    memoryInUse_ -= std::max(items_[index].length, 0);
  slots_[index].inMemory = false;
  placing_ = std::max(placing_, index + 1);
  changed_.notify_all();
}

void PackageFetcher::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    for (size_t index = 0; index < next_; ++index)
      slots_[index].stop = true;
    changed_.notify_all();
  }
  for (std::thread& thread : threads_)
    thread.join();
  threads_.clear();
  // The packages not taken, with their temporary files.
  for (size_t index = 0; index < items_.size(); ++index)
    slots_[index].fetched = FetchedPackage();
}
