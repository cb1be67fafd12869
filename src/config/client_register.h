// posclient.json, the per-user register of installed clients: one entry per service address,
// naming the version folder that holds its client. It lives in the Tillwright folder of the
// roaming application-data folder.
#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "config/client_entries.h"
#include "state/run_state.h"

namespace kestrion {

constexpr const char* kClientRegisterName = "posclient.json";

// The folder of posclient.json, without a trailing backslash, made when missing. Otherwise why
// not: Refusal::reported when the register's path would pass the path limit (the status line
// says so), Refusal::silent when the system names no application-data folder.
std::variant<std::string, Refusal> client_config_folder(RunState& state);

// The "foldername" of the first entry whose "serviceurl", exactly as stored, equals
// `service_address`. Nothing when there is none or the register cannot be read.
std::optional<std::string> lookup_client_entry(RunState& state,
                                               const std::string& service_address);

// The "foldername" of every readable entry, in order; none when the register cannot be read.
std::vector<std::string> registered_folders(RunState& state);

// Where `version_folder` stands in the register for the service address of
// ctl::service_address (normalised); a foreign folder after an OK box with IDS_SETTING_FOLDER. `folder` is the client configuration folder followed by a
// backslash.
Registration check_client_entry(RunState& state, const std::string& folder,
                       const std::string& version_folder);

// Registers `version_folder` for the service address of ctl::service_address (normalised):
// every entry of that address points to it afterwards, or a new entry is added last. Other
// entries keep their order and folders; what cannot be read of an existing file is kept in a side copy.
// False when the register was not rewritten (it is then as it was).
bool save_client_entry(RunState& state, const std::string& folder,
                       const std::string& version_folder);

}  // namespace kestrion
