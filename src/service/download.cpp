#include "service/download.h"

#include <windows.h>
#include <wininet.h>
#include <shlwapi.h>

#include <cstdint>
#include <vector>

#include "config/log.h"
#include "service/download_rules.h"
#include "service/failure.h"
#include "service/session.h"
#include "state/path_limit.h"
#include "text/path.h"
#include "win/errors.h"
#include "win/handles.h"

namespace kestrion {

namespace {

// Always from the server, and never also into the internet cache: a cached copy would write
// every byte of the package twice and keep a second copy of it on the disk.
constexpr DWORD kOpenFlags =
    INTERNET_FLAG_RELOAD | INTERNET_FLAG_TRANSFER_BINARY | INTERNET_FLAG_NO_CACHE_WRITE;
constexpr DWORD_PTR kContext = 1;
// Large enough that reading is not what limits the speed: small reads cost a round through
// WinINet and one dispatched message each.
constexpr DWORD kBlockBytes = 256 * 1024;
constexpr DWORD kHttpOk = 200;

constexpr char kFailedLabel[] = "下载安装包文件失败》》》 ";

// What this call made, undone on a failure: the package file, then the target folder when that
// leaves it empty. Nothing else in the folder is touched.
class Made {
 public:
  Made(std::string folder, std::string file) : folder_(std::move(folder)), file_(std::move(file)) {}
  void created_file() { has_file_ = true; }
  void undo() {
    if (has_file_) DeleteFileA(file_.c_str());
    RemoveDirectoryA(folder_.c_str());  // refused unless empty
  }

 private:
  std::string folder_, file_;
  bool has_file_ = false;
};

// A header of the reply as text; nothing when the reply has none.
std::optional<std::string> query_header(HINTERNET request, DWORD what) {
  char buffer[64];
  DWORD size = sizeof buffer;
  if (!HttpQueryInfoA(request, what, buffer, &size, nullptr)) return std::nullopt;
  return std::string(buffer, size);
}

}  // namespace

bool download_package(RunState& state, const std::string& address,
                      const std::string& target_folder, const std::string& file_name) {
  win::InetHandle session = service::open_session(service::SessionOptions::none);
  const std::string folder = target_folder;
  const std::string path = folder + "\\" + file_name;
  Made made(folder, path);
  win::FileHandle file;
  try {
    if (!PathIsDirectoryA(folder.c_str())) CreateDirectoryA(folder.c_str(), nullptr);

    win::InetHandle body(InternetOpenUrlA(session.get(), address.c_str(), nullptr, 0, kOpenFlags,
                                          kContext));
    if (!body) throw win::InternetError(GetLastError());
    write_log("打开下载地址开始下载 ");

    // Only a 200 reply carries the package; an error page is never saved as one.
    if (auto status = query_header(body.get(), HTTP_QUERY_STATUS_CODE)) {
      if (*status != std::to_string(kHttpOk))
        throw win::InternetError(ERROR_HTTP_INVALID_SERVER_RESPONSE,
                                 "服务器返回 HTTP 状态 " + *status + "，安装包无法下载");
    }
    std::optional<std::uint64_t> length;
    if (auto header = query_header(body.get(), HTTP_QUERY_CONTENT_LENGTH))
      length = parse_content_length(*header);
    write_log("文件大小3333》》》 ");
    write_log("文件大小2222》》》 ");
    write_log("文件大小111》》》 ");
    write_log("文件大小》》》 ");

    if (!text::path_fits(path))
      throw win::FileError(ERROR_FILENAME_EXCED_RANGE, kPathTooLongText + path);
    file.reset(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw win::FileError(GetLastError());
    made.created_file();
    write_log("文件大小55555》》》 " + path);
    write_log("下载文件新名称》》》 " + url_file_name(address));

    const int shift = progress_shift(length.value_or(0));
    state.set_progress_range(0, progress_units(length.value_or(0), shift));
    std::vector<char> block(kBlockBytes);
    std::uint64_t received = 0;
    for (;;) {
      DWORD n = 0;
      if (!InternetReadFile(body.get(), block.data(), kBlockBytes, &n))
        throw win::InternetError(GetLastError());
      if (n == 0) break;
      state.pump_one();
      received += n;
      DWORD written = 0;
      if (!WriteFile(file.get(), block.data(), n, &written, nullptr) || written != n)
        throw win::FileError(GetLastError());
      state.set_progress_pos(progress_units(received, shift));
    }
    // A connection that ends early looks like the end of the body: only the length tells.
    if (length && received < *length)
      throw win::InternetError(ERROR_INTERNET_CONNECTION_RESET,
                               "下载不完整：收到 " + std::to_string(received) + " 字节，应为 " +
                                   std::to_string(*length) + " 字节");
    file.reset();
    return true;
  } catch (const win::InternetError& e) {
    file.reset();
    const std::string text = service::failure_text(e);
    state.set_text(ctl::status, text);
    state.message_box(text);
    write_log(kFailedLabel + text);
    made.undo();
    enable_inputs(state);
    return false;
  } catch (const win::FileError&) {
    file.reset();
    made.undo();
    throw;
  }
}

}  // namespace kestrion
