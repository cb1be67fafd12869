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

// How much one read of the body asks for: what has arrived (`available`), or more when the link
// brings more in about `window_ms` at the rate it has shown so far (`bytes` in `elapsed_ms`), up
// to `block`. A slow link is read as its bytes come, so the bar moves; a fast one in large reads,
// so that reading is not what limits the speed.
std::uint32_t read_size(std::uint32_t available, std::uint64_t bytes, std::uint64_t elapsed_ms,
                        std::uint32_t block, std::uint32_t window_ms = 100);

// A Content-Range value of a 206 reply, "bytes <first>-<last>/<total>" (total may be "*").
struct ContentRange {
  std::uint64_t first = 0, last = 0;
  std::optional<std::uint64_t> total;  // nothing for "*"
};
std::optional<ContentRange> parse_content_range(const std::string& value);

// Whether a 206 reply carries the rest of the body from `received` on: its range starts there,
// and ends at the end of a body of `length` bytes when that is known (a total it names must
// agree).
bool continues_at(const ContentRange& range, std::uint64_t received,
                  std::optional<std::uint64_t> length);

// The If-Range value under which a reply's body can be resumed: its strong ETag, else its
// Last-Modified date; nothing unless it said "Accept-Ranges: bytes" and named one of them (a
// weak ETag cannot be used and Last-Modified then stands in).
std::optional<std::string> resume_validator(const std::string& accept_ranges,
                                            const std::string& etag,
                                            const std::string& last_modified);

// The request headers that ask for the body from byte `from` on, unless it changed.
std::string range_headers(std::uint64_t from, const std::string& validator);

}  // namespace kestrion
