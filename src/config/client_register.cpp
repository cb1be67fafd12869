#include "config/client_register.h"

#include <windows.h>
#include <shlobj.h>

#include "config/client_entries.h"
#include "config/install_root.h"
#include "config/register_file.h"
#include "win/path_limit.h"
#include "win/app.h"
#include "win/folders.h"

namespace kestrion {

namespace {

// The readable entries of the register at `path`; `status` tells how far it could be read.
ClientEntries read_entries(const std::string& path, RegisterStatus& status) {
  Json::Value root;
  status = read_register(path, root);
  if (status == RegisterStatus::parsed) return read_client_entries(root);
  return {};
}

// posclient.json in `folder` (which ends with a backslash), after one pending message; nothing
// when its path passes the limit (the status line then says so).
std::optional<std::string> register_path(RunState& state, const std::string& folder) {
  state.pump_one();
  const std::string path = folder + kClientRegisterName;
  if (!path_allowed(state, path)) return std::nullopt;
  return path;
}

}  // namespace

std::variant<std::string, Refusal> client_config_folder(RunState& state) {
  state.pump_one();
  char appdata[MAX_PATH] = {};
  if (!SHGetSpecialFolderPathA(nullptr, appdata, CSIDL_APPDATA, FALSE) || !appdata[0])
    return Refusal::silent;
  const std::string folder = appdata + ("\\" + std::string(kRootFolderName));
  if (!path_allowed(state, folder + "\\" + kClientRegisterName)) return Refusal::reported;
  win::make_folder(folder);
  return folder;
}

std::optional<std::string> lookup_client_entry(RunState& state,
                                               const std::string& service_address) {
  const auto folder = client_config_folder(state);
  const std::string* path = std::get_if<std::string>(&folder);
  if (!path) return std::nullopt;
  RegisterStatus status;
  const ClientEntries entries = read_entries(*path + "\\" + kClientRegisterName, status);
  return find_client_folder(entries, service_address);
}

std::vector<std::string> registered_folders(RunState& state) {
  const auto folder = client_config_folder(state);
  const std::string* path = std::get_if<std::string>(&folder);
  if (!path) return {};
  RegisterStatus status;
  std::vector<std::string> folders;
  for (const ClientEntry& e : read_entries(*path + "\\" + kClientRegisterName, status).entries)
    if (!e.foldername.empty()) folders.push_back(e.foldername);
  return folders;
}

Registration check_client_entry(RunState& state, const std::string& folder,
                                const std::string& version_folder) {
  const std::optional<std::string> path = register_path(state, folder);
  if (!path) return Registration::foreign;
  RegisterStatus status;
  const Registration where = check_client_entries(read_entries(*path, status),
                                                   state.text(ctl::service_address), version_folder);
  if (where == Registration::foreign) state.message_box(win::load_string(IDS_SETTING_FOLDER));
  return where;
}

bool save_client_entry(RunState& state, const std::string& folder,
                       const std::string& version_folder) {
  const std::optional<std::string> path = register_path(state, folder);
  if (!path) return false;
  const std::string address = state.text(ctl::service_address);
  RegisterStatus status;
  const ClientEntries entries = read_entries(*path, status);
  return write_register(state, *path, registered_document(entries, address, version_folder),
                        status, entries.complete);
}

}  // namespace kestrion
