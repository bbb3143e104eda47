#include "engine/transfer/package_fetcher.h"

#include <windows.h>

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <string>

#include "base/decimal_text.h"
#include "base/exception_barrier.h"
#include "engine/common/address_escape.h"
#include "engine/common/text_convert.h"
#include "engine/common/windows_errors.h"
#include "engine/transfer/proxy_credentials.h"
#include "engine/transfer/proxy_routes.h"
#include "engine/transfer/route_walk.h"
#include "engine/transfer/transfer_attempt.h"

namespace {

long long Now() {
  return static_cast<long long>(::GetTickCount64());
}

}  // namespace

// A started item's transfer, on the transfer thread: its tries, each try's route walk, and the
// easy handle of the attempt that runs.
struct PackageFetcher::Transfer {
  PackageFetcher* fetcher = nullptr;
  size_t index = 0;
  std::string address;
  std::unique_ptr<RouteWalk> walk;
  int retry = 0;
  // This try asks for the whole package again: the server could not send the rest.
  bool fromStart = false;
  long long resumeFrom = 0;
  CURL* easy = nullptr;  // while an attempt runs
  BoundedSink bounded;
  long long retryAt = -1;     // the clock's time of the next try, while waiting for it
  bool waitingAside = false;  // for routes or credentials asked on a thread of their own
};

// Shared by the fetcher and the threads of its blocking calls, which may outlive it.
struct PackageFetcher::SideCalls {
  std::mutex mutex;
  TransferLoop* loop = nullptr;  // null once the fetcher stopped
  std::vector<std::function<void()>> answers;
  int credentialPrompts = 0;  // prompts asked and not yet answered
};

PackageFetcher::PackageFetcher(const std::vector<UpdateItem>& items,
                               int transfers,
                               FolderCheck folderCheck,
                               RetryRule retryRule,
                               RetryWait retryWait,
                               std::vector<bool> replaceable)
    : items_(items),
      mostTransfers_(static_cast<size_t>(std::max(transfers, 1))),
      folderCheck_(std::move(folderCheck)),
      retryRule_(std::move(retryRule)),
      retryWait_(std::move(retryWait)),
      replaceable_(std::move(replaceable)),
      slots_(std::make_unique<Slot[]>(items.size())),
      firstFailure_(items.size()),
      loop_(std::make_unique<TransferLoop>()),
      stalls_(std::make_unique<StallWatch>(TransferStallLimit() * 1000LL, kStallBytesPerSecond)),
      sideCalls_(std::make_shared<SideCalls>()) {
  lengthsBefore_.push_back(0);
  for (const UpdateItem& item : items)
    lengthsBefore_.push_back(lengthsBefore_.back() + std::max(item.length, 0));
  sideCalls_->loop = loop_.get();
  if (items.empty())
    return;
  const bool started =
      loop_->Valid() && base::CatchAllVoid([this] { thread_ = std::thread([this] { Run(); }); });
  if (!started) {
    // Without its thread nothing can be fetched: every item ends as a failure at once.
    for (size_t index = 0; index < items.size(); ++index) {
      slots_[index].state = State::kDone;
      slots_[index].fetched.result = CURLE_FAILED_INIT;
    }
    firstFailure_ = 0;
  }
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

void PackageFetcher::Run() {
  const bool ended = base::CatchAllVoid([this] {
    for (;;) {
      {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopping_)
          return;
      }
      std::vector<std::function<void()>> answers;
      {
        std::lock_guard<std::mutex> lock(sideCalls_->mutex);
        answers.swap(sideCalls_->answers);
      }
      for (const std::function<void()>& answer : answers)
        answer();
      StartTransfers();
      const std::vector<TransferLoop::Finished> finished = loop_->Perform();
      for (const TransferLoop::Finished& done : finished) {
        for (const std::unique_ptr<Transfer>& transfer : running_) {
          if (transfer->easy == done.easy) {
            AttemptEnded(*transfer, done.result);
            break;
          }
        }
      }
      const long long now = Now();
      const std::vector<int> stalled = stalls_->Stalled(now);
      for (int index : stalled) {
        Transfer* found = Running(static_cast<size_t>(index));
        if (found != nullptr && found->easy != nullptr) {
          loop_->Remove(found->easy);
          AttemptEnded(*found, CURLE_OPERATION_TIMEDOUT);
        }
      }
      long long wait = stalls_->NextCheckIn(now);
      std::vector<size_t> due;
      for (const std::unique_ptr<Transfer>& transfer : running_) {
        if (transfer->retryAt < 0)
          continue;
        if (transfer->retryAt <= now)
          due.push_back(transfer->index);
        else
          wait = std::min(wait, transfer->retryAt - now);
      }
      for (size_t index : due) {
        // An earlier one's failure may have ended it.
        Transfer* waiting = Running(index);
        if (waiting == nullptr)
          continue;
        waiting->retryAt = -1;
        BeginTry(*waiting);
      }
      // What ended may let the next transfers start: they do before any wait.
      if (answers.empty() && finished.empty() && stalled.empty() && due.empty())
        loop_->Wait(static_cast<long>(std::max(wait, 1LL)));
    }
  });
  // The loop's own failure (memory) ends every transfer that has not ended as a failed one.
  if (!ended) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (size_t index = 0; index < items_.size(); ++index) {
      if (slots_[index].state == State::kWaiting || slots_[index].state == State::kRunning) {
        slots_[index].state = State::kDone;
        slots_[index].fetched.result = CURLE_OUT_OF_MEMORY;
      }
    }
    firstFailure_ = 0;
    changed_.notify_all();
  }
  for (const std::unique_ptr<Transfer>& running : running_) {
    if (CURL* easy = running->easy) {
      loop_->Remove(easy);
      curl_easy_cleanup(easy);
    }
  }
  running_.clear();
  for (CURL* easy : idleEasy_)
    curl_easy_cleanup(easy);
  idleEasy_.clear();
}

