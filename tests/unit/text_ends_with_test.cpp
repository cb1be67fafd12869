// The last character of a GBK text: a trail byte equal to the separator is not a separator.
#include <gtest/gtest.h>

#include "text/codepage.h"

namespace {

TEST(TextEndsWith, OnlyAWholeLastCharacterCounts) {
  const struct {
    std::string text;
    bool ends;
  } cases[] = {
      {"", false}, {"\\", true}, {"C:\\a\\", true}, {"C:\\a", false},
      {"C:\\\x81\x5c", false},       // 乗: its trail byte is '\\'
      {"C:\\\x81\x5c\\", true}, {"a\\\x81", false},
  };
  for (const auto& c : cases) EXPECT_EQ(kestrion::text::ends_with_char(c.text, '\\'), c.ends) << c.text;
}

}  // namespace
