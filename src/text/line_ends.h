// Line ends as a text-mode stream on Windows writes them.
#pragma once

#include <string>

namespace kestrion::text {

// `s` with every LF written as CR LF (a CR already before it is kept, so CR LF becomes CR CR LF,
// exactly as a text-mode stream does).
inline std::string with_crlf(const std::string& s) {
  std::string out;
  out.reserve(s.size() + s.size() / 16);
  for (char c : s) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

}  // namespace kestrion::text
