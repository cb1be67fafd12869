// The launch inputs from any bytes, read three ways: whole, as the program's path (the name
// store IT gave it) and as an upgrade address or folder; split at NULs, as the command-line items
// of an upgrade; and, after a first byte whose low bit asks for the service-centre marker, as the
// service address store IT encodes with tools/setup-name.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "check.h"
#include "config/install_root.h"
#include "shell/command_line.h"
#include "shell/file_name_code.h"
#include "shell/file_name_encoder.h"
#include "text/codepage.h"

using namespace kestrion;

namespace {

// 升级启动程序入参： and " >>>> ：" in GBK.
const std::string kLogLabel =
    "\xc9\xfd\xbc\xb6\xc6\xf4\xb6\xaf\xb3\xcc\xd0\xf2\xc8\xeb\xb2\xce\xa3\xba";
const std::string kLogArrow = " >>>> \xa3\xba";

// Folders the program may sit in, in GBK: 门店(2), and 乗 whose trail byte is '\'.
const std::string kFolders[] = {"D:\\\xc3\xc5\xb5\xea(2)\\", "C:\\\x81\x5c" "(1)\\", "\\\\h\\s\\"};

bool ends_with(const std::string& s, const std::string& end) {
  return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

bool same(const FileNameCode& a, const FileNameCode& b) {
  return a.service_address == b.service_address && a.server_text == b.server_text &&
         a.service_center == b.service_center && a.path_prefix == b.path_prefix;
}

void check_decoded(const std::string& path) {
  const FileNameCode d = decode_file_name_code(path);
  const std::string scheme = d.service_address.rfind("https://", 0) == 0 ? "https://" : "http://";
  FUZZ_CHECK(d.service_address == scheme + d.server_text + "/");
  FUZZ_CHECK(d.service_center.empty() || d.service_center == "SERVICE_CENTER");
  FUZZ_CHECK(text::find_char(d.server_text, '_') < 0);  // every "_" reads as ":"
  if (d.path_prefix) FUZZ_CHECK(ends_with(d.server_text, "/" + *d.path_prefix));
  // Only the name after the last "\" counts, whatever folder holds the program.
  for (const std::string& folder : kFolders)
    FUZZ_CHECK(same(decode_file_name_code(folder + path), d));
}

void check_upgrade_paths(const std::string& text) {
  const std::string folder = parent_folder(text);
  if (text::rfind_char(text, '\\') < 0) {
    FUZZ_CHECK(folder.empty());
  } else {
    FUZZ_CHECK(text.compare(0, folder.size(), folder) == 0 && text[folder.size()] == '\\');
  }
  if (const std::optional<std::string> prefix = service_path_from_url(text))
    FUZZ_CHECK(ends_with(text, *prefix));
}

// The upgrade arguments from NUL-separated items (the program's path first): the log has a line
// for each argument, in GBK like every text of the program, since the rules hold their Chinese
// literals as GBK bytes in this build too (tests/fuzz/gbk_literals.py).
void check_argument_log(const std::string& text) {
  std::vector<std::string> items(1);
  for (char c : text) {
    if (c == '\0')
      items.emplace_back();
    else
      items.back().push_back(c);
  }
  const LaunchArguments a = launch_arguments_from_items(items);
  FUZZ_CHECK(a.item_count == static_cast<int>(items.size()));
  const std::vector<std::string> lines = launch_argument_log_lines(a);
  if (items.size() == 1) {
    FUZZ_CHECK(lines.empty());
    return;
  }
  const std::string values[] = {a.arg_upgradeurl,        a.arg_upgradefileurl,
                                a.arg_upgradeversion,    a.arg_upgradepath,
                                a.arg_upgradeoldversion, a.arg_isdownfile,
                                a.arg_upoldreportversion, a.arg_requestservice};
  FUZZ_CHECK(lines.size() == 8);
  for (std::size_t i = 0; i < 8; ++i) {
    FUZZ_CHECK(lines[i].rfind(kLogLabel, 0) == 0);
    FUZZ_CHECK(ends_with(lines[i], kLogArrow + values[i]));
  }
}

void check_encoded(const std::string& url, bool service_center) {
  const EncodedCode e = encode_file_name_code(url, service_center);
  FUZZ_CHECK(e.code.empty() != e.error.empty());
  if (e.code.empty()) return;
  // A file name of plain characters: nothing Windows refuses, no ")" that ends the code early.
  for (unsigned char c : e.code)
    FUZZ_CHECK(std::isalnum(c) || c == '.' || c == '-' || c == '_' || c == '~');

  // The address as given, its scheme in lower case, with a final "/".
  const std::size_t sep = url.find("://");
  std::string scheme = url.substr(0, sep);
  for (char& c : scheme) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const std::string rest = url.substr(sep + 3);
  FUZZ_CHECK(e.address == scheme + "://" + rest + (ends_with(rest, "/") ? "" : "/"));

  // The name store IT gives the program reads back as that address, prefix and marker.
  const std::size_t slash = rest.find('/');
  std::string segment = slash == std::string::npos ? std::string() : rest.substr(slash + 1);
  if (ends_with(segment, "/")) segment.pop_back();
  for (const std::string& folder : kFolders) {
    const FileNameCode d = decode_file_name_code(folder + setup_file_name(e.code));
    FUZZ_CHECK(d.service_address == e.address);
    FUZZ_CHECK(d.service_center == (service_center ? "SERVICE_CENTER" : ""));
    FUZZ_CHECK(d.path_prefix == (segment.empty() ? std::nullopt : std::optional(segment)));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  check_decoded(text);
  check_upgrade_paths(text);
  check_argument_log(text);
  if (size > 0) check_encoded(text.substr(1), (data[0] & 1) != 0);
  return 0;
}