void PackageFetcher::StartTransfers() {
  for (;;) {
    size_t index = 0;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (stopping_ || running_.size() >= mostTransfers_ || !MayStart(next_))
        return;
      index = next_++;
      Slot& slot = slots_[index];
      slot.state = State::kRunning;
      const long long length = std::max(items_[index].length, 0);
      slot.inMemory = memoryInUse_ + length <= kPackageMemoryBytes;
      if (slot.inMemory)
        memoryInUse_ += length;
    }
    auto started = std::make_unique<Transfer>();
    Transfer& transfer = *started;
    transfer.fetcher = this;
    transfer.index = index;
    running_.push_back(std::move(started));
    const UpdateItem& item = items_[index];
    FetchedPackage& fetched = slots_[index].fetched;
    // A digest that cannot be one cannot vouch for anything, and an item without an address
    // has nothing to fetch: either ends the look-ahead here.
    if (item.sha256Malformed || item.url.empty()) {
      Finish(index, -1);
      continue;
    }
    if (!slots_[index].inMemory) {
      if (!folderCheck_(item)) {
        fetched.outcome.writeError = kErrorReparsePointEncountered;
        Finish(index, -1);
        continue;
      }
      if (!fetched.package.UseFile(item.folder + L"temp-" + base::DecimalText(index) + L".pak")) {
        fetched.outcome.writeError = fetched.package.WriteError();
        Finish(index, -1);
        continue;
      }
    }
    transfer.address = EscapeAddress(WideToUtf8(item.url));
    BeginTry(transfer);
  }
}

void PackageFetcher::BeginTry(Transfer& transfer) {
  transfer.resumeFrom = transfer.fromStart ? 0 : slots_[transfer.index].fetched.package.Size();
  std::vector<std::string> routes;
  if (ProxyRoutes::Instance().KnownRoutesFor(transfer.address, routes)) {
    transfer.walk = std::make_unique<RouteWalk>(transfer.address, std::move(routes));
    Attempt(transfer);
    return;
  }
  // The system's answer may take seconds (a PAC script, auto-detection).
  transfer.waitingAside = true;
  const size_t index = transfer.index;
  const std::string address = transfer.address;
  CallAside([this, index, address]() -> std::function<void()> {
    std::vector<std::string> routes =
        base::CatchAllOr(std::vector<std::string>{std::string()},
                         [&] { return ProxyRoutes::Instance().RoutesFor(address); });
    return [this, index, address, routes = std::move(routes)]() mutable {
      Transfer* found = Running(index);
      if (found == nullptr || !found->waitingAside)
        return;
      Transfer& waiting = *found;
      waiting.waitingAside = false;
      waiting.walk = std::make_unique<RouteWalk>(address, std::move(routes));
      Attempt(waiting);
    };
  });
}

