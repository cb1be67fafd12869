// Rules of the package download: the address's file name, the announced length, and progress
// units that follow the bytes of packages past 2 GiB.
#include <gtest/gtest.h>

#include <climits>

#include "service/download_rules.h"

using namespace kestrion;

namespace {

TEST(DownloadRules, FileNameOfTheAddress) {
  const struct {
    std::string address, name;
  } cases[] = {
      {"http://10.1.2.3:8080/files/pkg-2.1.5.zip", "pkg-2.1.5.zip"},
      {"https://h/a/b/TILLWRIGHT.zip?sig=a/b&x=1#top", "TILLWRIGHT.zip"},
      {"http://h/bytes/513", "513"},
      {"http://h/dir/", ""},
      {"http://h/", ""},
      {"http://h", ""},
      {"http://h?x=/y", ""},
      {"http://h/文件\x81\x5c.zip", "文件\x81\x5c.zip"},
      {"pkg.zip", "pkg.zip"},
  };
  for (const auto& c : cases) EXPECT_EQ(url_file_name(c.address), c.name) << c.address;
}

TEST(DownloadRules, ContentLength) {
  EXPECT_EQ(parse_content_length("0"), 0u);
  EXPECT_EQ(parse_content_length(" 268435456 "), 268435456u);
  EXPECT_EQ(parse_content_length("5000000000"), 5000000000u);
  EXPECT_EQ(parse_content_length("18446744073709551615"), UINT64_MAX);
  for (const char* bad : {"", " ", "-1", "12a", "1 2", "0x10", "18446744073709551616"})
    EXPECT_EQ(parse_content_length(bad), std::nullopt) << bad;
}

TEST(DownloadRules, ProgressFollowsTheBytesPastTwoGigabytes) {
  const std::uint64_t sizes[] = {0, 1, 512, INT_MAX, 1ull << 31, 5000000000ull, UINT64_MAX};
  for (std::uint64_t length : sizes) {
    const int shift = progress_shift(length);
    const int range = progress_units(length, shift);
    EXPECT_GE(range, 0);
    EXPECT_EQ(range, static_cast<int>(length >> shift));
    EXPECT_GT(range, length > INT_MAX ? INT_MAX / 2 : -1) << "the range keeps its resolution";
    EXPECT_EQ(progress_units(length / 2, shift), static_cast<int>((length / 2) >> shift));
  }
  EXPECT_EQ(progress_shift(512), 0);
  EXPECT_EQ(progress_units(513, 0), 513);
  EXPECT_EQ(progress_units(UINT64_MAX, 0), INT_MAX);  // more than announced: the bar stays full
}

}  // namespace
