#include "shell/launch.h"

#include <shellapi.h>

#include "log/log.h"
#include "text/convert.h"
#include "win/handles.h"

namespace kestrion {

LaunchArguments parse_launch_arguments(const wchar_t* command_line) {
  std::vector<std::string> items;
  int count = 0;
  if (win::LocalPtr<LPWSTR> argv{CommandLineToArgvW(command_line, &count)}) {
    for (int i = 0; i < count; ++i) items.push_back(text::wide_to_ansi(argv.get()[i]));
  }
  const LaunchArguments args =
      launch_arguments_from_command_line(text::wide_to_ansi(command_line), items);
  for (const std::string& line : launch_argument_log_lines(args)) write_log(line);
  return args;
}

std::optional<Unattended> unattended_launch(const wchar_t* command_line) {
  return unattended_switches(text::wide_to_ansi(command_line));
}

}  // namespace kestrion
