// Zip entry fields from any bytes. The input is "version made by" (2 bytes), the external
// attributes (4 bytes), a block of another kind (tag 2 bytes, length 1 byte, its data) and the
// rest, read as an extra field.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "check.h"
#include "install/zip_fields.h"

using namespace kestrion::zip;

namespace {

constexpr std::uint16_t kExtendedTimeTag = 0x5455;  // "UT"
constexpr std::int64_t kFiletimeOf1970 = 116444736000000000;

std::uint32_t le(const std::uint8_t* p, int bytes) {
  std::uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | p[i];
  return v;
}

bool same(const ExtendedTimes& a, const ExtendedTimes& b) {
  return a.has_modification == b.has_modification && a.has_access == b.has_access &&
         a.has_creation == b.has_creation && a.modification == b.modification &&
         a.access == b.access && a.creation == b.creation;
}

void check_time(bool has, std::int64_t seconds) {
  if (!has) {
    FUZZ_CHECK(seconds == 0);
    return;
  }
  FUZZ_CHECK(seconds >= INT32_MIN && seconds <= INT32_MAX);  // four bytes, signed
  // Every such time is after 1601: the FILETIME count neither wraps nor loses a second.
  const std::uint64_t ft = unix_to_filetime(seconds);
  FUZZ_CHECK(static_cast<std::int64_t>(ft) == kFiletimeOf1970 + seconds * 10000000);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 9) return 0;
  const std::uint32_t made_by = le(data, 2), external = le(data + 2, 4);
  const std::uint32_t a = entry_attributes(made_by, external);
  FUZZ_CHECK((a & ~(attr::readonly | attr::hidden | attr::system | attr::directory |
                    attr::archive)) == 0);

  std::uint16_t other_tag = static_cast<std::uint16_t>(le(data + 6, 2));
  if (other_tag == kExtendedTimeTag) other_tag = 0x000A;  // NTFS times: not ours to read
  const std::size_t other_size = std::min<std::size_t>(data[8], size - 9);
  const std::string other_data(reinterpret_cast<const char*>(data) + 9, other_size);
  const std::string extra(reinterpret_cast<const char*>(data) + 9 + other_size,
                          size - 9 - other_size);

  const ExtendedTimes t = extended_times(extra);
  check_time(t.has_modification, t.modification);
  check_time(t.has_access, t.access);
  check_time(t.has_creation, t.creation);

  // A whole block of another kind in front changes nothing.
  const std::string block = std::string{static_cast<char>(other_tag & 0xFF),
                                        static_cast<char>(other_tag >> 8),
                                        static_cast<char>(other_size), '\0'} +
                            other_data;
  FUZZ_CHECK(same(extended_times(block + extra), t));
  return 0;
}
