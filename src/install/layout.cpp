#include "install/layout.h"

#include "service/address.h"
#include "text/codepage.h"

namespace kestrion {

std::string host_folder_name(const std::string& service_address, const std::string& path_prefix,
                             HostWithoutSlash rest) {
  std::string host = after_scheme(service_address);
  const int cut = text::find_char(host, '/');
  if (cut >= 0)
    host.erase(static_cast<size_t>(cut));
  else if (rest == HostWithoutSlash::empty)
    host.clear();
  host = text::replace_char(text::replace_char(host, '.', '0'), ':', '0');
  if (!path_prefix.empty()) host += "0" + path_prefix;
  return host;
}

std::string version_text(const std::string& upgrade_file_url, const std::string& upgrade_version,
                         const std::string& package_version, const text::LocalTime& now) {
  if (!upgrade_file_url.empty() && !upgrade_version.empty()) return upgrade_version;
  if (!package_version.empty()) return package_version;
  return local_time_name(now);
}

std::string version_folder_name(const std::string& version_text) {
  return text::replace_char(version_text, '.', '_');
}

std::string local_time_name(const text::LocalTime& t) {
  return text::format_local_time(t, "%4d%02d%02d%02d%02d%02d");
}

std::string full_package_flag(bool upgrade_mode, const std::string& query_flag) {
  return upgrade_mode ? "false" : query_flag;
}

bool is_full_package(const std::string& flag) { return flag != "false"; }

std::string version_folder_path(const std::string& install_root, const std::string& host_name,
                                const std::string& version_name) {
  return install_root + "\\" + host_name + "\\" + version_name;
}

std::string app_folder_path(const std::string& version_folder) {
  return version_folder + "\\" + kAppFolderName;
}

std::string client_exe_path(const std::string& version_folder) {
  return app_folder_path(version_folder) + "\\" + kClientExeName;
}

std::string success_marker_path(const std::string& version_folder) {
  return app_folder_path(version_folder) + "\\" + kSuccessMarkerName;
}

std::string package_file_path(const std::string& version_folder) {
  return version_folder + "\\" + kPackageFileName;
}

}  // namespace kestrion
