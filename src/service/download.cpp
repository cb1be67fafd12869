#include "service/download.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <vector>

#include "log/log.h"
#include "service/download_rules.h"
#include "service/failure.h"
#include "service/session.h"
#include "win/path_limit.h"
#include "text/path.h"
#include "win/app.h"
#include "win/blocking.h"
#include "win/errors.h"
#include "win/folders.h"
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

// What this call made, undone unless the package is complete: the package file, then the
// target folder when that leaves it empty. Nothing else in the folder is touched. The file's own
// handle must be closed first: declare this owner before it.
class MadeOnDisk {
 public:
  MadeOnDisk(std::string folder, std::string file)
      : folder_(std::move(folder)), file_(std::move(file)) {}
  ~MadeOnDisk() {
    if (kept_) return;
    if (has_file_) DeleteFileA(file_.c_str());
    RemoveDirectoryA(folder_.c_str());  // refused unless empty
  }
  MadeOnDisk(const MadeOnDisk&) = delete;
  MadeOnDisk& operator=(const MadeOnDisk&) = delete;
  void created_file() { has_file_ = true; }
  void keep() { kept_ = true; }

 private:
  std::string folder_, file_;
  bool has_file_ = false, kept_ = false;
};

// A header of the reply as text; nothing when the reply has none.
std::optional<std::string> query_header(HINTERNET request, DWORD what) {
  char buffer[64];
  DWORD size = sizeof buffer;
  if (!HttpQueryInfoA(request, what, buffer, &size, nullptr)) return std::nullopt;
  return std::string(buffer, size);
}

// Streams the body into `file` on a worker thread: each read takes what has arrived, up to a
// block, so a slow link moves the bar too. The bar follows the bytes on disk, handed over to
// this thread at every tick. Returns how many bytes arrived.
std::uint64_t stream_body(RunState& state, HINTERNET body, HANDLE file, std::uint64_t length) {
  const int shift = progress_shift(length);
  state.set_progress_range(0, progress_units(length, shift));
  std::atomic<std::uint64_t> on_disk{0};
  const std::uint64_t received = win::run_blocking(
      state,
      [&] {
        std::vector<char> block(kBlockBytes);
        std::uint64_t total = 0;
        for (;;) {
          DWORD available = 0;
          win::check_internet(InternetQueryDataAvailable(body, &available, 0, 0));
          if (available == 0) return total;
          DWORD n = 0;
          win::check_internet(
              InternetReadFile(body, block.data(), std::min(available, kBlockBytes), &n));
          if (n == 0) return total;
          DWORD written = 0;
          if (!WriteFile(file, block.data(), n, &written, nullptr) || written != n)
            throw win::FileError(GetLastError());
          total += n;
          on_disk.store(total);
        }
      },
      [&] { state.set_progress_pos(progress_units(on_disk.load(), shift)); });
  state.set_progress_pos(progress_units(received, shift));
  return received;
}

}  // namespace

bool download_package(RunState& state, const std::string& address,
                      const std::string& target_folder, const std::string& file_name) {
  win::InetHandle session = service::open_session(service::SessionOptions::none);
  const std::string& folder = target_folder;
  const std::string path = folder + "\\" + file_name;
  MadeOnDisk made(folder, path);
  win::FileHandle file;
  try {
    win::make_folder(folder);
    // Connecting and waiting for the reply's head happen on a worker: the window answers while
    // the service does not.
    win::InetHandle body = win::run_blocking(state, [&] {
      return win::InetHandle(win::check_internet(
          InternetOpenUrlA(session.get(), address.c_str(), nullptr, 0, kOpenFlags, kContext)));
    });
    write_log("打开下载地址开始下载 ");

    // Only a 200 reply carries the package; an error page is never saved as one.
    if (auto status = query_header(body.get(), HTTP_QUERY_STATUS_CODE)) {
      if (*status != std::to_string(kHttpOk))
        throw win::InternetError(ERROR_HTTP_INVALID_SERVER_RESPONSE,
                                 win::load_string(IDS_HTTP_STATUS) + *status +
                                     win::load_string(IDS_HTTP_STATUS_END));
    }
    std::optional<std::uint64_t> length;
    if (auto header = query_header(body.get(), HTTP_QUERY_CONTENT_LENGTH))
      length = parse_content_length(*header);
    write_log("文件大小3333》》》 ");
    write_log("文件大小2222》》》 ");
    write_log("文件大小111》》》 ");
    write_log("文件大小》》》 ");

    if (!text::path_fits(path))
      throw win::FileError(ERROR_FILENAME_EXCED_RANGE, path_too_long_text() + path);
    file = win::check_file(win::FileHandle(CreateFileA(
        path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)));
    made.created_file();
    write_log("文件大小55555》》》 " + path);
    write_log("下载文件新名称》》》 " + url_file_name(address));

    const std::uint64_t received = stream_body(state, body.get(), file.get(), length.value_or(0));
    // A connection that ends early looks like the end of the body: only the length tells.
    if (length && received < *length)
      throw win::InternetError(ERROR_INTERNET_CONNECTION_RESET,
                               win::load_string(IDS_DOWNLOAD_INCOMPLETE) +
                                   std::to_string(received) + win::load_string(IDS_BYTES_EXPECTED) +
                                   std::to_string(*length) + win::load_string(IDS_BYTES));
    file.reset();
    made.keep();
    return true;
  } catch (const win::InternetError& e) {
    file.reset();
    const std::string text = service::failure_text(e);
    state.set_text(ctl::status, text);
    state.message_box(text);
    write_log(kFailedLabel + text);
    enable_inputs(state);
    return false;
  }
}

}  // namespace kestrion
