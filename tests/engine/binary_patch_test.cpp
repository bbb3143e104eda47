#include <gtest/gtest.h>

#include <string>

#include "engine/placement/binary_patch.h"
#include "tests/support/temp_folder.h"

namespace {

// Made by tools/publisher/binary_patch.py (testdata/make_patch_fixtures.py).
const std::wstring kFixtures = QUENBY_PATCH_FIXTURE_DIR;

std::wstring Fixture(const std::wstring& name) {
  return kFixtures + L"\\" + name;
}

class BinaryPatchTest : public testing::Test {
 protected:
  // Applies to a copy of the pair's old file, which the test then finds unchanged.
  PatchFault ApplyToCopy(const std::wstring& oldFixture, const std::string& patch) {
    oldBytes_ = ReadFileBytes(Fixture(oldFixture));
    EXPECT_TRUE(WriteFileBytes(OldPath(), oldBytes_));
    EXPECT_TRUE(WriteFileBytes(folder_ / L"patch", patch));
    const PatchFault fault = ApplyBinaryPatch(OldPath(), folder_ / L"patch", NewPath());
    EXPECT_EQ(oldBytes_, ReadFileBytes(OldPath())) << "the old file changed";
    return fault;
  }
  std::wstring OldPath() const { return folder_ / L"installed.dll"; }
  std::wstring NewPath() const { return folder_ / L"installed.dll.new"; }

  TempFolder folder_;
  std::string oldBytes_;
};

TEST_F(BinaryPatchTest, PublishedPatchesMakeTheNewFileByteForByte) {
  for (const wchar_t* pair : {L"edits", L"same", L"from_empty", L"to_empty", L"one_byte"}) {
    SCOPED_TRACE(testing::Message() << pair);
    const std::wstring name = pair;
    const std::string patch = ReadFileBytes(Fixture(name + L".patch"));
    ASSERT_FALSE(patch.empty());
    ASSERT_EQ(PatchFault::None, ApplyToCopy(name + L".old", patch));
    EXPECT_EQ(ReadFileBytes(Fixture(name + L".new")), ReadFileBytes(NewPath()));
  }
}

// Streams that decode well but whose entries or lengths reach outside the files or do not add
// up: each a clear failure, with no new file left behind.
TEST_F(BinaryPatchTest, RefusesPatchesThatReachOutsideTheFiles) {
  struct Case {
    const wchar_t* name;
    PatchFault fault;
  };
  const Case kCases[] = {
      {L"adds_past_new_end", PatchFault::OutOfBounds},
      {L"reads_past_old_end", PatchFault::OutOfBounds},
      {L"moves_before_old_start", PatchFault::OutOfBounds},
      {L"copies_past_new_end", PatchFault::OutOfBounds},
      {L"negative_length", PatchFault::OutOfBounds},
      {L"wrapping_lengths", PatchFault::OutOfBounds},
      {L"wrapping_move", PatchFault::OutOfBounds},
      {L"control_ends_early", PatchFault::CorruptPatch},
      {L"extra_left_over", PatchFault::CorruptPatch},
      {L"difference_short", PatchFault::CorruptPatch},
      {L"partial_entry", PatchFault::CorruptPatch},
      // Refused before a byte of it is allocated.
      {L"huge_dictionary", PatchFault::CorruptPatch},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.name);
    const std::string patch =
        ReadFileBytes(Fixture(std::wstring(L"hostile\\") + c.name + L".patch"));
    ASSERT_FALSE(patch.empty());
    EXPECT_EQ(c.fault, ApplyToCopy(L"edits.old", patch));
    EXPECT_FALSE(FileExists(NewPath()));
  }
}

TEST_F(BinaryPatchTest, RefusesCutAndDamagedPatches) {
  const std::string good = ReadFileBytes(Fixture(L"edits.patch"));
  ASSERT_GT(good.size(), 1000u);
  struct Case {
    const char* description;
    std::string patch;
    PatchFault fault;
  };
  auto flipped = [&good](size_t at) {
    std::string patch = good;
    patch[at] = static_cast<char>(patch[at] ^ 0x5a);
    return patch;
  };
  const Case kCases[] = {
      {"empty", "", PatchFault::CannotReadPatch},
      {"header cut", good.substr(0, 40), PatchFault::CannotReadPatch},
      {"stream cut", good.substr(0, good.size() / 2), PatchFault::CannotReadPatch},
      {"last byte missing", good.substr(0, good.size() - 1), PatchFault::CannotReadPatch},
      {"a byte too many", good + "x", PatchFault::CannotReadPatch},
      {"another magic", flipped(0), PatchFault::CannotReadPatch},
      {"a coded length", flipped(24), PatchFault::CannotReadPatch},
      {"old length", flipped(8), PatchFault::OldFileSizeDiffers},
      {"new length", flipped(16), PatchFault::OutOfBounds},
      {"control properties", flipped(72), PatchFault::CorruptPatch},
      {"difference data", flipped(good.size() / 2), PatchFault::CorruptPatch},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.description);
    EXPECT_EQ(c.fault, ApplyToCopy(L"edits.old", c.patch));
    EXPECT_FALSE(FileExists(NewPath()));
  }
}

TEST_F(BinaryPatchTest, NeedsTheOldFileItStartsFrom) {
  const std::string patch = ReadFileBytes(Fixture(L"edits.patch"));
  EXPECT_EQ(PatchFault::OldFileSizeDiffers, ApplyToCopy(L"edits.new", patch));
  EXPECT_EQ(PatchFault::CannotOpenOldFile,
            ApplyBinaryPatch(folder_ / L"missing", Fixture(L"edits.patch"), NewPath()));
  EXPECT_EQ(PatchFault::CannotReadPatch,
            ApplyBinaryPatch(Fixture(L"edits.old"), folder_ / L"missing", NewPath()));
  EXPECT_FALSE(FileExists(NewPath()));
}

// The new file named as the old one would truncate the installed file before reading it.
TEST_F(BinaryPatchTest, NeverWritesTheOldFile) {
  const std::string old = ReadFileBytes(Fixture(L"edits.old"));
  ASSERT_TRUE(WriteFileBytes(OldPath(), old));
  EXPECT_EQ(PatchFault::CannotWriteNewFile,
            ApplyBinaryPatch(OldPath(), Fixture(L"edits.patch"), OldPath()));
  EXPECT_EQ(old, ReadFileBytes(OldPath()));
}

}  // namespace
