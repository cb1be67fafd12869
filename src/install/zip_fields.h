// Fields of a zip entry as the format stores them, turned into what Windows wants: the file
// attributes by the host system that made the entry, and the extended-timestamp ("UT") extra
// field. Portable rules, tested on the host.
#pragma once

#include <cstdint>
#include <string>

namespace kestrion::zip {

// Windows file attribute bits (the values of FILE_ATTRIBUTE_*).
namespace attr {
constexpr std::uint32_t readonly = 0x01;
constexpr std::uint32_t hidden = 0x02;
constexpr std::uint32_t system = 0x04;
constexpr std::uint32_t directory = 0x10;
constexpr std::uint32_t archive = 0x20;
}  // namespace attr

// General-purpose flag bits.
constexpr std::uint32_t kFlagEncrypted = 0x0001;
constexpr std::uint32_t kFlagUtf8Name = 0x0800;  // the name (and comment) are UTF-8

// The attributes of an entry from "version made by" (its high byte names the host system) and
// the external attributes. MS-DOS, Macintosh, NTFS and VFAT entries keep their low bits
// (read-only, hidden, system, directory, archive); all others are read as Unix modes: a
// directory when S_IFDIR is set, read-only when the owner may not write, archive always.
std::uint32_t entry_attributes(std::uint32_t version_made_by, std::uint32_t external);

// The Unix times of an extended-timestamp field, for the flags that are set and present.
struct ExtendedTimes {
  bool has_modification = false, has_access = false, has_creation = false;
  std::int64_t modification = 0, access = 0, creation = 0;
};

// Finds the "UT" block (tag 0x5455) in an extra field and reads it. A block cut short gives
// the times that fit; a damaged extra field gives none.
ExtendedTimes extended_times(const std::string& extra);

// A Unix time (seconds since 1970, UTC) as a FILETIME count (100 ns since 1601, UTC).
std::uint64_t unix_to_filetime(std::int64_t seconds);

}  // namespace kestrion::zip
