#include "engine/transfer/package_fetcher.h"

#include <gtest/gtest.h>

#include <curl/curl.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/common/file_digest.h"
#include "engine/package_download.h"
#include "engine/common/text_convert.h"
#include "engine/transfer/transfer.h"
#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

// Fetches items from the local update server into a temporary folder, with no placement but
// what a test does itself.
class PackageFetcherTest : public testing::Test {
 protected:
  void SetUp() override {
    server_ = EnvironmentValue(L"QUENBY_TEST_SERVER");
    servedRoot_ = EnvironmentValue(L"QUENBY_TEST_SERVER_ROOT");
    ASSERT_FALSE(server_.empty()) << "run through tools/update_server/with_server.py";
    served_ = std::string(20000, '\0');
    for (size_t i = 0; i < served_.size(); ++i)
      served_[i] = static_cast<char>((i * 7 + i / 253) & 255);
    ASSERT_TRUE(WriteFileBytes(servedRoot_ + L"\\fetched.pak", served_));
  }

  void TearDown() override { SetTransferStallLimit(60); }

  // count items of the declared length, each at an address of its own (the delay prefix counts
  // requests per address), served by way of the fault prefix when one is given ("stall/0/").
  void AddItems(int count,
                int declaredLength,
                const std::wstring& fault = L"",
                const std::wstring& file = L"fetched.pak") {
    for (int i = 0; i < count; ++i) {
      UpdateItem item;
      const int number = static_cast<int>(items_.size());
      item.url = server_ + L"/-/delay/" + std::to_wstring(addresses_++) + L"/" +
                 (fault.empty() ? L"" : L"-/" + fault) + file;
      item.length = declaredLength;
      item.name = L"f" + std::to_wstring(number);
      item.folder = folder_.path() + L"\\";
      item.targetPath = item.folder + item.name;
      items_.push_back(item);
    }
  }
  PackageFetcher::FolderCheck AnyFolder() {
    return [](const UpdateItem&) { return true; };
  }
  static PackageFetcher::RetryRule NoRetries() {
    return [](int, int, const TransferOutcome&) { return -1; };
  }
  // How many requests the server has had for the item's address.
  int RequestCount(const UpdateItem& item) {
    std::string text;
    const std::string address =
        WideToAnsi((server_ + L"/-/count" + item.url.substr(server_.size())).c_str());
    EXPECT_EQ(0, PerformTransfer(address, &AppendToString, &text));
    return std::atoi(text.c_str());
  }
  std::vector<std::wstring> FilesInFolder() {
    std::vector<std::wstring> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder_.path()))
      names.push_back(entry.path().filename().wstring());
    return names;
  }

  // Waits for every item and checks each package against what was served.
  void ExpectAllServed(PackageFetcher& fetcher, const std::string& served) {
    for (size_t i = 0; i < items_.size(); ++i) {
      SCOPED_TRACE(i);
      ASSERT_TRUE(fetcher.WaitFor(i, 60000));
      FetchedPackage fetched = fetcher.Take(i);
      EXPECT_EQ(0, fetched.result);
      EXPECT_TRUE(served == fetched.package.Bytes());
      fetcher.Placed(i);
    }
  }

  std::wstring server_, servedRoot_;
  std::string served_;
  std::vector<UpdateItem> items_;
  // Shared by every test of the process: the server's counts outlive a test.
  static inline int addresses_ = 0;
  TempFolder folder_;
};

// Many small packages and one large: those that fit in the memory budget stay in memory, in
// item order, and the rest wait in temporary files that go when the fetcher does. Every
// package's SHA-256 is the digest of what was served, whichever way it was held.
TEST_F(PackageFetcherTest, PackagesPastTheMemoryBudgetWaitInFilesThatGoWithTheFetcher) {
  constexpr int kSmall = 40;
  AddItems(kSmall, 1 << 20);  // 16 of these fill the budget
  AddItems(1, 20 << 20);      // never fits
  const std::string digest = FileSha256Hex(servedRoot_ + L"\\fetched.pak");
  ASSERT_EQ(64u, digest.size());
  {
    PackageFetcher fetcher(items_, kParallelTransfers, AnyFolder(), NoRetries());
    for (size_t i = 0; i < items_.size(); ++i)
      ASSERT_TRUE(fetcher.WaitFor(i, 30000)) << i;
    EXPECT_EQ(static_cast<long long>(served_.size() * items_.size()), fetcher.ReceivedBytes());
    // Nothing was placed: every package waits, 16 of them in memory.
    const size_t inMemory = kPackageMemoryBytes / (1 << 20);
    EXPECT_EQ(items_.size() - inMemory, FilesInFolder().size());

    for (size_t i : {size_t{0}, inMemory - 1, inMemory, items_.size() - 1}) {
      SCOPED_TRACE(i);
      FetchedPackage fetched = fetcher.Take(i);
      EXPECT_EQ(0, fetched.result);
      EXPECT_EQ(i < inMemory, fetched.package.InMemory());
      EXPECT_EQ(static_cast<long long>(served_.size()), fetched.package.Size());
      EXPECT_EQ(digest, fetched.package.Sha256Hex());
      if (fetched.package.InMemory()) {
        EXPECT_TRUE(served_ == fetched.package.Bytes());
      }
      fetcher.Placed(i);
    }
    fetcher.Stop();
    EXPECT_TRUE(FilesInFolder().empty()) << WideToUtf8(FilesInFolder().front());
  }
}

