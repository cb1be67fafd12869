// The log: log\log.txt beside the program. Each entry is CR LF and the message's bytes (ANSI
// code page, unchanged; an LF inside a message is written as CR LF). No time stamps, no levels.
#pragma once

#include <string>

namespace kestrion {

// The folder of the running executable, ending with a backslash.
std::string exe_folder();

// Appends one entry. Never fails visibly: when the file stays held by another process for about
// 100 ms, or cannot be opened or written at all, the line is dropped.
void write_log(std::string message);

}  // namespace kestrion
