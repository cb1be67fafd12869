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

namespace {

// A read asks for what has arrived, or for what the link brought in 100 ms so far, up to a block.
TEST(DownloadRules, ReadSizeFollowsTheLink) {
  constexpr std::uint32_t kBlock = 256 * 1024;
  const struct {
    std::uint32_t available;
    std::uint64_t bytes, elapsed_ms;
    std::uint32_t expected;
  } cases[] = {
      {8192, 0, 0, 8192},                 // the first read: what is there
      {8192, 8192, 0, 8192},              // no time measured yet
      {1000, 100000, 1000, 10000},        // 100 KB/s: about 10 KB a read
      {8192, 100000, 1000, 10000},
      {20000, 100000, 1000, 20000},       // more has arrived than the rate says
      {8192, 250000000, 1000, kBlock},    // loopback: full blocks
      {kBlock * 2, 10, 1000, kBlock},
      {8192, UINT64_MAX / 200, 1, kBlock},
  };
  for (const auto& c : cases)
    EXPECT_EQ(read_size(c.available, c.bytes, c.elapsed_ms, kBlock), c.expected)
        << c.available << " " << c.bytes << " " << c.elapsed_ms;
}

TEST(DownloadRules, ContentRangeOfAResumedBody) {
  const struct {
    const char* value;
    std::optional<std::uint64_t> first, last, total;  // first nothing: no range
  } cases[] = {
      {"bytes 100-299/300", 100, 299, 300},
      {"bytes 0-0/1", 0, 0, 1},
      {" bytes 70000-299999/*", 70000, 299999, std::nullopt},
      {"bytes 5000000000-5000000009/5000000010", 5000000000ull, 5000000009ull, 5000000010ull},
      {"bytes */300", std::nullopt, std::nullopt, std::nullopt},
      {"bytes 300-200/400", std::nullopt, std::nullopt, std::nullopt},
      {"bytes 100-299/299", std::nullopt, std::nullopt, std::nullopt},
      {"bytes 100-/300", std::nullopt, std::nullopt, std::nullopt},
      {"items 1-2/3", std::nullopt, std::nullopt, std::nullopt},
      {"bytes 1 -2/3", std::nullopt, std::nullopt, std::nullopt},
      {"", std::nullopt, std::nullopt, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    const auto range = parse_content_range(c.value);
    ASSERT_EQ(range.has_value(), c.first.has_value());
    if (!range) continue;
    EXPECT_EQ(range->first, *c.first);
    EXPECT_EQ(range->last, *c.last);
    EXPECT_EQ(range->total, c.total);
  }
}

// Only a range that starts where the file ends and runs to the end of the body continues it.
TEST(DownloadRules, ARangeContinuesTheFileOnlyWhereItEnds) {
  const struct {
    const char* value;
    std::uint64_t received;
    std::optional<std::uint64_t> length;
    bool continues;
  } cases[] = {
      {"bytes 100-299/300", 100, 300, true},
      {"bytes 100-299/*", 100, 300, true},
      {"bytes 100-299/300", 100, std::nullopt, true},
      {"bytes 0-299/300", 100, 300, false},    // the whole body again
      {"bytes 150-299/300", 100, 300, false},  // a gap
      {"bytes 100-199/300", 100, 300, false},  // not to the end
      {"bytes 100-399/400", 100, 300, false},  // another body
  };
  for (const auto& c : cases)
    EXPECT_EQ(continues_at(*parse_content_range(c.value), c.received, c.length), c.continues)
        << c.value << " at " << c.received;
}

TEST(DownloadRules, AReplyCanBeResumedUnderAStrongValidator) {
  const char* date = "Wed, 09 Dec 2026 10:00:00 GMT";
  const struct {
    const char *accept, *etag, *modified;
    std::optional<std::string> validator;
  } cases[] = {
      {"bytes", "\"a1\"", date, "\"a1\""},
      {"Bytes", "", date, date},
      {"none, bytes", "\"a1\"", "", "\"a1\""},
      {"bytes", "W/\"a1\"", date, date},  // a weak tag cannot be used: the date stands in
      {"bytes", "W/\"a1\"", "", std::nullopt},
      {"bytes", "", "", std::nullopt},
      {"none", "\"a1\"", date, std::nullopt},
      {"", "\"a1\"", date, std::nullopt},
  };
  for (const auto& c : cases)
    EXPECT_EQ(resume_validator(c.accept, c.etag, c.modified), c.validator)
        << c.accept << " " << c.etag << " " << c.modified;
  EXPECT_EQ(range_headers(70000, "\"a1\""), "Range: bytes=70000-\r\nIf-Range: \"a1\"\r\n");
}

}  // namespace
