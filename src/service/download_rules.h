// Portable rules of the package download: the file name an address names, the announced length,
// and the progress bar's units for packages of any size.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kestrion {

// The file-name part of an address's path: what follows its last "/", without the query string
// or fragment ("http://h/files/pkg.zip?x=1" -> "pkg.zip"); "" when the path ends in "/" or the
// address has no path.
std::string url_file_name(const std::string& address);

// A Content-Length value: decimal digits, surrounding spaces allowed; nothing when it is not one
// or does not fit 64 bits.
std::optional<std::uint64_t> parse_content_length(const std::string& value);

// The progress bar counts in ints: bytes are shifted right until the whole length fits, so the
// bar follows the bytes of packages of 2 GiB and more.
int progress_shift(std::uint64_t length);
int progress_units(std::uint64_t bytes, int shift);

}  // namespace kestrion
