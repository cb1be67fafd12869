#include "install/stage.h"

#include <windows.h>

#include "install/layout.h"
#include "install/tree.h"
#include "log/log.h"
#include "win/app.h"
#include "win/errors.h"
#include "win/folders.h"
#include "win/path_limit.h"

namespace kestrion {

namespace {

constexpr char kSwapLog[] = "替换版本目录失败 >>>> ：";

bool is_file(const std::string& path) {
  const DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool rename_folder(const std::string& from, const std::string& to) {
  return MoveFileExA(from.c_str(), to.c_str(), 0) != FALSE;
}

bool refuse_swap(RunState& state, const std::string& version_folder, DWORD error) {
  const std::string text =
      win::load_string(IDS_SWAP_FAILED) + version_folder + " ：" + win::system_text(error);
  state.set_text(ctl::status, text);
  write_log(kSwapLog + text);
  return false;
}

}  // namespace

std::string stage_path(const std::string& version_folder) { return version_folder + ".new"; }
std::string aside_path(const std::string& version_folder) { return version_folder + ".old"; }

bool holds_client(const std::string& folder) { return is_file(client_exe_path(folder)); }

bool holds_installation(const std::string& folder) {
  return holds_client(folder) && win::is_folder(success_marker_path(folder));
}

void recover_version_folder(RunState& state, const std::string& version_folder) {
  const std::string stage = stage_path(version_folder), aside = aside_path(version_folder);
  const bool has_stage = win::is_folder(stage), has_aside = win::is_folder(aside);
  if (!has_stage && !has_aside) return;
  if (!win::path_exists(version_folder)) {
    // Between the two renames: the complete stage goes in, else the old content comes back.
    if (has_stage && holds_installation(stage) && rename_folder(stage, version_folder)) {
      write_log("完成中断的版本目录替换 >>>> ：" + version_folder);
    } else if (has_aside && rename_folder(aside, version_folder)) {
      write_log("恢复中断替换前的版本目录 >>>> ：" + version_folder);
    }
  }
  if (win::path_exists(version_folder)) {
    if (win::is_folder(stage)) remove_folder(state, stage);
    if (win::is_folder(aside)) remove_folder(state, aside);
  }
}

bool make_stage(RunState& state, const std::string& version_folder) {
  const std::string stage = stage_path(version_folder);
  if (!path_allowed(state, stage)) return false;
  remove_folder(state, stage);
  if (win::make_folder(stage)) return true;
  const DWORD error = GetLastError();
  state.set_text(ctl::status, win::load_string(IDS_STAGE_FAILED) + stage + " ：" +
                                  win::system_text(error));
  return false;
}

void remove_stage(RunState& state, const std::string& version_folder) {
  remove_folder(state, stage_path(version_folder));
}

bool swap_in_stage(RunState& state, const std::string& version_folder) {
  const std::string stage = stage_path(version_folder), aside = aside_path(version_folder);
  state.pump_one();
  const bool had_folder = win::path_exists(version_folder);
  if (had_folder && !rename_folder(version_folder, aside)) {
    const DWORD error = GetLastError();
    remove_stage(state, version_folder);
    return refuse_swap(state, version_folder, error);
  }
  if (!rename_folder(stage, version_folder)) {
    const DWORD error = GetLastError();
    if (had_folder) rename_folder(aside, version_folder);
    remove_stage(state, version_folder);
    return refuse_swap(state, version_folder, error);
  }
  if (had_folder) remove_folder(state, aside);  // a leftover is removed at the next start
  return true;
}

}  // namespace kestrion
