#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/manifest/update_item.h"
#include "engine/transfer/received_package.h"
#include "engine/transfer/stall_watch.h"
#include "engine/transfer/transfer.h"
#include "engine/transfer/transfer_loop.h"

// The most package transfers of a run at once.
constexpr int kParallelTransfers = 8;
// Received packages waiting for placement are held in memory up to this total; a package that
// does not fit in what is left goes to a temporary file in its item's folder.
constexpr long long kPackageMemoryBytes = 16LL << 20;
// How far transfers run ahead of placement: no transfer starts for an item more than this many
// items, or (unless it is the item placement waits for) this many bytes of packages, past it.
constexpr int kMostItemsAhead = 64;
constexpr long long kMostBytesAhead = 256LL << 20;

// What one item's transfer came to: 0, libcurl's result or -1 (as DownloadToFile), the last
// attempt's outcome (writeError: a write refused by the disk, or a link at the temporary file's
// place), and the package as received.
struct FetchedPackage {
  int result = 0;
  int tries = 0;  // transfers made, retries included
  TransferOutcome outcome;
  ReceivedPackage package;
};

// Fetches the packages of a run's items ahead of the placement that takes them in item order. All
// transfers are easy handles on one libcurl multi handle, driven by one thread of the fetcher
// (engine/transfer/transfer_loop.h), each with the engine's routes, retries, resume and bounds.
// Nothing blocks that thread: a route that needs the system's proxy answer (a PAC script,
// auto-detection) and a proxy's password prompt are asked on threads of their own while the other
// transfers go on, and waits between retries are timers of the loop. Transfers start in item order
// within the look-ahead bounds; the first item that cannot be fetched (a failure after its retries,
// no address, a malformed SHA256) stops those of later items, whose results can no longer be used.
// Stalls are judged over the run's transfers together (engine/transfer/stall_watch.h). Stop ends
// every transfer at once, whatever it waits for, and drops what they received. The placing thread
// calls WaitFor, Take and Placed; ReceivedBytes may be read from any thread. Nothing here reports
// progress.
class PackageFetcher {
 public:
  // Sets up an item's folder for a package that goes to a temporary file there; false when a
  // link on the folder's path refuses it. Called on the transfer thread.
  using FolderCheck = std::function<bool(const UpdateItem& item)>;
  // After try number `retry` (0 for the first) ended with `result`: the wait in milliseconds
  // before the next try, or -1 when none follows (InstallEngine's rule). Called on the
  // transfer thread.
  using RetryRule = std::function<int(int retry, int result, const TransferOutcome& outcome)>;
  // Waits before a retry, on the transfer thread (tests record the waits instead). Without one
  // the wait is a timer of the loop, which Stop ends.
  using RetryWait = std::function<void(int milliseconds)>;

  // Starts the transfer thread for items (which must outlive the fetcher), which keeps up to
  // `transfers` transfers going at once. An item marked in `replaceable` (a patch, which its full
  // package replaces) may fail without stopping the transfers of later items.
  PackageFetcher(const std::vector<UpdateItem>& items,
                 int transfers,
                 FolderCheck folderCheck,
                 RetryRule retryRule,
                 RetryWait retryWait = {},
                 std::vector<bool> replaceable = {});
  ~PackageFetcher();
  PackageFetcher(const PackageFetcher&) = delete;
  PackageFetcher& operator=(const PackageFetcher&) = delete;

  // Waits at most `milliseconds` for item `index`'s transfer to end; true once it has.
  bool WaitFor(size_t index, int milliseconds);
  // Item `index`'s ended transfer; WaitFor returned true for it.
  FetchedPackage Take(size_t index);
  // Placement is done with item `index`: the look-ahead moves past it and its memory is free.
  void Placed(size_t index);
  // Bytes received by every transfer so far. A byte received again (a retry that could not
  // resume) is not counted twice, so the figure only grows and stays within the items' lengths.
  long long ReceivedBytes() const { return receivedBytes_.load(); }
  // Ends every transfer, waits for the transfer thread (never for a blocking call it handed to
  // a thread of its own: an open password prompt is closed and left to end) and drops whatever
  // was not taken.
  void Stop();

 private:
  enum class State { kWaiting, kRunning, kDone, kTaken };
  struct Slot {
    State state = State::kWaiting;  // under mutex_
    bool inMemory = false;
    // Bytes of this item counted in receivedBytes_ (transfer thread).
    long long counted = 0;
    FetchedPackage fetched;
  };
  struct Transfer;
  struct SideCalls;

  // The transfer thread.
  void Run();
  // Starts transfers for the items the look-ahead lets in, while fewer than the most run.
  void StartTransfers();
  // Whether the transfer of item `index` may start now (under mutex_).
  bool MayStart(size_t index) const;
  // A try of the transfer (its first, a retry, or one from the first byte again): its routes,
  // then its first attempt.
  void BeginTry(Transfer& transfer);
  void Attempt(Transfer& transfer);
  // The attempt's end, from libcurl, the stall watch or a stop.
  void AttemptEnded(Transfer& transfer, int code);
  void Follow(Transfer& transfer, int next);
  void TryEnded(Transfer& transfer);
  // The item's transfer is over with result; a failure stops the transfers of later items.
  void Finish(size_t index, int result);
  // Runs a blocking call on a thread of its own; answer runs on the transfer thread after it,
  // unless the fetcher stopped.
  void CallAside(std::function<std::function<void()>()> call);
  // The started transfer of item `index`, or null.
  Transfer* Running(size_t index);
  CURL* TakeEasy();
  void Received(size_t index, size_t bytes);
  static size_t WriteChunk(char* data, size_t size, size_t count, void* sink);

  const std::vector<UpdateItem>& items_;
  const size_t mostTransfers_;
  FolderCheck folderCheck_;
  RetryRule retryRule_;
  RetryWait retryWait_;
  const std::vector<bool> replaceable_;
  // Bytes of packages of the items before each index (lengths below 0 count as 0).
  std::vector<long long> lengthsBefore_;
  std::unique_ptr<Slot[]> slots_;
  std::atomic<long long> receivedBytes_{0};

  std::mutex mutex_;
  std::condition_variable changed_;  // a transfer ended, placement moved on, or the run stops
  size_t next_ = 0;                  // the next item whose transfer starts
  size_t placing_ = 0;               // the item placement takes next
  size_t firstFailure_;              // no transfer starts for items after it
  long long memoryInUse_ = 0;
  bool stopping_ = false;

  // The transfer thread's own.
  std::unique_ptr<TransferLoop> loop_;
  std::vector<std::unique_ptr<Transfer>> running_;
  std::vector<CURL*> idleEasy_;
  std::unique_ptr<StallWatch> stalls_;

  std::shared_ptr<SideCalls> sideCalls_;
  std::thread thread_;
};
