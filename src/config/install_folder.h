// The install folder (edit 1005): its default, the folder browser, the install root a run works
// under, and the questions asked when the service already has an installation elsewhere.
#pragma once

#include <windows.h>

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

// The install root for the text of edit 1005 (see install_root_for), without a trailing
// backslash; a root with "\Tillwright" appended is created when missing (one level). "" when
// the root would pass the path limit (the status line then says so).
std::string resolve_install_root(RunState& state);

// The shell folder browser owned by `owner`, titled with string 1017; a chosen folder goes into
// edit 1005, which gets the focus. Cancel changes nothing.
void browse_install_folder(RunState& state, HWND owner);

// The Browse button: with an existing previous install folder (control 1007), asks string 1016
// first and browses only on Yes; otherwise browses at once. Edit 1005 gets the focus.
void on_browse(RunState& state, HWND owner);

// The first check of a run: when the previous install folder exists and its parent differs
// from edit 1005, shows string 1004 and the parent in the status line and asks string 1005 and
// the parent. No puts the parent into edit 1005, clears the run-in-progress flag and returns
// false (the run ends); otherwise true.
bool previous_install_prompt(RunState& state);

}  // namespace kestrion
