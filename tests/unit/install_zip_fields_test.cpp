// Zip entry fields: attributes by the host system that made the entry, and the extended
// timestamp extra field ("UT") as the local header and the central directory store it.
#include <gtest/gtest.h>

#include "install/zip_fields.h"

using namespace kestrion::zip;

namespace {

constexpr std::uint32_t made_by(std::uint32_t host) { return host << 8 | 30; }
constexpr std::uint32_t unix_mode(std::uint32_t mode) { return mode << 16; }

TEST(ZipFields, AttributesByHostSystem) {
  const struct {
    std::uint32_t version, external, attributes;
  } cases[] = {
      // MS-DOS, Macintosh, NTFS, VFAT: the low bits as stored, nothing else
      {made_by(0), 0x21, attr::archive | attr::readonly},
      {made_by(0), 0x10, attr::directory},
      {made_by(7), 0x06, attr::hidden | attr::system},
      {made_by(11), 0xFFFFFFFF, 0x37},
      {made_by(14), 0x20 | unix_mode(0100644), attr::archive},
      // Unix and every other system: the mode bits
      {made_by(3), unix_mode(0100644), attr::archive},
      {made_by(3), unix_mode(0100444), attr::archive | attr::readonly},
      {made_by(3), unix_mode(0040755) | 0x10, attr::archive | attr::directory},
      {made_by(3), unix_mode(0040555), attr::archive | attr::directory | attr::readonly},
      {made_by(3), 0, attr::archive | attr::readonly},  // no mode stored: owner cannot write
      {made_by(3), 0x07 | unix_mode(0100600), attr::archive},  // DOS bits are ignored
      {made_by(19), unix_mode(0100200), attr::archive},
  };
  for (const auto& c : cases)
    EXPECT_EQ(entry_attributes(c.version, c.external), c.attributes)
        << std::hex << c.version << " " << c.external;
}

std::string le16(unsigned v) { return {char(v & 0xFF), char(v >> 8 & 0xFF)}; }
std::string le32(std::uint32_t v) { return le16(v & 0xFFFF) + le16(v >> 16); }
std::string block(unsigned tag, const std::string& data) { return le16(tag) + le16(data.size()) + data; }

TEST(ZipFields, ExtendedTimes) {
  const std::string unix_extra =
      block(0x7875, std::string("\x01\x04") + le32(1000) + "\x04" + le32(1000));
  struct Case {
    std::string extra;
    bool mod, acc, cre;
    std::int64_t m, a, c;
  };
  const Case cases[] = {
      {"", false, false, false, 0, 0, 0},
      // local header of Info-ZIP zip: modification and access
      {block(0x5455, "\x03" + le32(1700000000) + le32(1700000100)) + unix_extra, true, true,
       false, 1700000000, 1700000100, 0},
      // central directory: the flags announce two times, only the first is there
      {block(0x5455, "\x03" + le32(1700000000)), true, false, false, 1700000000, 0, 0},
      // all three, after another block
      {unix_extra + block(0x5455, "\x07" + le32(1) + le32(2) + le32(3)), true, true, true, 1, 2, 3},
      // access only; a time before 1970
      {block(0x5455, "\x02" + le32(static_cast<std::uint32_t>(-86400))), false, true, false, 0,
       -86400, 0},
      // a block that claims more bytes than the field holds, and an empty UT block
      {le16(0x5455) + le16(9) + "\x01" + le32(5), false, false, false, 0, 0, 0},
      {block(0x5455, ""), false, false, false, 0, 0, 0},
  };
  for (const auto& c : cases) {
    ExtendedTimes t = extended_times(c.extra);
    EXPECT_EQ(t.has_modification, c.mod);
    EXPECT_EQ(t.has_access, c.acc);
    EXPECT_EQ(t.has_creation, c.cre);
    EXPECT_EQ(t.modification, c.m);
    EXPECT_EQ(t.access, c.a);
    EXPECT_EQ(t.creation, c.c);
  }
}

TEST(ZipFields, UnixTimeAsFiletime) {
  EXPECT_EQ(unix_to_filetime(0), 116444736000000000ull);
  EXPECT_EQ(unix_to_filetime(1700000000), 116444736000000000ull + 17000000000000000ull);
  EXPECT_EQ(unix_to_filetime(-11644473600), 0ull);
}

}  // namespace
