// The package download: the package address fetched over WinINet into a file of the target
// folder, streamed to disk block by block, with the progress bar following the bytes; checked
// against the size and SHA-256 the service promised, and resumed after a drop.
#pragma once

#include <windows.h>

#include <string>

#include "service/package_proof.h"
#include "state/run_state.h"

namespace kestrion {

// How hard the download tries. A drop is a body that ends before its length, a read that fails,
// or no data for stall_ms; after a drop it tries again, at most `retries` more times, pausing
// first_pause_ms before the first of them and twice as long before each next one.
struct DownloadPolicy {
  int retries = 5;
  DWORD first_pause_ms = 1000;  // 1, 2, 4, 8, 16 s
  DWORD stall_ms = 30000;
};

// What became of a download. It converts to true only for a complete package.
struct DownloadResult {
  bool complete = false;
  // The body arrived but is not the package the service promised (size or digest), or the
  // promise itself is not valid: the failure text on the status line says which.
  bool refused = false;
  explicit operator bool() const { return complete; }
};

// Fetches `address` into target_folder + "\" + file_name (the folder is made when missing, one
// level; the file is created or emptied and written unshared). Logs, in this order,
// "打开下载地址开始下载 ", the four size lines, "文件大小55555》》》 " with the file's path and
// "下载文件新名称》》》 " with the file-name part of the address (only logged: the file keeps
// `file_name`). The network waits happen on a worker thread while the window keeps answering
// (see win/blocking.h); the bar follows the bytes on disk.
//
// After a drop the status line says that it retries (which try of how many), the log gets
// "下载中断》》》 " with the reason, and after the pause the next try asks, when the first reply
// offered ranges ("Accept-Ranges: bytes" with a strong ETag or a Last-Modified date), for the
// rest with "Range" and "If-Range": a 206 that continues where the file ends is appended (the
// bar goes on from there); anything else starts over from byte 0. A first request that fails
// or is answered with a status other than 200 is not retried.
//
// With a promise (`proof`), the body is hashed (SHA-256, by the system) as it streams; a size or
// digest that differs refuses the package: nothing of it is kept.
//
// Returns complete when the whole body was written and matches the promise. Otherwise, after an
// internet failure, a reply status other than 200, a body still short after the last try, or a
// refusal, the failure text goes to the status line, a message box and the log line
// "下载安装包文件失败》》》 "; what this download made is removed (the package file, then the
// target folder when that leaves it empty, nothing else in it); the four input controls are
// enabled.
//
// Throws win::FileError when the package file cannot be created or written (after removing what
// it made, as above), and win::InternetError when no internet session can be opened.
DownloadResult download_package(RunState& state, const std::string& address,
                                const std::string& target_folder, const std::string& file_name,
                                const PackageProof& proof = {},
                                const DownloadPolicy& policy = {});

}  // namespace kestrion
