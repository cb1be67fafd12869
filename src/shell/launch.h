// Reading the launch arguments from the process's command line (Windows).
#pragma once

#include <windows.h>

#include "shell/command_line.h"

namespace kestrion {

// Splits the UTF-16 command line as the shell does (blanks separate, double quotes group),
// converts each item with the ANSI code page and applies launch_arguments_from_items. With at
// least one argument it writes the eight argument log lines, in order.
LaunchArguments parse_launch_arguments(const wchar_t* command_line = GetCommandLineW());

}  // namespace kestrion
