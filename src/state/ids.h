// Resource ids: the dialog template, its controls and the string table. The resource script
// includes this file too, so the ids are plain macros; C++ code uses the named constants below.
#pragma once

#define IDD_KESTRION 102
#define IDI_KESTRION 128

// Controls of dialog 102 (the run state lives in their texts).
#define IDC_SERVICE_ADDRESS 1000
#define IDC_PROGRESS 1001
#define IDC_RUN 1002
#define IDC_SERVER_TEXT 1003
#define IDC_INSTALL_FOLDER 1005
#define IDC_BROWSE 1006
#define IDC_PREVIOUS_FOLDER 1007
#define IDC_FOLDER_LABEL 1008
#define IDC_PROGRESS_LABEL 1009
#define IDC_SERVICE_LABEL 1010
#define IDC_STATUS 1011
#define IDC_PACKAGE_VERSION 1012
#define IDC_UPGRADE_FILE_URL 1013
#define IDC_UPGRADE_VERSION 1014
#define IDC_OLD_VERSION 1015
#define IDC_DOWNLOAD_FLAG 1016
#define IDC_OLD_REPORT_VERSION 1017
#define IDC_FULL_PACKAGE 1018
#define IDC_SERVICE_CENTER 1019
#define IDC_PATH_PREFIX 1020

// String table.
#define IDS_TITLE_INSTALL 102
#define IDS_TITLE_UPGRADE 103
#define IDS_SHORTCUT_FAILED 104
#define IDS_GETTING_NAME 105
#define IDS_GETTING_NAME_DONE 106
#define IDS_GETTING_PACKAGE 107
#define IDS_GETTING_PACKAGE_DONE 108
#define IDS_NO_PACKAGE 109
#define IDS_REGISTER_FAILED 110
#define IDS_COPY_FAILED 111
#define IDS_EXTRACT_FAILED 112
#define IDS_DOWNLOAD 113
#define IDS_FILE_FAILED 114
#define IDS_CANNOT_EXIT 115
#define IDS_RUN 1002
#define IDS_ENTER_ADDRESS 1003
#define IDS_PREVIOUS_FOLDER 1004
#define IDS_NEW_FOLDER_PROMPT 1005
#define IDS_BROWSE 1006
#define IDS_SETTING_FOLDER 1007
#define IDS_FOLDER_LABEL 1008
#define IDS_PROGRESS_LABEL 1009
#define IDS_SERVICE_LABEL 1010
#define IDS_STATUS_FIRST 1011
#define IDS_DOWNLOADING 1012
#define IDS_DOWNLOADING_WAIT 1013
#define IDS_INSTALLING 1014
#define IDS_INSTALLED 1015
#define IDS_RESELECT_PROMPT 1016
#define IDS_SELECT_PATH 1017
// Texts of our own, beyond the original table.
#define IDS_PATH_TOO_LONG 200
#define IDS_BAD_SHORTCUT_NAME 201
#define IDS_HTTP_STATUS 202
#define IDS_HTTP_STATUS_END 203
#define IDS_DOWNLOAD_INCOMPLETE 204
#define IDS_BYTES_EXPECTED 205
#define IDS_BYTES 206
#define IDS_NOT_A_ZIP 210
#define IDS_ZIP_BAD_ARCHIVE 211
#define IDS_ZIP_CANNOT_CREATE 212
#define IDS_ZIP_WRITE 213
#define IDS_ZIP_INFLATE 214
#define IDS_ZIP_CRC 215
#define IDS_ZIP_TOO_LONG 216
#define IDS_ZIP_DEVICE 217
#define IDS_ZIP_ENCRYPTED 218
#define IDS_SWAP_FAILED 220
#define IDS_STAGE_FAILED 221
#define IDS_MARKER_FAILED 222
#define IDS_CLIENT_NOT_STARTED 223
#define IDS_FINISH_INCOMPLETE 224
#define IDS_UNEXPECTED 225
#define IDS_FOLDER_NOT_WRITABLE 230
// The package checked against the service's promise, and the retries of the download and the
// package query.
#define IDS_CHECK_FAILED 240
#define IDS_CHECK_SIZE 241
#define IDS_CHECK_SIZE_PROMISED 242
#define IDS_CHECK_DIGEST 243
#define IDS_CHECK_INVALID 244
#define IDS_DOWNLOAD_RETRY 245
#define IDS_TRY_OF 246
#define IDS_TRY_END 247
#define IDS_QUERY_TRY 248

#ifndef RC_INVOKED
namespace kestrion::ctl {
// The run state, by control id.
constexpr int service_address = IDC_SERVICE_ADDRESS;      // base URL of the service
constexpr int progress = IDC_PROGRESS;                    // progress bar
constexpr int run = IDC_RUN;                              // Run button
constexpr int server_text = IDC_SERVER_TEXT;              // decoded server text
constexpr int install_folder = IDC_INSTALL_FOLDER;        // chosen install folder
constexpr int browse = IDC_BROWSE;                        // Browse button
constexpr int previous_folder = IDC_PREVIOUS_FOLDER;      // earlier install of the service
constexpr int status = IDC_STATUS;                        // status line
constexpr int package_version = IDC_PACKAGE_VERSION;      // version being installed
constexpr int upgrade_file_url = IDC_UPGRADE_FILE_URL;    // package address (upgrade)
constexpr int upgrade_version = IDC_UPGRADE_VERSION;      // version (upgrade)
constexpr int old_version = IDC_OLD_VERSION;              // installed client's version
constexpr int download_flag = IDC_DOWNLOAD_FLAG;          // "N": nothing to download
constexpr int old_report_version = IDC_OLD_REPORT_VERSION;
constexpr int full_package = IDC_FULL_PACKAGE;            // is_full of the package query
constexpr int service_center = IDC_SERVICE_CENTER;        // "SERVICE_CENTER" or empty
constexpr int path_prefix = IDC_PATH_PREFIX;              // segment before every endpoint path

// The inputs a run disables and a failed run enables again, in that order.
constexpr int inputs[] = {run, browse, service_address, install_folder};
}  // namespace kestrion::ctl
#endif
