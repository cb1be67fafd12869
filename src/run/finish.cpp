#include "run/finish.h"

#include "config/client_register.h"
#include "config/install_config.h"
#include "config/install_folder.h"
#include "config/install_root.h"
#include "desktop/shortcut.h"
#include "install/layout.h"
#include "install/layout_ops.h"
#include "install/stage.h"
#include "log/log.h"
#include "run/place.h"
#include "service/queries.h"
#include "win/app.h"

namespace kestrion {

bool finish_without_download(RunState& state) {
  const std::string version = state.text(ctl::upgrade_version);
  state.set_text(ctl::package_version, version);
  const std::string host = host_folder_name(state.text(ctl::service_address),
                                            state.text(ctl::path_prefix), HostWithoutSlash::keep);
  // The installation must be there before anything records it or points at it.
  const InstallPlace expected =
      install_place(install_root_for(state.text(ctl::install_folder)).path, host, version);
  recover_version_folder(state, expected.version_folder);
  if (!holds_installation(expected.version_folder)) {
    const std::string text = win::load_string(IDS_FINISH_INCOMPLETE) + expected.version_folder;
    state.set_text(ctl::status, text);
    write_log("升级失败 >>>> ：" + text);
    return false;
  }

  // A root past the path limit is on the status line; the finish goes on regardless and what it
  // writes then fails on its own.
  const std::string root = resolve_install_root(state).value_or("");
  make_layout_folder(state, root);
  const InstallPlace place = install_place(root, host, version);
  const std::string shortcut_name = shortcut_name_for(query_client_name(state), place.host);
  save_install_config(state, place.version_folder, place.version_folder);
  create_desktop_shortcut(state, shortcut_name, app_folder_path(place.version_folder),
                          kClientExeName);
  launch_client(state, place.version_folder);
  return true;
}

void recover_registered_installations(RunState& state) {
  for (const std::string& folder : registered_folders(state))
    recover_version_folder(state, folder);
}

}  // namespace kestrion
