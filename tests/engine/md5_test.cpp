#include "engine/common/md5.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "engine/common/file_digest.h"
#include "tests/support/temp_folder.h"

namespace {

std::string Pattern(size_t length) {
  std::string bytes(length, '\0');
  for (size_t i = 0; i < length; ++i)
    bytes[i] = static_cast<char>((i * 7 + 3) & 255);
  return bytes;
}

// Digests of Pattern(length), from an independent MD5 implementation.
struct DigestCase {
  size_t length;
  const char* digest;
};
const DigestCase kDigests[] = {
    {0, "d41d8cd98f00b204e9800998ecf8427e"},          {1, "8666683506aacd900bbd5a74ac4edf68"},
    {63, "a62f6d59e837867693f042f5b8f5a236"},         {64, "7160b8fb5e9e4023d549c3971fbaeead"},
    {65, "70bd662e7aefbda85a0f7244167b7897"},         {1023, "6f8c42978a120e01a68357829a2d0d77"},
    {1024, "a66351d9c8f941b70a02eaf9c41e69c3"},       {1025, "ee57403eb3428e1a0be41fad4a70b174"},
    {3 * 1024 * 1024 + 17, "a9a3d18cac8c95d4bdeae2d821be2e00"},
};

}  // namespace

TEST(Md5Test, MatchesKnownDigestsInOneUpdateAndInPieces) {
  for (const DigestCase& c : kDigests) {
    SCOPED_TRACE(testing::Message() << "length " << c.length);
    std::string bytes = Pattern(c.length);
    Md5 whole;
    whole.Update(bytes.data(), bytes.size());
    EXPECT_EQ(c.digest, whole.HexDigest());

    // Odd piece sizes cross the 64-byte block boundary at every offset.
    Md5 pieces;
    for (size_t offset = 0; offset < bytes.size(); offset += 37)
      pieces.Update(bytes.data() + offset, std::min<size_t>(37, bytes.size() - offset));
    EXPECT_EQ(c.digest, pieces.HexDigest());
  }
}

TEST(Md5Test, SecondDigestRequestReturnsTheSameDigest) {
  Md5 digest;
  digest.Update("abc", 3);
  EXPECT_EQ("900150983cd24fb0d6963f7d28e17f72", digest.HexDigest());
  EXPECT_EQ("900150983cd24fb0d6963f7d28e17f72", digest.HexDigest());
}

TEST(FileMd5HexTest, DigestsFilesOfEveryLength) {
  TempFolder folder;
  for (const DigestCase& c : kDigests) {
    SCOPED_TRACE(testing::Message() << "length " << c.length);
    std::wstring path = folder / L"file.bin";
    ASSERT_TRUE(WriteFileBytes(path, Pattern(c.length)));
    EXPECT_EQ(c.digest, FileMd5Hex(path));
  }
}

TEST(FileMd5HexTest, UnreadablePathsGiveEmptyDigest) {
  TempFolder folder;
  EXPECT_EQ("", FileMd5Hex(folder / L"missing.bin"));
  EXPECT_EQ("", FileMd5Hex(folder.path()));
}

TEST(FileMd5HexTest, OpensNamesOutsideTheAnsiCodePage) {
  TempFolder folder;
  // Thai and Cyrillic-with-accent letters have no form in code page 936.
  std::wstring subfolder = folder / L"\u0E01\u04D2";
  ASSERT_TRUE(::CreateDirectoryW(subfolder.c_str(), nullptr));
  ASSERT_TRUE(WriteFileBytes(subfolder + L"\\\u0E01.bin", "abc"));
  EXPECT_EQ("900150983cd24fb0d6963f7d28e17f72", FileMd5Hex(subfolder + L"\\\u0E01.bin"));
}
