#include "config/install_config.h"

#include "config/client_entries.h"
#include "config/install_settings.h"
#include "config/register_file.h"
#include "win/path_limit.h"

namespace kestrion {

bool save_install_config(RunState& state, const std::string& version_folder,
                         const std::string& folder) {
  state.pump_one();
  InstallSettings s;
  s.reportversion = state.text(ctl::old_report_version);
  s.version = state.text(ctl::package_version);
  s.serviceurl = normalized_service_url(state.text(ctl::service_address));
  s.request_service = state.text(ctl::service_center);
  s.foldername = version_folder;
  const std::string now = settings_time_text(text::local_time_now());
  s.edittime = now;
  s.createtime = now;

  const std::string path = folder + "\\" + kInstallConfigName;
  if (!path_allowed(state, path)) return false;
  Json::Value existing;
  const RegisterStatus status = read_register(path, existing);
  bool complete = true;
  if (status == RegisterStatus::parsed) {
    if (auto kept = kept_create_time(existing, complete)) s.createtime = *kept;
  }
  return write_register(state, path, settings_document(s), status, complete);
}

}  // namespace kestrion
