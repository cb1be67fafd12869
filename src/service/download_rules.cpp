#include "service/download_rules.h"

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

}  // namespace kestrion
