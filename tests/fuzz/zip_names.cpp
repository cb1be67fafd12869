// Zip entry names from any bytes: the sanitised name never leaves the base folder as Windows
// (code page 936) resolves base + "\" + name, it is what is left of the stored name (nothing
// added), and it is final: sanitising it again changes nothing.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "check.h"
#include "install/zip_names.h"

using namespace kestrion::zip;

namespace {

bool lead(unsigned char c) { return c >= 0x81 && c <= 0xFE; }
bool trail(unsigned char c) { return c >= 0x40 && c <= 0xFE && c != 0x7F; }

// The name's components as the system splits them: a lead byte pairs with a valid trail byte
// into one character, and only a single-byte '\' or '/' separates. False when the name starts at
// a root, holds a broken lead byte or a colon (a drive, a stream).
bool split(const std::string& name, std::vector<std::string>& parts) {
  parts.assign(1, std::string());
  for (std::size_t i = 0; i < name.size();) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (lead(c)) {
      if (i + 1 == name.size() || !trail(static_cast<unsigned char>(name[i + 1]))) return false;
      parts.back() += name.substr(i, 2);
      i += 2;
      continue;
    }
    if (c == ':') return false;
    if (c == '\\' || c == '/') {
      if (i == 0) return false;
      parts.emplace_back();
    } else {
      parts.back() += name[i];
    }
    ++i;
  }
  return true;
}

// Windows takes ".." as the folder above and trims trailing dots and spaces from a component:
// one made only of dots and spaces, other than ".", may climb.
bool may_climb(const std::string& part) {
  return !part.empty() && part != "." && part.find_first_not_of(". ") == std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string stored(reinterpret_cast<const char*>(data), size);
  const std::string name = sanitize_entry_name(stored);

  std::vector<std::string> parts;
  FUZZ_CHECK(split(name, parts));
  for (const std::string& part : parts) FUZZ_CHECK(!may_climb(part));

  // The end of the stored name, where only lead bytes may have turned into '_'.
  FUZZ_CHECK(name.size() <= stored.size());
  const std::size_t from = stored.size() - name.size();
  for (std::size_t i = 0; i < name.size(); ++i)
    FUZZ_CHECK(name[i] == stored[from + i] ||
               (name[i] == '_' && lead(static_cast<unsigned char>(stored[from + i]))));

  FUZZ_CHECK(sanitize_entry_name(name) == name);
  FUZZ_CHECK(ends_with_separator(name) == (parts.size() > 1 && parts.back().empty()));
  names_device(name);
  names_device(stored);
  return 0;
}
