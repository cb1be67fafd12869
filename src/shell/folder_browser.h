// The Browse button: the shell's folder browser for the install folder.
#pragma once

#include <windows.h>

#include "state/run_state.h"

namespace kestrion {

// The shell folder browser owned by `owner`, titled with IDS_SELECT_PATH; a chosen folder goes into
// ctl::install_folder, which gets the focus. Cancel changes nothing.
void browse_install_folder(RunState& state, HWND owner);

// The Browse button: with an existing previous install folder (ctl::previous_folder), asks
// IDS_RESELECT_PROMPT first and browses only on Yes; otherwise browses at once. ctl::install_folder gets
// the focus.
void on_browse(RunState& state, HWND owner);

}  // namespace kestrion
