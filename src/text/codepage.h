// Character-wise searches over ANSI byte strings.
//
// Every text in the program holds bytes of the ANSI code page (936, GBK, on the target). A
// double-byte character's trail byte can equal '\\', '/', '(' or '.', so a search for one of these
// steps over whole characters and only ever matches a single-byte character.
#pragma once

#include <cstddef>
#include <string>

namespace kestrion::text {

// True when `c` starts a double-byte character. Windows asks the system for the process code
// page; elsewhere the GBK rule applies (lead bytes 0x81-0xFE).
bool is_lead_byte(unsigned char c);

// Index of the character after the one that starts at byte `i`. A lead byte at the very end has
// no trail byte: it counts as one character.
inline std::size_t next_char(const std::string& s, std::size_t i) {
  const bool pair = is_lead_byte(static_cast<unsigned char>(s[i])) && i + 1 < s.size();
  return i + (pair ? 2 : 1);
}

// Calls `visit(index)` with the index of the first byte of every character of `s`, in order;
// stops when it returns true.
template <typename Visit>
void for_each_char(const std::string& s, Visit visit) {
  for (std::size_t i = 0; i < s.size(); i = next_char(s, i))
    if (visit(static_cast<int>(i))) return;
}

// Index of the first single-byte character `ch` at or after byte index `from`, or -1.
int find_char(const std::string& s, char ch, int from = 0);

// Index of the last single-byte character `ch`, or -1.
int rfind_char(const std::string& s, char ch);

// `s` with every single-byte character `from` replaced by `to`; trail bytes stay untouched.
std::string replace_char(std::string s, char from, char to);

// The longest start of `s` of at most `max_bytes` bytes that ends on a character boundary (a
// double-byte character is never cut in half).
std::string cut_to_bytes(const std::string& s, std::size_t max_bytes);

// True when the last character of `s` is the single-byte character `ch` (a trail byte equal to
// `ch` does not count).
bool ends_with_char(const std::string& s, char ch);

}  // namespace kestrion::text
