// The installation's folder layout: the names of the host and version folders, the paths
// inside a version folder, and the full-package flag.
//
//   install root \ host folder name \ version folder name      the version folder
//     TILLWRIGHT.zip   posconfig.json   app\TILLWRIGHT.exe   app\success
#pragma once

#include <string>

#include "text/local_time.h"

namespace kestrion {

constexpr const char* kPackageFileName = "TILLWRIGHT.zip";
constexpr const char* kAppFolderName = "app";
constexpr const char* kClientExeName = "TILLWRIGHT.exe";
constexpr const char* kSuccessMarkerName = "success";

// What becomes of a host-and-port text with no "/" after it: the run leaves the name empty,
// the finish of an upgrade without download keeps the whole text.
enum class HostWithoutSlash { empty, keep };

// From the service address: the text from two characters after its first "/" (from its
// second character when it has none), cut before its next "/", with "." and ":" made "0";
// then "0" and the service path prefix when there is one.
// http://10.1.2.3:8080/ -> 1001020308080; with prefix erp -> 10010203080800erp.
std::string host_folder_name(const std::string& service_address, const std::string& path_prefix,
                             HostWithoutSlash rest = HostWithoutSlash::empty);

// The version text of a run: the upgrade version in upgrade mode (upgrade package address and
// upgrade version both given), otherwise the package version, otherwise the local time name.
std::string version_text(const std::string& upgrade_file_url, const std::string& upgrade_version,
                         const std::string& package_version, const text::LocalTime& now);

// The version text with every "." made "_": 2.1.5 -> 2_1_5.
std::string version_folder_name(const std::string& version_text);

// The local time as a folder name: 20250105093005.
std::string local_time_name(const text::LocalTime& t);

// The run's full-package flag: "false" in upgrade mode, otherwise the package query's text.
std::string full_package_flag(bool upgrade_mode, const std::string& query_flag);
// Only the exact text "false" means a package that is laid over the previous installation.
bool is_full_package(const std::string& flag);

// Paths in the layout, none with a trailing backslash.
std::string version_folder_path(const std::string& install_root, const std::string& host_name,
                                const std::string& version_name);
std::string app_folder_path(const std::string& version_folder);
std::string client_exe_path(const std::string& version_folder);
std::string success_marker_path(const std::string& version_folder);
std::string package_file_path(const std::string& version_folder);

}  // namespace kestrion
