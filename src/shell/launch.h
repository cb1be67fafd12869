// Reading the launch inputs from the process's command line (Windows).
#pragma once

#include <windows.h>

#include <optional>

#include "shell/command_line.h"
#include "shell/unattended.h"

namespace kestrion {

// Splits the UTF-16 command line as the shell does (blanks separate, double quotes group),
// converts each item with the ANSI code page and applies launch_arguments_from_command_line.
// With at least one counted argument it writes the eight argument log lines, in order.
LaunchArguments parse_launch_arguments(const wchar_t* command_line = GetCommandLineW());

// The switches of an unattended install ("/S" first), from the whole UTF-16 command line.
std::optional<Unattended> unattended_launch(const wchar_t* command_line = GetCommandLineW());

}  // namespace kestrion
