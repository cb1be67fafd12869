// The install folder (ctl::install_folder): its default and the install root a run works under.
#pragma once

#include <optional>
#include <string>

#include "state/run_state.h"

namespace kestrion {

// "%ProgramFiles%" expanded in the process environment (the 32-bit programs' folder in a
// 32-bit process on 64-bit Windows); the text unchanged when the variable is not defined.
std::string program_files_folder();

// True when drive letter D exists, whatever kind of drive it is.
bool drive_d_present();

// The folder proposed when posclient.json names none: "D:\" with a drive D, otherwise
// program_files_folder().
std::string default_install_base();

// The install root for the text of ctl::install_folder (see install_root_for), without a trailing
// backslash; a root with "\Tillwright" appended is created when missing (one level). Nothing
// when the root would pass the path limit (the status line then says so).
std::optional<std::string> resolve_install_root(RunState& state);

}  // namespace kestrion
