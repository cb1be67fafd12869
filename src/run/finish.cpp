#include "run/finish.h"

#include "config/install_config.h"
#include "config/install_folder.h"
#include "desktop/shortcut.h"
#include "install/layout.h"
#include "install/layout_ops.h"
#include "run/place.h"
#include "service/queries.h"

namespace kestrion {

void finish_without_download(RunState& state) {
  // A root past the path limit is on the status line; the finish goes on regardless and what it
  // writes then fails on its own.
  const std::string root = resolve_install_root(state).value_or("");
  make_layout_folder(state, root);
  const std::string version = state.text(ctl::upgrade_version);
  state.set_text(ctl::package_version, version);
  const InstallPlace place = install_place(
      root,
      host_folder_name(state.text(ctl::service_address), state.text(ctl::path_prefix),
                       HostWithoutSlash::keep),
      version);
  const std::string shortcut_name = shortcut_name_for(query_client_name(state), place.host);
  save_install_config(state, place.version_folder, place.host_folder + "\\");
  create_desktop_shortcut(state, shortcut_name, app_folder_path(place.version_folder),
                          kClientExeName);
  launch_client(state, place.version_folder);
}

}  // namespace kestrion