void PackageFetcher::Attempt(Transfer& transfer) {
  const UpdateItem& item = items_[transfer.index];
  CURL* easy = TakeEasy();
  if (easy == nullptr) {
    RouteResult failed;
    Follow(transfer, static_cast<int>(transfer.walk->Attempted(failed)));
    return;
  }
  TransferRequest request;
  request.address = transfer.address;
  request.writer = &WriteChunk;
  request.sink = &transfer;
  request.resumeFrom = transfer.resumeFrom;
  request.expectedBytes = item.length;
  // No package may be longer than its Length: a server cannot fill memory or the disk past it.
  request.maxBytes = std::max(item.length, 0);
  ConfigureAttempt(easy, request, transfer.walk->Route(), transfer.walk->Credentials(),
                   transfer.bounded);
  if (!loop_->Add(easy)) {
    idleEasy_.push_back(easy);
    RouteResult failed;
    Follow(transfer, static_cast<int>(transfer.walk->Attempted(failed)));
    return;
  }
  transfer.easy = easy;
  stalls_->Started(static_cast<int>(transfer.index), Now());
}

void PackageFetcher::AttemptEnded(Transfer& transfer, int code) {
  CURL* easy = transfer.easy;
  transfer.easy = nullptr;
  stalls_->Ended(static_cast<int>(transfer.index));
  const RouteResult attempt = ReadAttempt(easy, code, transfer.walk->Route(), transfer.bounded);
  idleEasy_.push_back(easy);
  Follow(transfer, static_cast<int>(transfer.walk->Attempted(attempt)));
}

void PackageFetcher::Follow(Transfer& transfer, int next) {
  switch (static_cast<RouteWalk::Next>(next)) {
    case RouteWalk::Next::kAttempt:
      Attempt(transfer);
      return;
    case RouteWalk::Next::kDone:
      TryEnded(transfer);
      return;
    case RouteWalk::Next::kAskCredentials:
      break;
  }
  const std::string proxy = transfer.walk->Route();
  ProxyCredentials credentials;
  const ProxyCredentialStore::Answer known =
      ProxyCredentialStore::Instance().KnownCredentialsFor(proxy, credentials);
  if (known != ProxyCredentialStore::Answer::kNotAsked) {
    const bool given = known == ProxyCredentialStore::Answer::kGiven;
    Follow(transfer, static_cast<int>(transfer.walk->Answered(given ? &credentials : nullptr)));
    return;
  }
  // The user is asked on a thread of its own; this transfer waits, the others go on.
  transfer.waitingAside = true;
  const size_t index = transfer.index;
  {
    std::lock_guard<std::mutex> lock(sideCalls_->mutex);
    ++sideCalls_->credentialPrompts;
  }
  std::shared_ptr<SideCalls> sideCalls = sideCalls_;
  CallAside([this, index, proxy, sideCalls]() -> std::function<void()> {
    ProxyCredentials answer;
    const bool given = base::CatchAllOr(
        false, [&] { return ProxyCredentialStore::Instance().CredentialsFor(proxy, answer); });
    {
      std::lock_guard<std::mutex> lock(sideCalls->mutex);
      --sideCalls->credentialPrompts;
    }
    return [this, index, given, answer = std::move(answer)]() {
      Transfer* found = Running(index);
      if (found == nullptr || !found->waitingAside)
        return;
      Transfer& waiting = *found;
      waiting.waitingAside = false;
      Follow(waiting, static_cast<int>(waiting.walk->Answered(given ? &answer : nullptr)));
    };
  });
}

void PackageFetcher::TryEnded(Transfer& transfer) {
  const size_t index = transfer.index;
  FetchedPackage& fetched = slots_[index].fetched;
  const int result = transfer.walk->Result().code;
  TransferOutcome outcome = transfer.walk->Result().outcome;
  // A server that cannot send the rest sends the whole package again. One that ignored the
  // range and answered 200 announced the whole length, which the bound of the rest refuses
  // before libcurl finds the range missing.
  if (!transfer.fromStart &&
      (result == CURLE_RANGE_ERROR || (transfer.resumeFrom > 0 && result != 0 &&
                                       (outcome.httpStatus == 416 || outcome.httpStatus == 200)))) {
    fetched.package.Restart();
    transfer.fromStart = true;
    BeginTry(transfer);
    return;
  }
  transfer.fromStart = false;
  outcome.writeError = fetched.package.WriteError();
  fetched.outcome = outcome;
  fetched.tries = transfer.retry + 1;
  const int delay = retryRule_(transfer.retry, result, outcome);
  if (delay < 0) {
    Finish(index, result);
    return;
  }
  ++transfer.retry;
  if (retryWait_) {
    retryWait_(delay);
    BeginTry(transfer);
    return;
  }
  transfer.retryAt = Now() + delay;
}

