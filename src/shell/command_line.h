// The launch arguments: the eight positional upgrade arguments of the command line, their log
// lines, and the run mode they select.
#pragma once

#include <string>
#include <vector>

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

// The same from the raw command line (ANSI) and the items the shell split it into: a line whose
// first argument is "/S" (an unattended install) counts no upgrade arguments, however many items
// its folder splits into.
LaunchArguments launch_arguments_from_command_line(const std::string& command_line,
                                                   const std::vector<std::string>& items);

// The eight argument log lines, in order, when there is at least one argument; else none.
std::vector<std::string> launch_argument_log_lines(const LaunchArguments& args);

enum class RunMode {
  install,           // a person presses Run
  upgrade_finish,    // upgrade with arg_isdownfile exactly "N": no download
  upgrade_download,  // upgrade with any other download flag: timer 2 starts the run
};

// Upgrade mode needs the first five arguments all non-empty.
RunMode run_mode(const LaunchArguments& args);

}  // namespace kestrion
