// The unattended switches from any bytes, taken as the arguments behind the program's path: the
// path (quoted with blanks, bare, with GBK bytes) never changes what they give, blanks at the end
// of the line change nothing, "/D=" gives a folder that is the line's own end, a refusal names one
// item of the line, and a "/S" line never counts upgrade arguments, however many items it has.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "check.h"
#include "shell/command_line.h"
#include "shell/unattended.h"

using namespace kestrion;

namespace {

// The program's path as the command line's item 0: quoted with a blank, bare, and in GBK with
// 门店 and 乗 (whose trail byte is '\').
const std::string kPaths[] = {"\"C:\\Program Files\\setup(192.0.2.7_8080).exe\"",
                              "C:\\pos\\setup.exe",
                              "\"D:\\\xc3\xc5\xb5\xea \\\x81\x5c(1.2.3.4_80).exe\""};

bool blank(char c) { return c == ' ' || c == '\t'; }

bool same(const std::optional<Unattended>& a, const std::optional<Unattended>& b) {
  if (a.has_value() != b.has_value()) return false;
  return !a || (a->folder == b->folder && a->refused == b->refused);
}

// The items of the arguments as blanks separate them (quotes aside; enough for counting).
std::vector<std::string> items_of(const std::string& path, const std::string& arguments) {
  std::vector<std::string> items{path};
  std::string item;
  for (char c : arguments + " ") {
    if (!blank(c)) {
      item.push_back(c);
    } else if (!item.empty()) {
      items.push_back(item);
      item.clear();
    }
  }
  return items;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string arguments(reinterpret_cast<const char*>(data), size);
  const std::string line = kPaths[0] + " " + arguments;
  const std::optional<Unattended> u = unattended_switches(line);

  for (const std::string& path : kPaths) {
    FUZZ_CHECK(same(unattended_switches(path + " " + arguments), u));
    FUZZ_CHECK(same(unattended_switches(path + "\t " + arguments + " \t "), u));
  }
  if (u) {
    FUZZ_CHECK(!(u->folder && !u->refused.empty()));
    if (u->folder) {
      const std::string& f = *u->folder;
      FUZZ_CHECK(!f.empty() && !blank(f.back()));
      const std::size_t at = line.rfind(f);
      FUZZ_CHECK(at != std::string::npos && at >= 3);
      const std::string before = line.substr(at - 3, 3);
      FUZZ_CHECK(before == "/D=" || before == "/d=");
      for (std::size_t i = at + f.size(); i < line.size(); ++i) FUZZ_CHECK(blank(line[i]));
    }
    if (!u->refused.empty()) {
      FUZZ_CHECK(line.find(u->refused) != std::string::npos);
      for (char c : u->refused) FUZZ_CHECK(!blank(c));
    }
  }

  const std::vector<std::string> items = items_of(kPaths[0], arguments);
  const LaunchArguments a = launch_arguments_from_command_line(line, items);
  if (u) {
    FUZZ_CHECK(run_mode(a) == RunMode::install && a.item_count == 1);
    FUZZ_CHECK(launch_argument_log_lines(a).empty());
  } else {
    const LaunchArguments b = launch_arguments_from_items(items);
    FUZZ_CHECK(a.item_count == b.item_count && a.arg_upgradeurl == b.arg_upgradeurl &&
               a.arg_isdownfile == b.arg_isdownfile && run_mode(a) == run_mode(b));
  }
  return 0;
}
