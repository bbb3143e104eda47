#include "engine/placement/staging_area.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "base/held_folders.h"
#include "engine/common/file_digest.h"
#include "tests/support/temp_folder.h"

namespace {

// Three client files: two that exist in an old version (one in a folder of its own) and one the
// new release adds.
class StagingAreaTest : public testing::Test {
 protected:
  void SetUp() override {
    installDir_ = folder_ / L"Quenby";
    ASSERT_TRUE(::CreateDirectoryW(installDir_.c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryW((installDir_ + L"\\sub").c_str(), nullptr));
    for (const auto& [dir, name, hasOld] :
         {std::tuple{L"", L"a.txt", true}, std::tuple{L"sub\\", L"b.txt", true},
          std::tuple{L"", L"c.txt", false}}) {
      UpdateItem item;
      item.name = name;
      item.folder = installDir_ + L"\\" + dir;
      item.targetPath = item.folder + name;
      item.md5 = FileMd5HexOfText("new " + Narrow(item.name));
      items_.push_back(item);
      if (hasOld) {
        ASSERT_TRUE(WriteFileBytes(item.targetPath, "old " + Narrow(item.name)));
      }
    }
  }

  static std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
  }
  static std::string FileMd5HexOfText(const std::string& text) {
    TempFolder scratch;
    WriteFileBytes(scratch / L"f", text);
    return FileMd5Hex(scratch / L"f");
  }

  // Stages every item's new version the way a run leaves it before its commit.
  void StageAll(StagingArea& staging) {
    for (const UpdateItem& item : items_) {
      const UpdateItem staged = staging.Staged(item);
      ASSERT_TRUE(staging.Prepare(staged));
      ASSERT_TRUE(WriteFileBytes(staged.targetPath, "new " + Narrow(item.name)));
    }
  }

  // Each client file is its old version (or missing when it had none), or each is new.
  void ExpectOneVersion(bool newVersion) {
    for (const UpdateItem& item : items_) {
      SCOPED_TRACE(Narrow(item.targetPath));
      const std::string name = Narrow(item.name);
      if (newVersion)
        EXPECT_EQ("new " + name, ReadFileBytes(item.targetPath));
      else if (name == "c.txt")
        EXPECT_FALSE(FileExists(item.targetPath));
      else
        EXPECT_EQ("old " + name, ReadFileBytes(item.targetPath));
    }
  }

