// The unattended install: "/S" as the first argument on the raw command line, an optional
// "/D=<folder>" as the last, the usage text for anything else, and the exit codes that tell a
// deployment tool how the install ended.
#pragma once

#include <optional>
#include <string>

#include "run/run_sequence.h"

namespace kestrion {

struct Unattended {
  std::optional<std::string> folder;  // "/D=": the rest of the command line, taken as it stands
  std::string refused;                // the first argument after "/S" that is no known switch
};

// The switches of a raw command line (ANSI; item 0 the program's path, quoted or not) whose
// first argument is "/S" in any letter case; nothing otherwise. After "/S" only "/D=<folder>"
// may follow: it takes everything up to the end of the line, blanks included, without quotes
// (only blanks at the very end are dropped). Anything else, and "/D=" with no folder, is
// refused.
std::optional<Unattended> unattended_switches(const std::string& command_line);

// The log lines of an unattended install: a refused command line (what was refused, then how
// the switches are used), its start with the folder it installs into, the text of a box it did
// not show, and its end with the exit code and the status line.
std::string unattended_refusal(const std::string& refused);
std::string unattended_usage();
std::string unattended_start_line(const std::string& folder);
std::string unattended_box_line(const std::string& text);
std::string unattended_end_line(int exit_code, const std::string& status);

// How an unattended install ended, as its exit code. Interactive and upgrade runs keep their own
// codes (1 after a finished run).
namespace unattended_exit {
constexpr int installed = 0;
constexpr int refused_command_line = 10;  // an unknown switch, or "/D=" with no folder
constexpr int already_running = 11;       // another process of this setup file runs
constexpr int not_finished = 12;          // the window ended without the run ending it
// The step of the run where it ended (see RunStep).
constexpr int no_service_address = 20;
constexpr int folders = 21;
constexpr int shortcut_name = 22;
constexpr int no_package = 23;
constexpr int download = 24;
constexpr int files = 25;
constexpr int records = 26;
constexpr int shortcut = 27;
}  // namespace unattended_exit

// The exit code for the end of an unattended install's run.
int unattended_exit_code(const RunEnd& end);

}  // namespace kestrion
