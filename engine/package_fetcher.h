#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/received_package.h"
#include "engine/transfer.h"
#include "engine/update_item.h"

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

// Fetches the packages of a run's items on its own threads, ahead of the placement that takes
// them in item order: each thread runs one transfer at a time with the engine's retries, resume
// and bounds (PerformTransfer; connections are shared between the threads and kept per server).
// Transfers start in item order within the look-ahead bounds. A transfer that fails (after its
// retries) stops those of later items, whose results can no longer be used; Stop ends every
// transfer and drops what they received. The placing thread calls WaitFor, Take and Placed;
// ReceivedBytes may be read from any thread. Nothing here reports progress.
class PackageFetcher {
 public:
  // Sets up an item's folder for a package that goes to a temporary file there; false when a
  // link on the folder's path refuses it. Called on the fetcher's threads, one at a time.
  using FolderCheck = std::function<bool(const UpdateItem& item)>;
  // After try number `retry` (0 for the first) ended with `result`: the wait in milliseconds
  // before the next try, or -1 when none follows (InstallEngine's rule). Called on the
  // fetcher's threads, possibly several at once.
  using RetryRule = std::function<int(int retry, int result, const TransferOutcome& outcome)>;
  // Waits before a retry. Without one the fetcher waits itself, and a transfer that is stopped
  // stops waiting at once.
  using RetryWait = std::function<void(int milliseconds)>;

  // Starts up to `transfers` threads for items (which must outlive the fetcher). Items whose
  // SHA256 is malformed are not fetched.
  PackageFetcher(const std::vector<UpdateItem>& items,
                 int transfers,
                 FolderCheck folderCheck,
                 RetryRule retryRule,
                 RetryWait retryWait = {});
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
  // Ends every transfer, waits for the threads and drops whatever was not taken.
  void Stop();

 private:
  enum class State { kWaiting, kRunning, kDone, kTaken };
  struct Slot {
    State state = State::kWaiting;
    bool inMemory = false;
    std::atomic<bool> stop{false};
    // Bytes of this item counted in receivedBytes_.
    long long counted = 0;
    FetchedPackage fetched;
  };
  struct Sink;

  void RunTransfers();
  // Whether the transfer of item `index` may start now (under mutex_).
  bool MayStart(size_t index) const;
  // The transfer of one item with its retries, on a fetcher thread.
  void Fetch(size_t index);
  // Waits the given time before a retry of the slot's transfer; false when it was stopped.
  bool WaitToRetry(Slot& slot, int milliseconds);
  static size_t WriteChunk(char* data, size_t size, size_t count, void* sink);

  const std::vector<UpdateItem>& items_;
  FolderCheck folderCheck_;
  RetryRule retryRule_;
  RetryWait retryWait_;
  // Bytes of packages of the items before each index (lengths below 0 count as 0).
  std::vector<long long> lengthsBefore_;
  std::unique_ptr<Slot[]> slots_;
  std::atomic<long long> receivedBytes_{0};

  std::mutex folderMutex_;  // one folder check at a time
  std::mutex mutex_;
  std::condition_variable changed_;  // a transfer ended, placement moved on, or the run stops
  size_t next_ = 0;                  // the next item whose transfer starts
  size_t placing_ = 0;               // the item placement takes next
  size_t firstFailure_;              // no transfer starts for items after it
  long long memoryInUse_ = 0;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};
