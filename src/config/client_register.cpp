#include "config/client_register.h"

#include <windows.h>
#include <shlobj.h>

#include "config/client_entries.h"
#include "config/register_file.h"
#include "state/path_limit.h"
#include "win/app.h"
#include "win/folders.h"

namespace kestrion {

namespace {

constexpr const char* kFolderName = "\\Tillwright";

// The readable entries of the register at `path`; `status` tells how far it could be read.
ClientEntries read_entries(const std::string& path, RegisterStatus& status) {
  Json::Value root;
  status = read_register(path, root);
  if (status == RegisterStatus::parsed) return read_client_entries(root);
  return {};
}

}  // namespace

std::string client_config_folder(RunState& state) {
  state.pump_one();
  char appdata[MAX_PATH] = {};
  if (!SHGetSpecialFolderPathA(nullptr, appdata, CSIDL_APPDATA, FALSE) || !appdata[0]) return {};
  const std::string folder = appdata + std::string(kFolderName);
  if (!path_allowed(state, folder + "\\" + kClientRegisterName)) return {};
  win::make_folder(folder);
  return folder;
}

std::optional<std::string> lookup_client_entry(RunState& state,
                                               const std::string& service_address) {
  const std::string folder = client_config_folder(state);
  if (folder.empty()) return std::nullopt;
  RegisterStatus status;
  const ClientEntries entries = read_entries(folder + "\\" + kClientRegisterName, status);
  return find_client_folder(entries, service_address);
}

int check_client_entry(RunState& state, const std::string& folder,
                       const std::string& version_folder) {
  state.pump_one();
  const std::string address = state.text(ctl::service_address);
  const std::string path = folder + kClientRegisterName;
  if (!path_allowed(state, path)) return check::foreign;
  RegisterStatus status;
  const int result = check_client_entries(read_entries(path, status), address, version_folder);
  if (result == check::foreign)
    state.message_box(win::load_string(IDS_SETTING_FOLDER), {}, MB_OK);
  return result;
}

bool save_client_entry(RunState& state, const std::string& folder,
                       const std::string& version_folder) {
  state.pump_one();
  const std::string address = state.text(ctl::service_address);
  const std::string path = folder + kClientRegisterName;
  if (!path_allowed(state, path)) return false;
  RegisterStatus status;
  const ClientEntries entries = read_entries(path, status);
  return write_register(state, path, registered_document(entries, address, version_folder),
                        status, entries.complete);
}

}  // namespace kestrion
