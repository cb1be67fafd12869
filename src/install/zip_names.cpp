#include "install/zip_names.h"

#include <cctype>
#include <string_view>
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
      i = text::next_char(name, i);
    }
  }
  out.push_back({start, name.size()});
  return out;
}

bool only_dots_and_spaces(const std::string& name, Span c) {
  if (c.begin == c.end) return false;
  for (size_t i = c.begin; i < c.end; ++i)
    if (name[i] != '.' && name[i] != ' ') return false;
  return !(c.end - c.begin == 1 && name[c.begin] == '.');
}

// The first character, at or after a front, where `pattern` starts. The rest of the name only
// ever loses characters at its front, so a place that did not match stays so: one scan serves
// every later front.
class FirstMatch {
 public:
  FirstMatch(const std::string& name, std::string_view pattern) : name_(name), pattern_(pattern) {}

  // `front` is a character boundary, never smaller than at the last call. npos when none.
  size_t at_or_after(size_t front) {
    if (scanned_ && (found_ == std::string::npos || found_ >= front)) return found_;
    scanned_ = true;
    for (size_t i = front; i < name_.size(); i = text::next_char(name_, i))
      if (name_.compare(i, pattern_.size(), pattern_) == 0) return found_ = i;
    return found_ = std::string::npos;
  }

 private:
  const std::string& name_;
  std::string_view pattern_;
  bool scanned_ = false;
  size_t found_ = std::string::npos;
};

// The rules of sanitize_entry_name applied to the rest of the name, from a front that moves on
// with every cut. Each search takes up where it stopped, so a name costs time in proportion to
// its length; searching the whole rest again at every cut cost cubic time (seconds for 4 KB,
// hours for the 64 KB a zip entry name may have).
class Cutter {
 public:
  explicit Cutter(const std::string& name) : name_(name) {}

  // How many bytes at the front of the rest the first rule that applies drops, or 0.
  size_t cut(size_t front) {
    const size_t rest = name_.size() - front;
    if (rest >= 2 && name_[front + 1] == ':' &&
        !text::is_lead_byte(static_cast<unsigned char>(name_[front])))
      return 2;
    if (rest >= 1 && is_separator(name_[front])) return 1;
    for (FirstMatch& sequence : sequences_) {
      const size_t at = sequence.at_or_after(front);
      if (at != std::string::npos) return at + 4 - front;
    }
    const size_t colon = colon_.at_or_after(front);
    if (colon != std::string::npos) return colon + 1 - front;
    return after_climbing_component(front) - front;
  }

 private:
  // Just after the first component of the rest that climbs (or may climb); `front` when none.
  size_t after_climbing_component(size_t front) const {
    size_t start = front;
    for (size_t i = front;;) {
      if (i == name_.size() || is_separator(name_[i])) {
        if (only_dots_and_spaces(name_, {start, i})) return i < name_.size() ? i + 1 : i;
        if (i == name_.size()) return front;
        start = ++i;
      } else {
        i = text::next_char(name_, i);
      }
    }
  }

  const std::string& name_;
  // In the order they are tried: the first that occurs is cut through its first occurrence.
  FirstMatch sequences_[4] = {
      {name_, "\\..\\"}, {name_, "\\../"}, {name_, "/../"}, {name_, "/..\\"}};
  FirstMatch colon_{name_, ":"};
};

std::string upper_ascii(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

std::string sanitize_entry_name(std::string name) {
  mend_broken_lead_bytes(name);
  Cutter cutter(name);
  size_t front = 0;
  while (size_t n = cutter.cut(front)) front += n;
  return name.substr(front);
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
