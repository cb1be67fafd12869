#include "shell/command_line.h"

#include "shell/unattended.h"

namespace kestrion {

namespace {

constexpr std::size_t kArgumentItems = 8;  // the program path and seven arguments
constexpr std::size_t kWithServiceItems = 9;
constexpr const char* kEmptyReportVersion = "-1.0";

}  // namespace

LaunchArguments launch_arguments_from_items(const std::vector<std::string>& items) {
  LaunchArguments a;
  a.item_count = static_cast<int>(items.size());
  if (items.size() >= kArgumentItems) {
    a.arg_upgradeurl = items[1];
    a.arg_upgradefileurl = items[2];
    a.arg_upgradeversion = items[3];
    a.arg_upgradepath = items[4];
    a.arg_upgradeoldversion = items[5];
    a.arg_isdownfile = items[6];
    a.arg_upoldreportversion = items[7] == kEmptyReportVersion ? "" : items[7];
    if (items.size() == kWithServiceItems) a.arg_requestservice = items[8];
  }
  return a;
}

LaunchArguments launch_arguments_from_command_line(const std::string& command_line,
                                                   const std::vector<std::string>& items) {
  if (unattended_switches(command_line)) return {};
  return launch_arguments_from_items(items);
}

std::vector<std::string> launch_argument_log_lines(const LaunchArguments& a) {
  if (a.item_count <= 1) return {};
  const std::string label = "升级启动程序入参：";
  const std::string arrow = " >>>> ：";
  return {
      label + "arg_upgradeurl" + arrow + a.arg_upgradeurl,
      label + "arg_upgradefileurl" + arrow + a.arg_upgradefileurl,
      label + "arg_upgradeversion" + arrow + a.arg_upgradeversion,
      label + "arg_upgradepath" + arrow + a.arg_upgradepath,
      label + "arg_upgradeoldversion" + arrow + a.arg_upgradeoldversion,
      label + "arg_isdownfile" + arrow + a.arg_isdownfile,
      label + "arg_upoldreportversion" + arrow + a.arg_upoldreportversion,
      label + "arg_requestservice" + arrow + a.arg_requestservice,
  };
}

RunMode run_mode(const LaunchArguments& a) {
  const bool upgrade = !a.arg_upgradeurl.empty() && !a.arg_upgradefileurl.empty() &&
                       !a.arg_upgradeversion.empty() && !a.arg_upgradepath.empty() &&
                       !a.arg_upgradeoldversion.empty();
  if (!upgrade) return RunMode::install;
  return a.arg_isdownfile == "N" ? RunMode::upgrade_finish : RunMode::upgrade_download;
}

}  // namespace kestrion
