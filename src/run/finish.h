// The finish of an upgrade without a download: the installed client's own version folder is
// recorded again and started; nothing is downloaded, copied or unpacked.
#pragma once

#include "state/run_state.h"

namespace kestrion {

// Works on the values the dialog holds in upgrade mode: the install root of
// ctl::install_folder, the host folder name of ctl::service_address (a host and port without a
// "/" after them kept whole) and ctl::path_prefix, the version of ctl::upgrade_version (also put
// into ctl::package_version). The version folder must hold a finished installation (the client
// and its success marker); otherwise nothing is written, the status line and the log say so
// and the result is false. Then asks the service for the shortcut name (the host folder name
// without one), writes posconfig.json, makes the desktop shortcut and starts the client; true.
bool finish_without_download(RunState& state);

// The installer's start-up: every version folder that posclient.json names gets an interrupted
// swap finished or undone (see install/stage.h).
void recover_registered_installations(RunState& state);

}  // namespace kestrion
