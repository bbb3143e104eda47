#include "engine/package_fetcher.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/file_digest.h"
#include "engine/package_download.h"
#include "engine/text_convert.h"
#include "engine/transfer.h"
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

  // count items of the declared length, each at an address of its own (the delay prefix counts
  // requests per address).
  void AddItems(int count, int declaredLength) {
    for (int i = 0; i < count; ++i) {
      UpdateItem item;
      const int number = static_cast<int>(items_.size());
      item.url = server_ + L"/-/delay/" + std::to_wstring(addresses_++) + L"/fetched.pak";
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

  std::wstring server_, servedRoot_;
  std::string served_;
  std::vector<UpdateItem> items_;
  int addresses_ = 0;
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

}  // namespace
