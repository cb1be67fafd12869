#include "install/zip_names.h"

#include <cctype>
#include <vector>

#include "text/codepage.h"

namespace kestrion::zip {

namespace {

bool is_separator(char c) { return c == '\\' || c == '/'; }

// A trail byte of the ANSI code page (GBK: 0x40-0xFE without 0x7F).
bool is_trail_byte(unsigned char c) { return c >= 0x40 && c <= 0xFE && c != 0x7F; }

// Replaces every lead byte that has no valid trail byte after it by '_'.
void mend_broken_lead_bytes(std::string& name) {
  for (size_t i = 0; i < name.size(); ++i) {
    if (!text::is_lead_byte(static_cast<unsigned char>(name[i]))) continue;
    if (i + 1 < name.size() && is_trail_byte(static_cast<unsigned char>(name[i + 1]))) {
      ++i;
    } else {
      name[i] = '_';
    }
  }
}

// The byte ranges [begin, end) of the name's components, split at single-byte separators.
struct Span {
  size_t begin, end;
};
std::vector<Span> components(const std::string& name) {
  std::vector<Span> out;
  size_t start = 0;
  for (size_t i = 0; i < name.size();) {
    if (is_separator(name[i])) {
      out.push_back({start, i});
      start = i + 1;
      ++i;
    } else {
      i += text::is_lead_byte(static_cast<unsigned char>(name[i])) && i + 1 < name.size() ? 2 : 1;
    }
  }
  out.push_back({start, name.size()});
  return out;
}

// Index just after the first occurrence of `seq` ("\..\" and the like) that starts at a
// character boundary, or npos.
size_t after_sequence(const std::string& name, const char* seq) {
  for (int i = text::find_char(name, seq[0]); i >= 0; i = text::find_char(name, seq[0], i + 1)) {
    if (name.compare(static_cast<size_t>(i), 4, seq) == 0) return static_cast<size_t>(i) + 4;
  }
  return std::string::npos;
}

bool only_dots_and_spaces(const std::string& name, Span c) {
  if (c.begin == c.end) return false;
  for (size_t i = c.begin; i < c.end; ++i)
    if (name[i] != '.' && name[i] != ' ') return false;
  return !(c.end - c.begin == 1 && name[c.begin] == '.');
}

// Index just after the first component that climbs (or may climb), or npos.
size_t after_climbing_component(const std::string& name) {
  for (const Span& c : components(name)) {
    if (only_dots_and_spaces(name, c)) return c.end < name.size() ? c.end + 1 : c.end;
  }
  return std::string::npos;
}

// How many leading bytes the first rule that applies drops, or 0 when none applies.
size_t cut(const std::string& name) {
  if (name.size() >= 2 && name[1] == ':' && !text::is_lead_byte(static_cast<unsigned char>(name[0])))
    return 2;
  if (!name.empty() && is_separator(name[0])) return 1;
  for (const char* seq : {"\\..\\", "\\../", "/../", "/..\\"}) {
    size_t end = after_sequence(name, seq);
    if (end != std::string::npos) return end;
  }
  int colon = text::find_char(name, ':');
  if (colon >= 0) return static_cast<size_t>(colon) + 1;
  size_t end = after_climbing_component(name);
  return end == std::string::npos ? 0 : end;
}

std::string upper_ascii(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

std::string sanitize_entry_name(std::string name) {
  mend_broken_lead_bytes(name);
  while (size_t n = cut(name)) name.erase(0, n);
  return name;
}

bool names_device(const std::string& name) {
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
  for (const Span& c : components(name)) {
    // The system looks at the part before the first dot, without trailing spaces.
    std::string stem = name.substr(c.begin, c.end - c.begin);
    int dot = text::find_char(stem, '.');
    if (dot >= 0) stem.resize(static_cast<size_t>(dot));
    while (!stem.empty() && stem.back() == ' ') stem.pop_back();
    stem = upper_ascii(stem);
    for (const char* device : kDevices)
      if (stem == device) return true;
    if (stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) &&
        stem[3] >= '1' && stem[3] <= '9')
      return true;
  }
  return false;
}

bool ends_with_separator(const std::string& name) {
  const std::vector<Span> parts = components(name);
  return parts.size() > 1 && parts.back().begin == parts.back().end;
}

}  // namespace kestrion::zip
