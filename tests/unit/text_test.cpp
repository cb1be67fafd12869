// Character-wise searches over GBK bytes: a trail byte equal to the character searched for never
// matches, and a lone lead byte at the end counts as one character.
#include <gtest/gtest.h>

#include "text/codepage.h"

using kestrion::text::find_char;
using kestrion::text::replace_char;
using kestrion::text::rfind_char;

namespace {

// In GBK "乗" is 0x81 0x5C (trail byte '\\') and "丷" is 0x81 0x52 (trail byte 'R').
const std::string kJou = "\x81\x5c";
const std::string kBa = "\x81\x52";

struct FindCase {
  std::string text;
  char ch;
  int first, last;
};

TEST(TextSearch, FindsOnlyWholeSingleByteCharacters) {
  const FindCase cases[] = {
      {"", '\\', -1, -1},
      {"abc", '\\', -1, -1},
      {"a\\b\\c", '\\', 1, 3},
      {kJou, '\\', -1, -1},                       // trail byte only
      {kJou + "\\", '\\', 2, 2},                  // real backslash after it
      {"C:\\" + kJou + "\\x", '\\', 2, 5},
      {kBa + "R" + kBa, 'R', 2, 2},
      {"a" + kJou + kJou + "/", '/', 5, 5},
      {"\x81", '\x81', 0, 0},                     // lone lead byte at the end
      {"ab\x81", '\\', -1, -1},
      {"\xa1\xa1.\xa1\xa1.", '.', 2, 5},          // full-width space, then '.'
  };
  for (const auto& c : cases) {
    EXPECT_EQ(find_char(c.text, c.ch), c.first) << c.text;
    EXPECT_EQ(rfind_char(c.text, c.ch), c.last) << c.text;
  }
}

TEST(TextSearch, FindFromIndexKeepsCharacterBoundaries) {
  const std::string s = "R" + kBa + "R\\R";
  EXPECT_EQ(find_char(s, 'R', 1), 3);
  EXPECT_EQ(find_char(s, '\\', 2), 4);  // index 2 is a trail byte: no match there
  EXPECT_EQ(find_char(s, 'R', 6), -1);
}

TEST(TextReplace, LeavesTrailBytesAlone) {
  EXPECT_EQ(replace_char("192.0.2.7_8080", '_', ':'), "192.0.2.7:8080");
  EXPECT_EQ(replace_char(kJou + "\\" + kJou, '\\', '/'), kJou + "/" + kJou);
  EXPECT_EQ(replace_char("", '.', '_'), "");
  EXPECT_EQ(replace_char("2.1.5", '.', '_'), "2_1_5");
}

}  // namespace
