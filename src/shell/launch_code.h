// The launch inputs as rules on plain texts: the eight upgrade arguments and the run mode they
// select, the service address carried in the program file's name ("setup(CODE).exe"), the path
// prefix of an upgrade address, and the inverse of the file-name code for store IT.
//
// In the code "_" stands for ":", "R" for "/", a final "S" (with a path) or "s" (without) for
// https, and an "N" ends the address and selects the service-centre endpoints. Every search is by
// character in the ANSI code page, so a trail byte of a double-byte character never matches.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "service/endpoint.h"

namespace kestrion {

// The positional upgrade arguments, in command-line order, with their defaults.
struct LaunchArguments {
  std::string arg_upgradeurl;          // service address of the installed client
  std::string arg_upgradefileurl;      // package address
  std::string arg_upgradeversion;      // version being installed
  std::string arg_upgradepath;         // folder of the installed client
  std::string arg_upgradeoldversion;   // version of the installed client
  std::string arg_isdownfile = "N";    // "N": nothing to download
  std::string arg_upoldreportversion;  // report version; "-1.0" counts as empty
  std::string arg_requestservice;      // "SERVICE_CENTER" or empty
  int item_count = 1;                  // command-line items, the program path included
};

// The arguments from the command-line items (item 0 is the program's path): with 8 or more
// items the first seven arguments are taken, with exactly 9 the eighth as well.
LaunchArguments launch_arguments_from_items(const std::vector<std::string>& items);

// The eight argument log lines, in order, when there is at least one argument; else none.
std::vector<std::string> launch_argument_log_lines(const LaunchArguments& args);

enum class RunMode {
  install,           // a person presses Run
  upgrade_finish,    // upgrade with arg_isdownfile exactly "N": no download
  upgrade_download,  // upgrade with any other download flag: timer 2 starts the run
};

// Upgrade mode needs the first five arguments all non-empty.
RunMode run_mode(const LaunchArguments& args);

// The install folder in upgrade mode: arg_upgradepath up to its last "\" ("" when it has none).
std::string upgrade_install_folder(const std::string& upgrade_path);

// What the file-name code carries.
struct FileNameCode {
  std::string service_address;  // "http://" or "https://", the code, "/"
  std::string server_text;      // the code without scheme and final "/"
  std::string service_center;   // "SERVICE_CENTER" or ""
  std::optional<std::string> path_prefix;
};

// Decodes the code between "(" and ")" of the program file's name (the part of `program_path`
// after its last "\"). A name without a code gives the address "http:///".
FileNameCode decode_file_name_code(const std::string& program_path);

// The service path prefix of an upgrade address: what follows the first "/" after the
// host, possibly empty; nothing when the address has no "/" after the host.
std::optional<std::string> service_path_from_url(const std::string& upgrade_url);

// The file-name code for a service address: scheme http or https, a host of letters, digits,
// "." and "-", an optional port and at most one path segment (letters, digits, ".", "-", "~").
// `error` says in words why an address cannot be carried; `code` is then empty.
struct EncodedCode {
  std::string code;
  std::string error;
  std::string address;  // the address as the code gives it back, e.g. "http://h:8080/pos/"
};
EncodedCode encode_file_name_code(const std::string& service_url, bool service_center);

// "setup(" + code + ").exe".
std::string setup_file_name(const std::string& code);

}  // namespace kestrion
