#include "run/run_sequence.h"

#include <windows.h>

#include <optional>
#include <string>

#include "config/client_register.h"
#include "config/install_config.h"
#include "config/install_folder.h"
#include "desktop/shortcut.h"
#include "install/archive.h"
#include "install/layout.h"
#include "install/layout_ops.h"
#include "install/stage.h"
#include "install/tree.h"
#include "log/log.h"
#include "run/place.h"
#include "run/previous_install.h"
#include "run/progress.h"
#include "service/download.h"
#include "service/queries.h"
#include "text/codepage.h"
#include "text/local_time.h"
#include "win/app.h"
#include "win/blocking.h"
#include "win/errors.h"
#include "win/folders.h"

namespace kestrion {

namespace {

constexpr char kShortcutLog[] = "桌面快捷方式 >>>> ：";
constexpr char kPackageLog[] = "安装包下载地址 >>>> ：";
constexpr char kNoClientLog[] = "安装包中没有客户端程序 >>>> ：";
constexpr char kNoPreviousLog[] = "非全包升级没有可复制的之前安装目录 >>>> ：";
constexpr char kFailedLog[] = "安装失败 >>>> ：";
constexpr int kPackageQueryRetries = 5;  // after the first query

// One run. Each step returns whether the run goes on; a step that ends it has already said why
// (status line, box) and set the outcome.
class Run {
 public:
  explicit Run(RunState& state) : s_(state) {}

  RunOutcome go() {
    using S = RunStep;
    static constexpr struct {
      RunStep name;
      Step run;
    } kSteps[] = {
        {S::check_inputs, &Run::check_inputs},   {S::prepare_folders, &Run::prepare_folders},
        {S::name_shortcut, &Run::name_shortcut}, {S::find_package, &Run::find_package},
        {S::download, &Run::download},           {S::lay_out_files, &Run::lay_out_files},
        {S::register_install, &Run::register_install}, {S::finish, &Run::finish},
    };
    s_.set_running(true);
    for (const auto& step : kSteps) {
      step_ = step.name;
      if (!(this->*step.run)()) return outcome_;
    }
    return RunOutcome::finished;
  }
  RunStep step() const { return step_; }

 private:
  using Step = bool (Run::*)();

  bool check_inputs();
  bool prepare_folders();
  bool name_shortcut();
  bool find_package();
  bool download();
  bool lay_out_files();
  bool register_install();
  bool finish();

  // Ends the run before any work.
  bool stop() {
    outcome_ = RunOutcome::stopped;
    return false;
  }
  // Ends the run as failed: the text (when given) in the status line, the inputs enabled.
  bool fail(const std::string& text = {}) {
    if (!text.empty()) s_.set_text(ctl::status, text);
    s_.set_running(false);
    enable_inputs(s_);
    outcome_ = RunOutcome::failed;
    return false;
  }
  bool fail(UINT string_id) { return fail(win::load_string(string_id)); }
  // The same, once a stage was made: the stage goes, the version folder stays as it was.
  template <typename Text>
  bool fail_staged(Text text) {
    remove_stage(s_, place_.version_folder);
    return fail(text);
  }
  bool fail_staged() { return fail_staged(std::string()); }
  void status(UINT string_id) { s_.set_text(ctl::status, win::load_string(string_id)); }
  std::optional<std::string> package_address();

