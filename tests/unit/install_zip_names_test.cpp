// Zip entry names: the stored name cut down to a relative name, and proof by many generated
// names that no name can reach outside the base folder once Windows resolves the path.
#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <vector>

#include "install/zip_names.h"

using kestrion::zip::ends_with_separator;
using kestrion::zip::names_device;
using kestrion::zip::sanitize_entry_name;

namespace {

const std::string kJou = "\x81\x5c";  // 乗: its trail byte is '\\'
const std::string kBa = "\x81\x52";   // 丷
const std::string kZhong = "中文";    // GBK, trail bytes above 0x80

struct NameCase {
  std::string stored, sanitised;
};

TEST(ZipNames, SanitisedNames) {
  const NameCase cases[] = {
      {"app/TILLWRIGHT.exe", "app/TILLWRIGHT.exe"},
      {"app/", "app/"},
      {"", ""},
      {"./app/x", "./app/x"},
      // drives, roots, climbing sequences
      {"../../x.txt", "x.txt"},
      {"C:\\x.txt", "x.txt"},
      {"C:x.txt", "x.txt"},
      {"C:", ""},
      {"/etc/x", "etc/x"},
      {"\\\\server\\share\\x", "server\\share\\x"},
      {"\\\\?\\C:\\x", "x"},
      {"a/b/../c/x", "c/x"},
      {"a\\..\\b", "b"},
      {"a/..\\b/../c", "c"},     // "\../"-style sequences are taken in their fixed order
      // what still climbed after the sequences: ".." components, colons, trimmed dots
      {"a/../../x.txt", "x.txt"},
      {"..\\x", "x"},
      {"..", ""},
      {"a/..", ""},
      {"a/.. /x", "x"},
      {"a/.../x", "x"},
      {"a/. ./x", "x"},
      {"x.txt:stream", "stream"},
      {"a/b:c/d", "c/d"},
      {"x.txt::$DATA", "$DATA"},
      // double-byte characters: a trail byte '\\' is no separator
      {kJou + "..\\x", kJou + "..\\x"},
      {kJou + "\\..\\x", "x"},
      {"app/" + kZhong + "/" + kBa + ".txt", "app/" + kZhong + "/" + kBa + ".txt"},
      // a lead byte without a valid trail byte would let the system see a separator
      {"\x81/../x", "x"},
      {"a\x81", "a_"},
      {"\x81\x7f" "b", "_\x7f" "b"},
  };
  for (const auto& c : cases) EXPECT_EQ(sanitize_entry_name(c.stored), c.sanitised) << c.stored;
}

// A stored name may be up to 65,535 bytes; however it is made, sanitising it takes time in
// proportion to its length. Searching the whole rest again at every cut took 10 s for these 4 KB.
TEST(ZipNames, LongNamesInLinearTime) {
  const NameCase units[] = {{"a/..\\", ""}, {"./../", ""}, {"\\../", ""},
                            {"a:", ""},     {".. /", ""},  {"x/", "x/"}};
  for (const NameCase& unit : units) {
    std::string stored, sanitised;
    while (stored.size() + unit.stored.size() <= 4096) {
      stored += unit.stored;
      sanitised += unit.sanitised;
    }
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(sanitize_entry_name(stored), sanitised) << unit.stored;
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(took).count(), 500)
        << unit.stored;
  }
}

TEST(ZipNames, DevicesAndFolderNames) {
  const struct {
    std::string name;
    bool device, folder;
  } cases[] = {
      {"app/x.dll", false, false}, {"app/", false, true},     {"app\\lib\\", false, true},
      {"NUL", true, false},        {"a/con.txt", true, false}, {"a/Com7/x", true, false},
      {"lpt1 .log", true, false},  {"COM0", false, false},     {"console", false, false},
      {"", false, false},          {"NULL/x", false, false},   {kJou, false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(names_device(c.name), c.device) << c.name;
    EXPECT_EQ(ends_with_separator(c.name), c.folder) << c.name;
  }
}

// ---- the property: every sanitised name resolves inside the base folder ---------------------

bool lead(unsigned char c) { return c >= 0x81 && c <= 0xFE; }
bool trail(unsigned char c) { return c >= 0x40 && c <= 0xFE && c != 0x7F; }

// How Windows reads base + "\" + name: characters by the code page (a lead byte pairs only with a
// valid trail byte), separators '\\' and '/'. False when the name could leave the base folder: it
// starts at a root, names a drive or stream, or has a component that climbs.
bool resolves_inside(const std::string& name, std::string& why) {
  std::vector<std::string> parts(1);
  for (size_t i = 0; i < name.size();) {
    unsigned char c = static_cast<unsigned char>(name[i]);
    if (lead(c) && i + 1 < name.size() && trail(static_cast<unsigned char>(name[i + 1]))) {
      parts.back() += name.substr(i, 2);
      i += 2;
      continue;
    }
    if (lead(c)) return why = "broken lead byte", false;
    if (c == ':') return why = "colon", false;
    if (c == '\\' || c == '/') {
      if (i == 0) return why = "root", false;
      parts.emplace_back();
    } else {
      parts.back() += name[i];
    }
    ++i;
  }
  // Windows reads ".." as one level up and trims trailing dots and spaces, so any component
  // made of dots and spaces alone, other than ".", is taken as one that may climb.
  for (const std::string& p : parts) {
    if (p.empty() || p == ".") continue;
    if (p.find_first_not_of(". ") == std::string::npos) return why = "dot component", false;
  }
  return true;
}

TEST(ZipNames, GeneratedNamesStayInsideTheBaseFolder) {
  const std::vector<std::string> tokens = {
      "..", ".", "/", "\\", ":", "C:", "a", "bc", " ", "...", ".. ", ". .", "x.txt", kJou, kBa,
      kZhong, "\x81", "\xfe", "\\\\?\\", "~1", "$DATA", "/../", "\\..\\", "\\../", "/..\\"};
  std::mt19937 random(20261210);
  std::uniform_int_distribution<size_t> pick(0, tokens.size() - 1), length(0, 14);
  for (int n = 0; n < 50000; ++n) {
    std::string stored;
    for (size_t k = length(random); k > 0; --k) stored += tokens[pick(random)];
    const std::string name = sanitize_entry_name(stored);
    std::string why;
    ASSERT_TRUE(resolves_inside(name, why)) << why << ": [" << stored << "] -> [" << name << "]";
    ASSERT_EQ(sanitize_entry_name(name), name) << stored;  // nothing left to cut
  }
}

}  // namespace