  TempFolder folder_;
  std::wstring installDir_;
  std::vector<UpdateItem> items_;
};

TEST_F(StagingAreaTest, CommitPutsEveryFileInPlaceAndLeavesNoStagingFolder) {
  base::HeldFolders folders;
  ASSERT_TRUE(folders.HoldInstallFolder(installDir_, nullptr));
  StagingArea staging(installDir_, folders);
  StageAll(staging);
  for (const UpdateItem& item : items_)
    EXPECT_TRUE(staging.HoldsStaged(item));

  bool changedOnce = false;
  const StagingArea::CommitResult result = staging.Commit(items_, {}, [&] {
    // Called once, before the first client file changes.
    EXPECT_FALSE(changedOnce);
    changedOnce = true;
    ExpectOneVersion(false);
  });
  EXPECT_TRUE(result.placed.Placed());
  EXPECT_TRUE(changedOnce);
  ExpectOneVersion(true);
  EXPECT_FALSE(FileExists(staging.Root()));
}

// A file that appears where the commit found none (after its check, before the first move) is
// moved aside like any old file, never replaced unseen: the commit still completes.
TEST_F(StagingAreaTest, FileAppearingAfterTheCheckIsMovedAsideNotReplacedUnseen) {
  base::HeldFolders folders;
  ASSERT_TRUE(folders.HoldInstallFolder(installDir_, nullptr));
  StagingArea staging(installDir_, folders);
  StageAll(staging);
  const std::wstring appearing = items_.back().targetPath;
  const StagingArea::CommitResult result = staging.Commit(
      items_, {}, [&] { ASSERT_TRUE(WriteFileBytes(appearing, "written meanwhile")); });
  EXPECT_TRUE(result.placed.Placed()) << result.placed.code;
  ExpectOneVersion(true);
}

// A kill or a power loss at any step of a commit (the journal on the disk, some old files moved
// aside, some new ones renamed into place): the next run finds the journal and finishes the
// commit, since every new file was staged and checked before the journal was written. A journal
// cut short was written before anything moved: the old version stays and the staged files wait.
TEST_F(StagingAreaTest, InterruptedCommitIsFinishedByTheNextRunAtEveryStep) {
  std::string journal = "quenby commit 1\n";
  for (const UpdateItem& item : items_)
    journal += Narrow(item.targetPath.substr(installDir_.size() + 1)) + "\n";
  journal += "end\n";
  const size_t steps = 2 * items_.size();
  for (size_t done = 0; done <= steps + 1; ++done) {
    const bool cutShort = done == steps + 1;
    SCOPED_TRACE(cutShort ? "journal cut short" : "steps done: " + std::to_string(done));
    {
      base::HeldFolders folders;
      ASSERT_TRUE(folders.HoldInstallFolder(installDir_, nullptr));
      StagingArea staging(installDir_, folders);
      StageAll(staging);
      ASSERT_TRUE(folders.Hold(staging.Root() + L"\\old\\sub"));
      ASSERT_TRUE(WriteFileBytes(staging.Root() + L"\\journal",
                                 cutShort ? journal.substr(0, journal.size() - 4) : journal));
      // The commit's own order: the old file aside, then the new one into place, file by file.
      for (size_t step = 0; step < done && !cutShort; ++step) {
        const UpdateItem& item = items_[step / 2];
        const std::wstring relative = item.targetPath.substr(installDir_.size() + 1);
        if (step % 2 == 0)
          ::MoveFileW(item.targetPath.c_str(), (staging.Root() + L"\\old\\" + relative).c_str());
        else
          ASSERT_TRUE(
              ::MoveFileW(staging.Staged(item).targetPath.c_str(), item.targetPath.c_str()));
      }
    }
    base::HeldFolders folders;
    ASSERT_TRUE(folders.HoldInstallFolder(installDir_, nullptr));
    StagingArea staging(installDir_, folders);
    EXPECT_TRUE(staging.FinishInterruptedCommit());
    EXPECT_FALSE(FileExists(staging.Root() + L"\\journal"));
    EXPECT_FALSE(FileExists(staging.Root() + L"\\old"));
    ExpectOneVersion(!cutShort);
    if (cutShort) {
      // The staged files are still whole: the next commit needs nothing fetched.
      for (const UpdateItem& item : items_)
        EXPECT_TRUE(staging.HoldsStaged(item));
      EXPECT_TRUE(staging.Commit(items_, {}, {}).placed.Placed());
      ExpectOneVersion(true);
    }
    // Back to the old version for the next case.
    staging.Remove();
    for (const UpdateItem& item : items_) {
      ::DeleteFileW(item.targetPath.c_str());
      if (Narrow(item.name) != "c.txt") {
        ASSERT_TRUE(WriteFileBytes(item.targetPath, "old " + Narrow(item.name)));
      }
    }
  }
}

// A commit that fails puts every file it moved back and keeps what was staged: a folder of the
// user's where the last file goes (found before anything moves; the folder is never moved
// aside), or the last new file gone when its turn comes (after the others were renamed).
TEST_F(StagingAreaTest, CommitThatFailsLeavesEveryOldFile) {
  for (const bool folderInTheWay : {true, false}) {
    SCOPED_TRACE(folderInTheWay ? "a folder in the way" : "a staged file gone");
    base::HeldFolders folders;
    ASSERT_TRUE(folders.HoldInstallFolder(installDir_, nullptr));
    StagingArea staging(installDir_, folders);
    StageAll(staging);
    const std::wstring last = items_.back().targetPath;
    if (folderInTheWay) {
      ASSERT_TRUE(::CreateDirectoryW(last.c_str(), nullptr));
      ASSERT_TRUE(WriteFileBytes(last + L"\\kept", "the user's"));
    } else {
      ASSERT_TRUE(::DeleteFileW(staging.Staged(items_.back()).targetPath.c_str()));
    }

    const StagingArea::CommitResult result = staging.Commit(items_, {}, {});
    EXPECT_FALSE(result.placed.Placed());
    EXPECT_EQ(L"c.txt", result.failedFile);
    for (size_t index = 0; index + 1 < items_.size(); ++index) {
      EXPECT_EQ("old " + Narrow(items_[index].name), ReadFileBytes(items_[index].targetPath));
      EXPECT_TRUE(staging.HoldsStaged(items_[index])) << "kept for the next run";
    }
    if (folderInTheWay)
      EXPECT_EQ("the user's", ReadFileBytes(last + L"\\kept"));
    else
      EXPECT_FALSE(FileExists(last));
    EXPECT_FALSE(FileExists(staging.Root() + L"\\journal"));
    ::DeleteFileW((last + L"\\kept").c_str());
    ::RemoveDirectoryW(last.c_str());
    staging.Remove();
  }
}

}  // namespace
