#include "install/run_sequence.h"

#include <windows.h>

#include "config/client_register.h"
#include "config/install_config.h"
#include "config/install_folder.h"
#include "config/log.h"
#include "desktop/shortcut.h"
#include "install/archive.h"
#include "install/layout.h"
#include "install/layout_ops.h"
#include "install/tree.h"
#include "service/download.h"
#include "service/queries.h"
#include "text/codepage.h"
#include "text/local_time.h"
#include "win/app.h"
#include "win/errors.h"

namespace kestrion {

namespace {

constexpr char kShortcutLog[] = "桌面快捷方式 >>>> ：";
constexpr char kPackageLog[] = "安装包下载地址 >>>> ：";
constexpr int kPackageQueryRetries = 5;  // after the first query
constexpr std::size_t kErrorTextBytes = 254;  // the longest error text a status line gets

class Run {
 public:
  explicit Run(RunState& state) : s_(state) {}
  RunOutcome go();

 private:
  // Ends the run as failed: the text (when given) in the status line, the inputs enabled.
  RunOutcome fail(const std::string& text = {}) {
    if (!text.empty()) s_.set_text(ctl::status, text);
    enable_inputs(s_);
    s_.set_running(false);
    return RunOutcome::failed;
  }
  RunOutcome fail(UINT string_id) { return fail(win::load_string(string_id)); }
  void status(UINT string_id) { s_.set_text(ctl::status, win::load_string(string_id)); }
  // A step that reports its own refusal in the status line gave an empty result.
  bool status_changed_since(const std::string& before) const {
    return s_.text(ctl::status) != before;
  }
  std::string package_address();

  RunState& s_;
};

std::string Run::package_address() {
  status(IDS_GETTING_PACKAGE);
  std::string address = query_package(s_);
  write_log(kPackageLog + address);
  status(IDS_GETTING_PACKAGE_DONE);
  for (int i = 0; i < kPackageQueryRetries && address.empty(); ++i) {
    address = query_package(s_);
    if (!address.empty()) write_log(kPackageLog + address);
  }
  return address;
}

RunOutcome Run::go() {
  s_.set_running(true);
  if (s_.text(ctl::service_address).empty()) {
    s_.message_box(win::load_string(IDS_ENTER_ADDRESS), {}, MB_OK | MB_ICONEXCLAMATION);
    s_.set_running(false);
    return RunOutcome::stopped;
  }
  if (!previous_install_prompt(s_)) return RunOutcome::stopped;

  for (int id : {ctl::run, ctl::browse, ctl::service_address, ctl::install_folder})
    s_.enable(id, false);
  status(IDS_SETTING_FOLDER);
  const std::string setting_text = s_.text(ctl::status);

  const std::string config_folder = client_config_folder(s_);
  if (config_folder.empty())
    return status_changed_since(setting_text) ? fail() : fail(IDS_REGISTER_FAILED);
  const std::string root = resolve_install_root(s_);
  if (root.empty() || !make_layout_folder(s_, root)) return fail();

  const std::string host =
      host_folder_name(s_.text(ctl::service_address), s_.text(ctl::path_prefix));

  status(IDS_GETTING_NAME);
  const std::string client_name = query_client_name(s_);
  write_log(kShortcutLog + client_name);
  const std::string shortcut_name = client_name.empty() ? host : client_name;
  status(IDS_GETTING_NAME_DONE);

  const std::string upgrade_url = s_.text(ctl::upgrade_file_url);
  const std::string upgrade_version = s_.text(ctl::upgrade_version);
  const bool upgrade = !upgrade_url.empty() && !upgrade_version.empty();
  std::string address;
  if (upgrade) {
    s_.set_text(ctl::package_version, upgrade_version);
    address = upgrade_url;
  } else {
    address = package_address();
    if (address.empty()) {
      s_.message_box(win::load_string(IDS_NO_PACKAGE), {}, MB_OK);
      return fail();  // the status line stays as the queries left it
    }
  }
  const std::string version = version_text(upgrade_url, upgrade_version,
                                           s_.text(ctl::package_version),
                                           text::local_time_now());
  const std::string full_flag = full_package_flag(upgrade, s_.text(ctl::full_package));

  const std::string host_folder = root + "\\" + host;
  const std::string version_folder =
      version_folder_path(root, host, version_folder_name(version));
  if (!make_layout_folder(s_, host_folder) || !make_layout_folder(s_, version_folder))
    return fail();

  status(IDS_DOWNLOADING);
  s_.set_progress_pos(0);
  status(IDS_DOWNLOADING_WAIT);
  if (!download_package(s_, address, version_folder, kPackageFileName))
    return fail(win::load_string(IDS_DOWNLOAD) + kPackageFileName +
                win::load_string(IDS_FILE_FAILED));

  status(IDS_INSTALLING);
  s_.set_progress_range(0, 100);
  s_.set_progress_step(1);
  s_.set_progress_pos(0);
  s_.step_progress();
  pump_messages(s_, 10, 10);

  const int registered = check_client_entry(s_, config_folder + "\\", version_folder);
  if (registered == -1) return fail(IDS_REGISTER_FAILED);
  pump_messages(s_, 10, 20);

  if (!is_full_package(full_flag) &&
      !myCopyFileOrDeleteFile(s_, version_folder, s_.text(ctl::previous_folder),
                              kPackageFileName))
    return fail(IDS_COPY_FAILED);

  const std::string package = package_file_path(version_folder);
  const bool unpacked = extract_package(s_, package);
  pump_messages(s_, 10, 10);
  if (!unpacked) return fail(IDS_EXTRACT_FAILED);

  if (registered != 0) {
    // The register is how the client and later runs find this installation: an install it
    // does not record is not a finished one.
    if (!save_client_entry(s_, config_folder + "\\", version_folder))
      return fail(IDS_REGISTER_FAILED);
    pump_messages(s_, 10, 10);
  }
  save_install_config(s_, version_folder, host_folder + "\\");
  if (registered != 0) pump_messages(s_, 10, 10);

  make_layout_folder(s_, success_marker_path(version_folder));
  pump_messages(s_, 10, 10);

  if (create_desktop_shortcut(s_, shortcut_name, app_folder_path(version_folder),
                              kClientExeName) == 0)
    return fail(IDS_SHORTCUT_FAILED);
  pump_messages(s_, 100, 5);

  DeleteFileA(package.c_str());
  pump_messages(s_, 10, 0);
  for (int i = 0, n = 100 - s_.progress_pos(); i < n; ++i) pump_messages(s_, 10, 1);

  if (upgrade) {
    launch_client(s_, version_folder);
  } else {
    status(IDS_INSTALLED);
    s_.message_box(win::load_string(IDS_INSTALLED), {}, MB_OK);
  }
  s_.set_running(false);
  return RunOutcome::finished;
}

}  // namespace

RunOutcome run_sequence(RunState& state) {
  // A Run pressed while a run is in progress (a failed query enables the inputs mid-run)
  // must not start a second run inside the first.
  if (state.running()) return RunOutcome::refused;
  try {
    return Run(state).go();
  } catch (const win::SystemError& e) {
    enable_inputs(state);
    const std::string text = text::cut_to_bytes(e.text(), kErrorTextBytes);
    state.set_text(ctl::status, text);
    state.message_box(text, {}, MB_OK);
    state.set_running(false);
    return RunOutcome::failed;
  }
}

}  // namespace kestrion
