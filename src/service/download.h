// The package download: the package address fetched over WinINet into a file of the target
// folder, streamed to disk block by block, with the progress bar following the bytes.
#pragma once

#include <string>

#include "state/run_state.h"

namespace kestrion {

// Fetches `address` into target_folder + "\" + file_name (the folder is made when missing, one
// level; the file is created or emptied and written unshared). Logs, in this order,
// "打开下载地址开始下载 ", the four size lines, "文件大小55555》》》 " with the file's path and
// "下载文件新名称》》》 " with the file-name part of the address (only logged: the file keeps
// `file_name`). The network waits happen on a worker thread while the window keeps answering
// (see win/blocking.h); the bar follows the bytes on disk.
//
// Returns true when the whole body was written. Returns false after an internet failure, a reply
// status other than 200, or a body shorter than the announced length: the failure text goes to
// the status line, a message box and the log line "下载安装包文件失败》》》 "; what this download
// made is removed (the package file, then the target folder when that leaves it empty, nothing
// else in it); the four input controls are enabled.
//
// Throws win::FileError when the package file cannot be created or written (after removing what
// it made, as above), and win::InternetError when no internet session can be opened.
bool download_package(RunState& state, const std::string& address,
                      const std::string& target_folder, const std::string& file_name);

}  // namespace kestrion