  RunState& s_;
  RunOutcome outcome_ = RunOutcome::failed;
  RunStep step_ = RunStep::check_inputs;
  std::string config_folder_;  // posclient.json's folder
  std::string root_, host_;
  std::string shortcut_name_;
  std::string address_;        // the package address
  PackageProof proof_;         // the size and digest the service promised for it, if any
  bool upgrade_ = false;       // an upgrade names its package and version itself
  std::string full_flag_;
  InstallPlace place_;
  Registration registration_ = Registration::not_registered;
};

// A service address, and the answer to the previous-install question.
bool Run::check_inputs() {
  if (s_.text(ctl::service_address).empty()) {
    s_.message_box(win::load_string(IDS_ENTER_ADDRESS), {}, box::ok | box::icon_warning);
    s_.set_running(false);
    return stop();
  }
  return previous_install_prompt(s_) || stop();
}

// The inputs are disabled for the run; the register's folder and the install root are made.
bool Run::prepare_folders() {
  for (int id : ctl::inputs) s_.enable(id, false);
  status(IDS_SETTING_FOLDER);
  const auto folder = client_config_folder(s_);
  if (const Refusal* refusal = std::get_if<Refusal>(&folder))
    return *refusal == Refusal::reported ? fail() : fail(IDS_REGISTER_FAILED);
  config_folder_ = std::get<std::string>(folder);
  const std::optional<std::string> root = resolve_install_root(s_);
  if (!root || !make_layout_folder(s_, *root) || !install_root_writable(s_, *root)) return fail();
  root_ = *root;
  host_ = host_folder_name(s_.text(ctl::service_address), s_.text(ctl::path_prefix));
  return true;
}

// The shortcut is named after the client the service names, or after the host.
bool Run::name_shortcut() {
  status(IDS_GETTING_NAME);
  const std::string client_name = query_client_name(s_);
  write_log(kShortcutLog + client_name);
  shortcut_name_ = shortcut_name_for(client_name, host_);
  status(IDS_GETTING_NAME_DONE);
  return true;
}

// The package to install: the upgrade's own, or the one the service names.
bool Run::find_package() {
  const std::string upgrade_url = s_.text(ctl::upgrade_file_url);
  const std::string upgrade_version = s_.text(ctl::upgrade_version);
  upgrade_ = !upgrade_url.empty() && !upgrade_version.empty();
  if (upgrade_) {
    s_.set_text(ctl::package_version, upgrade_version);
    address_ = upgrade_url;
  } else if (std::optional<std::string> address = package_address()) {
    address_ = *address;
  } else {
    s_.message_box(win::load_string(IDS_NO_PACKAGE));
    return fail();  // the status line stays as the queries left it
  }
  const std::string version = version_text(upgrade_url, upgrade_version,
                                           s_.text(ctl::package_version), text::local_time_now());
  full_flag_ = full_package_flag(upgrade_, s_.text(ctl::full_package));
  place_ = install_place(root_, host_, version);
  // A swap that a kill interrupted is finished or undone before anything else touches the folder.
  recover_version_folder(s_, place_.version_folder);
  return true;
}

std::optional<std::string> Run::package_address() {
  status(IDS_GETTING_PACKAGE);
  std::optional<std::string> address = query_package(s_, &proof_);
  write_log(kPackageLog + address.value_or(""));
  status(IDS_GETTING_PACKAGE_DONE);
  for (int i = 0; i < kPackageQueryRetries && !address; ++i) {
    address = retry_package_query(s_, i + 2, kPackageQueryRetries + 1, &proof_);
    if (address) write_log(kPackageLog + *address);
  }
  return address;
}

// The package into the version folder.
bool Run::download() {
  if (!make_layout_folder(s_, place_.host_folder) ||
      !make_layout_folder(s_, place_.version_folder))
    return fail();
  status(IDS_DOWNLOADING);
  s_.set_progress_pos(0);
  status(IDS_DOWNLOADING_WAIT);
  const DownloadResult downloaded =
      download_package(s_, address_, place_.version_folder, kPackageFileName, proof_);
  // A package that is not the promised one keeps its reason on the status line.
  if (downloaded.refused) return fail();
  if (!downloaded)
    return fail(win::load_string(IDS_DOWNLOAD) + kPackageFileName +
                win::load_string(IDS_FILE_FAILED));
  return true;
}

// The new content of the version folder, built in the stage beside it: on a copy of the
// previous installation for a partial package, on the version folder's own installation for a
// reinstall, or from nothing; then the package unpacked over it, which must bring the client.
bool Run::lay_out_files() {
  status(IDS_INSTALLING);
  s_.set_progress_range(0, 100);
  s_.set_progress_step(1);
  s_.set_progress_pos(0);
  s_.step_progress();
  progress::reach(s_, progress::install_started);

  registration_ = check_client_entry(s_, config_folder_ + "\\", place_.version_folder);
  if (registration_ == Registration::foreign) return fail(IDS_REGISTER_FAILED);
  progress::reach(s_, progress::register_checked);

  const std::string& version = place_.version_folder;
  const std::string stage = stage_path(version);
  if (!make_stage(s_, version)) return fail();
  if (!is_full_package(full_flag_)) {
    // A partial package needs an installation to lay itself over.
    const std::string previous = s_.text(ctl::previous_folder);
    if (!win::is_folder(previous) || win::is_empty_folder(previous)) {
      write_log(kNoPreviousLog + previous);
      return fail_staged(IDS_COPY_FAILED);
    }
    if (!myCopyFileOrDeleteFile(s_, stage, previous, kPackageFileName))
      return fail_staged(IDS_COPY_FAILED);
  } else if (holds_client(version) &&
             !myCopyFileOrDeleteFile(s_, stage, version, kPackageFileName)) {
    return fail_staged(IDS_COPY_FAILED);
  }
  // The stage is complete only once its own marker is made.
  RemoveDirectoryA(success_marker_path(stage).c_str());

  const bool unpacked = extract_package(s_, package_file_path(version), stage);
  progress::reach(s_, progress::unpacked);
  if (!unpacked) return fail_staged(IDS_EXTRACT_FAILED);
  if (!holds_client(stage)) {
    write_log(kNoClientLog + std::string(kAppFolderName) + "\\" + kClientExeName);
    return fail_staged(IDS_EXTRACT_FAILED);
  }
  return true;
}

// The installation recorded: posconfig.json and the success marker in the stage, the stage
// swapped in, then posclient.json.
bool Run::register_install() {
  const std::string& version = place_.version_folder;
  const std::string stage = stage_path(version);
  const bool rewrite = registration_ == Registration::not_registered;
  if (!save_install_config(s_, version, stage)) return fail_staged(IDS_REGISTER_FAILED);
  if (rewrite) progress::reach(s_, progress::config_saved);
  const std::string marker = success_marker_path(stage);
  if (!make_layout_folder(s_, marker)) return fail_staged();
  if (!win::is_folder(marker)) {
    const std::string text = win::load_string(IDS_MARKER_FAILED) + success_marker_path(version);
    write_log(kFailedLog + text);
    return fail_staged(text);
  }
  progress::reach(s_, progress::marker_made);
  if (!swap_in_stage(s_, version)) return fail();

  if (rewrite) {
    // The register is how the client and later runs find this installation: an install it
    // does not record is not a finished one.
    if (!save_client_entry(s_, config_folder_ + "\\", version)) return fail(IDS_REGISTER_FAILED);
    progress::reach(s_, progress::client_registered);
  }
  return true;
}

// The shortcut, the package removed, the bar filled; the client started or the success shown.
bool Run::finish() {
  if (!create_desktop_shortcut(s_, shortcut_name_, app_folder_path(place_.version_folder),
                               kClientExeName))
    return fail(IDS_SHORTCUT_FAILED);
  progress::reach(s_, progress::shortcut_made);
  // Removing a large file can keep the file system busy for a while: the window is served
  // meanwhile.
  const std::string package = package_file_path(place_.version_folder);
  win::run_blocking(s_, [&] { DeleteFileA(package.c_str()); });
  progress::reach(s_, progress::package_removed);
  progress::fill(s_);

  if (upgrade_) {
    if (!launch_client(s_, place_.version_folder)) {
      write_log(kFailedLog + s_.text(ctl::status));
      return fail();
    }
  } else {
    status(IDS_INSTALLED);
    s_.message_box(win::load_string(IDS_INSTALLED));
  }
  s_.set_running(false);
  return true;
}

}  // namespace

RunOutcome run_sequence(RunState& state) { return run_sequence_end(state).outcome; }

RunEnd run_sequence_end(RunState& state) {
  // A Run pressed while a run is in progress (a failed query enables the inputs mid-run)
  // must not start a second run inside the first.
  if (state.running()) return {RunOutcome::refused, RunStep::check_inputs};
  Run run(state);
  std::string text;
  try {
    const RunOutcome outcome = run.go();
    return {outcome, run.step()};
  } catch (const win::SystemError& e) {
    text = e.text();
  } catch (const std::exception& e) {
    // Out of memory, or a library's own failure: said in words, never a silent end.
    text = win::load_string(IDS_UNEXPECTED) + e.what();
  }
  text = text::cut_to_bytes(text, kStatusTextBytes);
  state.set_running(false);
  enable_inputs(state);
  state.set_text(ctl::status, text);
  state.message_box(text);
  return {RunOutcome::failed, run.step()};
}

}  // namespace kestrion
