#include "service/download_rules.h"

#include <algorithm>
#include <cstdint>

#include <climits>

#include "text/codepage.h"

namespace kestrion {

std::string url_file_name(const std::string& address) {
  std::string path = address;
  for (char end : {'#', '?'}) {
    int at = text::find_char(path, end);
    if (at >= 0) path.resize(static_cast<size_t>(at));
  }
  // The path starts after the scheme's "//" and the host.
  int start = 0;
  const int scheme = static_cast<int>(path.find("://"));
  if (scheme >= 0) {
    start = text::find_char(path, '/', scheme + 3);
    if (start < 0) return {};
  }
  const int slash = text::rfind_char(path, '/');
  return slash >= start ? path.substr(static_cast<size_t>(slash) + 1) : path.substr(start);
}

std::optional<std::uint64_t> parse_content_length(const std::string& value) {
  size_t i = value.find_first_not_of(' ');
  const size_t end = value.find_last_not_of(' ');
  if (i == std::string::npos) return std::nullopt;
  std::uint64_t n = 0;
  for (; i <= end; ++i) {
    const char c = value[i];
    if (c < '0' || c > '9') return std::nullopt;
    const std::uint64_t digit = static_cast<std::uint64_t>(c - '0');
    if (n > (UINT64_MAX - digit) / 10) return std::nullopt;
    n = n * 10 + digit;
  }
  return n;
}

int progress_shift(std::uint64_t length) {
  int shift = 0;
  while ((length >> shift) > static_cast<std::uint64_t>(INT_MAX)) ++shift;
  return shift;
}

int progress_units(std::uint64_t bytes, int shift) {
  const std::uint64_t units = bytes >> shift;
  return units > static_cast<std::uint64_t>(INT_MAX) ? INT_MAX : static_cast<int>(units);
}

namespace {

// Decimal digits at `i` up to the first byte of `stops` (or the end); advances `i`.
std::optional<std::uint64_t> number_at(const std::string& text, size_t& i, const char* stops) {
  const size_t end = text.find_first_of(stops, i);
  const std::string digits = text.substr(i, end == std::string::npos ? end : end - i);
  if (digits.empty() || digits.find(' ') != std::string::npos) return std::nullopt;
  i = end == std::string::npos ? text.size() : end;
  return parse_content_length(digits);
}

std::string trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

std::optional<ContentRange> parse_content_range(const std::string& value) {
  const std::string text = trimmed(value);
  static const std::string kUnit = "bytes ";
  if (text.compare(0, kUnit.size(), kUnit) != 0) return std::nullopt;
  size_t i = text.find_first_not_of(' ', kUnit.size());
  if (i == std::string::npos) return std::nullopt;
  ContentRange range;
  const auto first = number_at(text, i, "-");
  if (!first || i >= text.size()) return std::nullopt;
  ++i;
  const auto last = number_at(text, i, "/");
  if (!last || i >= text.size() || *last < *first) return std::nullopt;
  ++i;
  range.first = *first;
  range.last = *last;
  if (text.compare(i, std::string::npos, "*") != 0) {
    range.total = number_at(text, i, "");
    if (!range.total || *range.total <= *last) return std::nullopt;
  }
  return range;
}

bool continues_at(const ContentRange& range, std::uint64_t received,
                  std::optional<std::uint64_t> length) {
  if (range.first != received) return false;
  if (range.total && length && *range.total != *length) return false;
  const std::optional<std::uint64_t> end = length ? length : range.total;
  return !end || range.last + 1 == *end;
}

std::optional<std::string> resume_validator(const std::string& accept_ranges,
                                            const std::string& etag,
                                            const std::string& last_modified) {
  // "Accept-Ranges" may list units; "none" (or nothing) means no ranges.
  bool bytes = false;
  std::string units = accept_ranges;
  for (char& c : units)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  size_t start = 0;
  while (start <= units.size()) {
    size_t comma = units.find(',', start);
    if (comma == std::string::npos) comma = units.size();
    bytes |= trimmed(units.substr(start, comma - start)) == "bytes";
    start = comma + 1;
  }
  if (!bytes) return std::nullopt;
  const std::string tag = trimmed(etag);
  if (tag.size() >= 2 && tag.front() == '"' && tag.back() == '"') return tag;
  const std::string date = trimmed(last_modified);
  if (!date.empty()) return date;
  return std::nullopt;
}

std::string range_headers(std::uint64_t from, const std::string& validator) {
  return "Range: bytes=" + std::to_string(from) + "-\r\nIf-Range: " + validator + "\r\n";
}

std::uint32_t read_size(std::uint32_t available, std::uint64_t bytes, std::uint64_t elapsed_ms,
                        std::uint32_t block, std::uint32_t window_ms) {
  if (window_ms != 0 && bytes > UINT64_MAX / window_ms) return block;
  const std::uint64_t expected =
      elapsed_ms == 0 ? bytes : bytes * window_ms / elapsed_ms;  // within the next window
  const std::uint64_t wanted = std::max<std::uint64_t>(available, expected);
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(wanted, block));
}

}  // namespace kestrion
