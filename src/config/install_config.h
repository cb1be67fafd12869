// posconfig.json, the configuration file of one installation, in its version folder.
#pragma once

#include <string>

#include "state/run_state.h"

namespace kestrion {

constexpr const char* kInstallConfigName = "posconfig.json";

// Writes posconfig.json for `version_folder` with its seven members from ctl::service_center,
// ctl::old_report_version, ctl::service_address (normalised), ctl::package_version and one
// reading of the clock; "createtime" comes from an existing file
// ("" when it has none), or is the time of this call for a new or unreadable one (which is then
// kept in a side copy). The file goes into `folder`: the version folder itself, or the stage
// that becomes it. False when the file was not written.
bool save_install_config(RunState& state, const std::string& version_folder,
                         const std::string& folder);

}  // namespace kestrion
