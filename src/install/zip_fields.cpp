#include "install/zip_fields.h"

namespace kestrion::zip {

namespace {

constexpr std::uint32_t kHostMsDos = 0, kHostMacintosh = 7, kHostNtfs = 11, kHostVfat = 14;
constexpr std::uint32_t kDosBits =
    attr::readonly | attr::hidden | attr::system | attr::directory | attr::archive;
constexpr std::uint32_t kUnixDirectory = 1u << 30;  // S_IFDIR (040000) in the high half
constexpr std::uint32_t kUnixOwnerWrite = 1u << 23;  // S_IWUSR (0200) in the high half

constexpr std::uint16_t kExtendedTimeTag = 0x5455;  // "UT"
constexpr std::int64_t kEpochDifference = 11644473600;  // seconds from 1601 to 1970
constexpr std::uint64_t kTicksPerSecond = 10000000;

std::uint32_t le(const std::string& s, size_t at, int bytes) {
  std::uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(s[at + i]);
  return v;
}

}  // namespace

std::uint32_t entry_attributes(std::uint32_t version_made_by, std::uint32_t external) {
  const std::uint32_t host = (version_made_by >> 8) & 0xFF;
  if (host == kHostMsDos || host == kHostMacintosh || host == kHostNtfs || host == kHostVfat)
    return external & kDosBits;
  std::uint32_t a = attr::archive;
  if (external & kUnixDirectory) a |= attr::directory;
  if (!(external & kUnixOwnerWrite)) a |= attr::readonly;
  return a;
}

ExtendedTimes extended_times(const std::string& extra) {
  ExtendedTimes t;
  for (size_t at = 0; at + 4 <= extra.size();) {
    const std::uint32_t tag = le(extra, at, 2), size = le(extra, at + 2, 2);
    const size_t data = at + 4, end = data + size;
    if (end > extra.size()) break;
    if (tag == kExtendedTimeTag && size >= 1) {
      const std::uint32_t flags = static_cast<unsigned char>(extra[data]);
      size_t p = data + 1;
      bool* has[] = {&t.has_modification, &t.has_access, &t.has_creation};
      std::int64_t* value[] = {&t.modification, &t.access, &t.creation};
      for (int i = 0; i < 3; ++i) {
        if (!(flags & (1u << i))) continue;
        if (p + 4 > end) break;  // the central directory keeps only the modification time
        *has[i] = true;
        *value[i] = static_cast<std::int32_t>(le(extra, p, 4));
        p += 4;
      }
      return t;
    }
    at = end;
  }
  return t;
}

std::uint64_t unix_to_filetime(std::int64_t seconds) {
  return static_cast<std::uint64_t>(seconds + kEpochDifference) * kTicksPerSecond;
}

}  // namespace kestrion::zip
