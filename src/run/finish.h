// The finish of an upgrade without a download: the installed client's own version folder is
// recorded again and started; nothing is downloaded, copied or unpacked.
#pragma once

#include "state/run_state.h"

namespace kestrion {

// Works on the values the dialog holds in upgrade mode: the install root of
// ctl::install_folder, the host folder name of ctl::service_address (a host and port without a
// "/" after them kept whole) and ctl::path_prefix, the version of ctl::upgrade_version (also put
// into ctl::package_version). Asks the service for the shortcut name (the host folder name
// without one), writes posconfig.json, makes the desktop shortcut and starts the client. Reports
// nothing of its own; the caller ends the process.
void finish_without_download(RunState& state);

}  // namespace kestrion
