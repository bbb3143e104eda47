#include "engine/common/address_escape.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Narrow literals are UTF-8, as the manifest's text is.
TEST(AddressEscapeTest, PackageAddressTakesTheNameAsOneSegmentAndTheUrlAsABrowserDoes) {
  struct Case {
    const char* description;
    const char* url;
    const char* name;
    const char* address;
  };
  const Case kCases[] = {
      {"plain name", "http://h/files/", "QuenbyClient.exe", "http://h/files/QuenbyClient.exe"},
      {"unreserved punctuation is kept", "http://h/f/", "a-b_c.d~e", "http://h/f/a-b_c.d~e"},
      {"space", "http://h/f/", "read me.txt", "http://h/f/read%20me.txt"},
      {"'#' would start a fragment", "http://h/f/", "a#1.txt", "http://h/f/a%231.txt"},
      {"'%' would start an escape", "http://h/f/", "100%.txt", "http://h/f/100%25.txt"},
      {"a name that looks escaped", "http://h/f/", "x%20y.txt", "http://h/f/x%2520y.txt"},
      {"'+' is not a space", "http://h/f/", "c++.txt", "http://h/f/c%2B%2B.txt"},
      {"'&', '=' and ';'", "http://h/f/", "a&b=c;d", "http://h/f/a%26b%3Dc%3Bd"},
      {"'?' would start a query", "http://h/f/", "why?.txt", "http://h/f/why%3F.txt"},
      {"separators stay inside the segment", "http://h/f/", "a/b\\c", "http://h/f/a%2Fb%5Cc"},
      {"CJK name in UTF-8", "http://h/f/", "安.txt", "http://h/f/%E5%AE%89.txt"},
      {"Korean name", "http://h/f/", "한국어.txt", "http://h/f/%ED%95%9C%EA%B5%AD%EC%96%B4.txt"},
      {"supplementary-plane character", "http://h/f/", "\xF0\x9F\x98\x80.txt",
       "http://h/f/%F0%9F%98%80.txt"},
      {"escapes in the Url are kept", "http://h/my%20files/", "a b", "http://h/my%20files/a%20b"},
      {"non-ASCII folder in the Url", "http://h/files/资料/", "安.txt",
       "http://h/files/%E8%B5%84%E6%96%99/%E5%AE%89.txt"},
      {"space in the Url", "http://h/my files/", "a", "http://h/my%20files/a"},
      {"the Url's other characters are the publisher's", "https://u@h:8080/f/?v=1&x=%7e#", "a",
       "https://u@h:8080/f/?v=1&x=%7e#a"},
      {"a stray '%' in the Url stays", "http://h/100%/", "a", "http://h/100%/a"},
      {"controls in the Url", "http://h/f/\t\n", "a", "http://h/f/%09%0Aa"},
      {"the host is not escaped", "http://例え.jp/f/", "a", "http://例え.jp/f/a"},
      {"a Url without a scheme is all path", "files/资料 /", "a", "files/%E8%B5%84%E6%96%99%20/a"},
      {"empty name", "http://h/f/", "", "http://h/f/"},
      {"invalid UTF-8 bytes are escaped as they are", "http://h/f/\xFF", "\xC3",
       "http://h/f/%FF%C3"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.description);
    const std::string address = PackageAddress(c.url, c.name);
    EXPECT_EQ(c.address, address);
    // The transfer escapes what it is given once more: an escaped address must pass unchanged.
    EXPECT_EQ(address, EscapeAddress(address));
  }
}

TEST(AddressEscapeTest, ManifestAddressKeepsItsQueryAndEscapesItsPath) {
  EXPECT_EQ("http://127.0.0.1:8000/check%20update/update.xml?ts=8000123",
            EscapeAddress("http://127.0.0.1:8000/check update/update.xml?ts=8000123"));
  EXPECT_EQ("", EscapeAddress(""));
}

}  // namespace
