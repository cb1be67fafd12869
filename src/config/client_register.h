// posclient.json, the per-user register of installed clients: one entry per service address,
// naming the version folder that holds its client. It lives in the Tillwright folder of the
// roaming application-data folder.
#pragma once

#include <optional>
#include <string>

#include "state/run_state.h"

namespace kestrion {

constexpr const char* kClientRegisterName = "posclient.json";

// The folder of posclient.json, without a trailing backslash, made when missing. "" when the
// system names no application-data folder or the register's path would pass the path limit
// (the status line then says so).
std::string client_config_folder(RunState& state);

// The "foldername" of the first entry whose "serviceurl", exactly as stored, equals
// `service_address`. Nothing when there is none or the register cannot be read.
std::optional<std::string> lookup_client_entry(RunState& state,
                                               const std::string& service_address);

// For the service address of control 1000 (normalised): 1 when `version_folder` is not
// registered, 0 when it is registered for this address, -1 when it is registered for another
// one (after an OK box with string 1007) or the register's path is refused. `folder` is the
// client configuration folder followed by a backslash.
int check_client_entry(RunState& state, const std::string& folder,
                       const std::string& version_folder);

// Registers `version_folder` for the service address of control 1000 (normalised): every entry
// of that address points to it afterwards, or a new entry is added last. Other entries keep
// their order and folders; what cannot be read of an existing file is kept in a side copy.
// False when the register was not rewritten (it is then as it was).
bool save_client_entry(RunState& state, const std::string& folder,
                       const std::string& version_folder);

}  // namespace kestrion
