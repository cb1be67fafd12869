// The running program: its file, its name, its strings, its message boxes and its message queue.
#pragma once

#include <windows.h>

#include <string>

namespace kestrion::win {

// Full path of the running executable as the system reports it.
std::string module_path();

// The application name: the program file's base name without its extension
// ("setup(abc).exe" -> "setup(abc)"). The caption of every box without a caption of its own.
std::string app_name();

// String `id` of the string table; the system picks the language of the user interface.
std::string load_string(UINT id);

// A message box; an empty caption shows the application name.
int message_box(HWND owner, const std::string& text, const std::string& caption = {},
                UINT style = MB_OK);

// Takes at most one pending message of the thread (any window), translates and dispatches it.
void pump_one_message();

}  // namespace kestrion::win
