#include "base/decimal_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace base {
namespace {

TEST(DecimalTextTest, WritesEveryValueWithItsSign) {
  struct Case {
    int64_t value;
    const wchar_t* text;
  };
  const Case cases[] = {
      {0, L"0"},
      {7, L"7"},
      {-42, L"-42"},
      {1000000, L"1000000"},
      {std::numeric_limits<int64_t>::max(), L"9223372036854775807"},
      // Its magnitude has no positive int64_t.
      {std::numeric_limits<int64_t>::min(), L"-9223372036854775808"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.text, DecimalText(c.value)) << c.value;
}

}  // namespace
}  // namespace base
