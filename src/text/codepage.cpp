#include "text/codepage.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace kestrion::text {

bool is_lead_byte(unsigned char c) {
#ifdef _WIN32
  return IsDBCSLeadByteEx(CP_ACP, c) != FALSE;
#else
  return c >= 0x81 && c <= 0xFE;
#endif
}

int find_char(const std::string& s, char ch, int from) {
  int found = -1;
  for_each_char(s, [&](int i) {
    if (i >= from && s[i] == ch) found = i;
    return found >= 0;
  });
  return found;
}

int rfind_char(const std::string& s, char ch) {
  int found = -1;
  for_each_char(s, [&](int i) {
    if (s[i] == ch) found = i;
    return false;
  });
  return found;
}

std::string replace_char(std::string s, char from, char to) {
  for_each_char(s, [&](int i) {
    if (s[i] == from) s[i] = to;
    return false;
  });
  return s;
}

std::string cut_to_bytes(const std::string& s, std::size_t max_bytes) {
  if (s.size() <= max_bytes) return s;
  // The last character start at or before max_bytes is where the cut goes.
  std::size_t end = 0;
  for_each_char(s, [&](int i) {
    if (static_cast<std::size_t>(i) > max_bytes) return true;
    end = static_cast<std::size_t>(i);
    return false;
  });
  return s.substr(0, end);
}

bool ends_with_char(const std::string& s, char ch) {
  return !s.empty() && rfind_char(s, ch) == static_cast<int>(s.size()) - 1;
}

}  // namespace kestrion::text