// Transfers start no further ahead of placement than the bounds allow, and go on once it
// moves.
TEST_F(PackageFetcherTest, TransfersStayWithinTheLookAhead) {
  struct Case {
    const char* description;
    int items;
    int declaredLength;
    size_t started;  // before anything is placed
  };
  const Case kCases[] = {
      {"items ahead", kMostItemsAhead + 6, 20000, kMostItemsAhead},
      {"bytes ahead", 5, 100 << 20, 2},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.description);
    items_.clear();
    AddItems(c.items, c.declaredLength);
    PackageFetcher fetcher(items_, kParallelTransfers, AnyFolder(), NoRetries());
    for (size_t i = 0; i < c.started; ++i)
      ASSERT_TRUE(fetcher.WaitFor(i, 30000)) << i;
    EXPECT_FALSE(fetcher.WaitFor(c.started, 500));
    EXPECT_EQ(0, RequestCount(items_[c.started]));
    EXPECT_EQ(0, RequestCount(items_.back()));

    fetcher.Take(0);
    fetcher.Placed(0);
    EXPECT_TRUE(fetcher.WaitFor(c.started, 30000));
    fetcher.Stop();
  }
}

// Every transfer of a run travels on one multi handle. A server that drops a third of its
// connections at random (before answering or part way through the body) costs retries, which
// resume, and never a crash, a hang or a wrong byte.
TEST_F(PackageFetcherTest, ConnectionsDroppedAtRandomCostOnlyRetries) {
  const PackageFetcher::RetryRule retryAtOnce = [](int retry, int result, const TransferOutcome&) {
    return result != 0 && retry < 40 ? 0 : -1;
  };
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    items_.clear();
    AddItems(48, static_cast<int>(served_.size()), L"flaky/35/");
    PackageFetcher fetcher(items_, kParallelTransfers, AnyFolder(), retryAtOnce);
    ExpectAllServed(fetcher, served_);
    EXPECT_EQ(static_cast<long long>(served_.size() * items_.size()), fetcher.ReceivedBytes());
  }
}

// A stall is judged on the run: flows that are each slower than the floor complete as long as
// they move together above it, while one that receives nothing ends as stalled.
TEST_F(PackageFetcherTest, SlowFlowsCompleteWhileASilentOneStalls) {
  const std::string slow(3000, 's');
  ASSERT_TRUE(WriteFileBytes(servedRoot_ + L"\\slow.pak", slow));
  SetTransferStallLimit(2);
  // Six flows of 600 bytes a second each: 3.6 KiB a second together, for five seconds.
  AddItems(6, static_cast<int>(slow.size()), L"trickle/30/", L"slow.pak");
  AddItems(1, static_cast<int>(slow.size()), L"stall/0/", L"slow.pak");
  PackageFetcher fetcher(items_, kParallelTransfers, AnyFolder(), NoRetries());
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(fetcher.WaitFor(items_.size() - 1, 30000));
  EXPECT_EQ(CURLE_OPERATION_TIMEDOUT, fetcher.Take(items_.size() - 1).result);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
  items_.pop_back();
  ExpectAllServed(fetcher, slow);
}

// Stop ends transfers that wait on a server sending nothing at once, long before they could
// stall.
TEST_F(PackageFetcherTest, StopAnswersAtOnceWhileServersSendNothing) {
  AddItems(3, static_cast<int>(served_.size()), L"stall/0/");
  PackageFetcher fetcher(items_, kParallelTransfers, AnyFolder(), NoRetries());
  EXPECT_FALSE(fetcher.WaitFor(0, 500));
  const auto start = std::chrono::steady_clock::now();
  fetcher.Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

// The first item that cannot be fetched ends the look-ahead, a malformed digest included: no
// later package is asked for.
TEST_F(PackageFetcherTest, LookAheadStopsAtTheFirstItemThatCannotBeFetched) {
  for (const char* fault : {"malformed SHA256", "no address"}) {
    SCOPED_TRACE(fault);
    items_.clear();
    AddItems(1, 20000);
    AddItems(1, 20000);
    if (std::string(fault) == "no address")
      items_[0].url.clear();
    else
      items_[0].sha256Malformed = true;
    AddItems(4, 20000);
    PackageFetcher fetcher(items_, kParallelTransfers, AnyFolder(), NoRetries());
    ASSERT_TRUE(fetcher.WaitFor(0, 30000));
    EXPECT_NE(0, fetcher.Take(0).result);
    EXPECT_FALSE(fetcher.WaitFor(items_.size() - 1, 300));
    fetcher.Stop();
    for (size_t later = 1; later < items_.size(); ++later)
      EXPECT_EQ(0, RequestCount(items_[later])) << later;
  }
}

}  // namespace