void PackageFetcher::Finish(size_t index, int result) {
  if (Transfer* found = Running(index)) {
    if (CURL* easy = found->easy) {
      loop_->Remove(easy);
      stalls_->Ended(static_cast<int>(index));
      idleEasy_.push_back(easy);
    }
    std::erase_if(running_, [index](const std::unique_ptr<Transfer>& running) {
      return running->index == index;
    });
  }
  bool firstToFail = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    slots_[index].fetched.result = result;
    slots_[index].state = State::kDone;
    const bool replaceable = index < replaceable_.size() && replaceable_[index];
    firstToFail = result != 0 && !replaceable && index < firstFailure_;
    if (firstToFail)
      firstFailure_ = index;
    changed_.notify_all();
  }
  if (!firstToFail)
    return;
  // Items after a failed one will not be placed: their transfers end now.
  std::vector<size_t> later;
  for (const std::unique_ptr<Transfer>& running : running_) {
    if (running->index > index)
      later.push_back(running->index);
  }
  for (size_t laterIndex : later)
    Finish(laterIndex, CURLE_ABORTED_BY_CALLBACK);
}

void PackageFetcher::CallAside(std::function<std::function<void()>()> call) {
  std::shared_ptr<SideCalls> sideCalls = sideCalls_;
  std::thread([sideCalls, call = std::move(call)] {
    base::CatchAllVoid([&] {
      std::function<void()> answer = call();
      std::lock_guard<std::mutex> lock(sideCalls->mutex);
      if (sideCalls->loop == nullptr)
        return;
      sideCalls->answers.push_back(std::move(answer));
      sideCalls->loop->Wake();
    });
  }).detach();
}

PackageFetcher::Transfer* PackageFetcher::Running(size_t index) {
  for (const std::unique_ptr<Transfer>& running : running_) {
    if (running->index == index)
      return running.get();
  }
  return nullptr;
}

CURL* PackageFetcher::TakeEasy() {
  if (idleEasy_.empty())
    return curl_easy_init();
  CURL* easy = idleEasy_.back();
  idleEasy_.pop_back();
  // Every option back to libcurl's default; the handle keeps its buffers and connection cache
  // link, which is what reusing it saves.
  curl_easy_reset(easy);
  return easy;
}

void PackageFetcher::Received(size_t index, size_t bytes) {
  Slot& slot = slots_[index];
  const long long size = slot.fetched.package.Size();
  if (size > slot.counted) {
    receivedBytes_ += size - slot.counted;
    slot.counted = size;
  }
  stalls_->Received(static_cast<int>(index), static_cast<long long>(bytes), Now());
}

// Runs inside libcurl, which cannot pass an exception on: a failed allocation becomes a short
// count, on which libcurl ends the transfer with CURLE_WRITE_ERROR.
size_t PackageFetcher::WriteChunk(char* data, size_t size, size_t count, void* sink) {
  return base::CatchAllOr<size_t>(0, [&]() -> size_t {
    auto* transfer = static_cast<Transfer*>(sink);
    PackageFetcher& fetcher = *transfer->fetcher;
    ReceivedPackage& package = fetcher.slots_[transfer->index].fetched.package;
    if (!package.Append(data, size * count))
      return 0;
    fetcher.Received(transfer->index, size * count);
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
  if (!stopping_)
    loop_->Wake();
}

void PackageFetcher::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    changed_.notify_all();
  }
  loop_->Wake();
  if (thread_.joinable())
    thread_.join();
  bool promptOpen = false;
  {
    std::lock_guard<std::mutex> lock(sideCalls_->mutex);
    sideCalls_->loop = nullptr;
    sideCalls_->answers.clear();
    promptOpen = sideCalls_->credentialPrompts > 0;
  }
  // A password the stopped run no longer needs is not asked for any longer.
  if (promptOpen)
    ProxyCredentialStore::Instance().ClosePrompt();
  // The packages not taken, with their temporary files.
  for (size_t index = 0; index < items_.size(); ++index)
    slots_[index].fetched = FetchedPackage();
}
