#include "service/download.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "log/log.h"
#include "service/backoff.h"
#include "service/download_rules.h"
#include "service/failure.h"
#include "service/pause.h"
#include "service/session.h"
#include "service/sha256.h"
#include "text/codepage.h"
#include "text/path.h"
#include "win/path_limit.h"
#include "win/app.h"
#include "win/blocking.h"
#include "win/errors.h"
#include "win/file_writer.h"
#include "win/files.h"
#include "win/folders.h"
#include "win/handles.h"

namespace kestrion {

namespace {

// Always from the server, and never also into the internet cache: a cached copy would write
// every byte of the package twice and keep a second copy of it on the disk.
constexpr DWORD kOpenFlags =
    INTERNET_FLAG_RELOAD | INTERNET_FLAG_TRANSFER_BINARY | INTERNET_FLAG_NO_CACHE_WRITE;
constexpr DWORD_PTR kContext = 1;
constexpr DWORD kHttpOk = 200;
constexpr DWORD kHttpPartial = 206;

constexpr char kFailedLabel[] = "下载安装包文件失败》》》 ";
constexpr char kDropLabel[] = "下载中断》》》 ";
constexpr char kResumeLabel[] = "续传下载》》》 Range: bytes=";
constexpr char kRestartLabel[] = "重新下载》》》 ";

// What this call made, undone unless the package is complete: the package file, then the
// target folder when that leaves it empty. Nothing else in the folder is touched. The file's own
// handle must be closed first: declare this owner before it.
class MadeOnDisk {
 public:
  MadeOnDisk(std::string folder, std::string file)
      : folder_(std::move(folder)), file_(std::move(file)) {}
  ~MadeOnDisk() { undo(); }
  MadeOnDisk(const MadeOnDisk&) = delete;
  MadeOnDisk& operator=(const MadeOnDisk&) = delete;
  void created_file() { has_file_ = true; }
  void keep() { kept_ = true; }
  // Undoes it now rather than at the end of the call; once only.
  void undo() {
    if (kept_) return;
    kept_ = true;
    if (has_file_) DeleteFileA(file_.c_str());
    RemoveDirectoryA(folder_.c_str());  // refused unless empty
  }

 private:
  std::string folder_, file_;
  bool has_file_ = false, kept_ = false;
};

// The body is not the package the service promised: the words for the status line.
struct Refused {
  std::string text;
};

std::string check_failed(const std::string& why) {
  return win::load_string(IDS_CHECK_FAILED) + why;
}

// A header of the reply as text; nothing when the reply has none.
std::optional<std::string> query_header(HINTERNET request, DWORD what) {
  std::vector<char> buffer(256);
  for (;;) {
    DWORD size = static_cast<DWORD>(buffer.size());
    if (HttpQueryInfoA(request, what, buffer.data(), &size, nullptr))
      return std::string(buffer.data(), size);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size <= buffer.size()) return std::nullopt;
    buffer.resize(size + 1);
  }
}

std::string header_or_empty(HINTERNET request, DWORD what) {
  return query_header(request, what).value_or(std::string());
}

DWORD status_of(HINTERNET request) {
  DWORD status = 0, size = sizeof status;
  if (!HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                      nullptr))
    return 0;
  return status;
}

win::InternetError status_error(DWORD status) {
  return win::InternetError(ERROR_HTTP_INVALID_SERVER_RESPONSE,
                            win::load_string(IDS_HTTP_STATUS) + std::to_string(status) +
                                win::load_string(IDS_HTTP_STATUS_END));
}

std::string bytes_text(std::uint64_t received, std::uint64_t expected) {
  return std::to_string(received) + win::load_string(IDS_BYTES_EXPECTED) +
         std::to_string(expected) + win::load_string(IDS_BYTES);
}

// A stalled body fails its read after this long instead of waiting for ever. Set on the session
// for the wait for a reply's head, and on each reply for its body.
void set_stall_limit(HINTERNET handle, DWORD ms) {
  for (DWORD option : {INTERNET_OPTION_RECEIVE_TIMEOUT, INTERNET_OPTION_DATA_RECEIVE_TIMEOUT})
    InternetSetOptionExA(handle, option, &ms, sizeof ms, 0);
}

// The reply to one GET of the package address, with the connection it came on.
struct Reply {
  win::InetHandle connection, request;
  HINTERNET get() const { return request.get(); }
  void reset() {
    request.reset();
    connection.reset();
  }
};

// GET of `address` with extra request headers. An http or https address goes through a
// connection and a request of its own, so that the stall limit is in force before it is sent
// (WinINet takes a reply's receive time-out when the request goes out); any other address is
// opened as a whole. Runs on a worker. Throws win::InternetError.
Reply open_reply(HINTERNET session, const std::string& address, const std::string& headers,
                 DWORD stall_ms) {
  const char* extra = headers.empty() ? nullptr : headers.c_str();
  const DWORD extra_length = static_cast<DWORD>(headers.size());
  char host[INTERNET_MAX_HOST_NAME_LENGTH + 1] = {};
  std::vector<char> path(address.size() + 1), query(address.size() + 1);
  URL_COMPONENTSA parts{};
  parts.dwStructSize = sizeof parts;
  parts.lpszHostName = host;
  parts.dwHostNameLength = sizeof host;
  parts.lpszUrlPath = path.data();
  parts.dwUrlPathLength = static_cast<DWORD>(path.size());
  parts.lpszExtraInfo = query.data();
  parts.dwExtraInfoLength = static_cast<DWORD>(query.size());
  Reply reply;
  if (!InternetCrackUrlA(address.c_str(), 0, 0, &parts) || parts.dwHostNameLength == 0 ||
      (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS)) {
    reply.request = win::InetHandle(win::check_internet(InternetOpenUrlA(
        session, address.c_str(), extra, extra_length, kOpenFlags, kContext)));
    return reply;
  }
  const bool secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
  std::string target = std::string(path.data(), parts.dwUrlPathLength) +
                       std::string(query.data(), parts.dwExtraInfoLength);
  if (target.empty()) target = "/";
  reply.connection = win::InetHandle(win::check_internet(
      InternetConnectA(session, host, parts.nPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0,
                       kContext)));
  reply.request = win::InetHandle(win::check_internet(HttpOpenRequestA(
      reply.connection.get(), "GET", target.c_str(), nullptr, nullptr, nullptr,
      kOpenFlags | (secure ? INTERNET_FLAG_SECURE : 0), kContext)));
  set_stall_limit(reply.request.get(), stall_ms);
  win::check_internet(HttpSendRequestA(reply.request.get(), extra, extra_length, nullptr, 0));
  return reply;
}

// One download: the package file, the bytes in it, what the server said about the body, and
// the digest of the bytes so far.
class Transfer {
 public:
  Transfer(RunState& state, HINTERNET session, const std::string& address, HANDLE file,
           const PackageProof& proof, DWORD stall_ms)
      : state_(state), session_(session), address_(address), file_(file), proof_(proof),
        stall_ms_(stall_ms) {
    if (!proof.sha256.empty()) hash_ = std::make_unique<service::Sha256>();
  }

  // Opens the address, from byte 0, or from where the file ends when the server offered ranges
  // and some bytes are in. Returns the reply whose body continues the file.
  Reply open() {
    if (received_ > 0 && validator_) {
      write_log(kResumeLabel + std::to_string(received_) + "-");
      Reply body = request(range_headers(received_, *validator_));
      const DWORD status = status_of(body.get());
      if (status == kHttpPartial) {
        const auto range =
            parse_content_range(header_or_empty(body.get(), HTTP_QUERY_CONTENT_RANGE));
        if (range && continues_at(*range, received_, length_)) return body;
      } else if (status == kHttpOk) {
        take_new_body(body.get());  // the package changed, or ranges are off now
        return body;
      }
      // Any other answer: the rest cannot be had; the whole body is asked for again.
    }
    write_log(kRestartLabel);
    Reply body = request(std::string());
    const DWORD status = status_of(body.get());
    if (status != kHttpOk && status != 0) throw status_error(status);
    take_new_body(body.get());
    return body;
  }

  // The first reply, already known to be a 200.
  void take_first(HINTERNET body) { take_new_body(body); }

  // Streams the body into the file on a worker thread, hashing it on the way: each read takes
  // what has arrived, or what the link brings in about 100 ms, up to a piece, so a slow link
  // moves the bar too. The file is written on a thread of its own meanwhile (win::FileWriter),
  // so the link is read while the disk writes; all of it is on disk when this returns or
  // throws. The bar follows the bytes on disk, handed over to this thread at every tick.
  // Returns when the body ends; a read or a write that fails throws.
  void stream(HINTERNET body) {
    const std::uint64_t first = received_;
    std::uint64_t received = received_;  // handed over; the worker's until it returns
    win::FileWriter writer;
    writer.begin_into(file_, std::string());
    try {
      win::run_blocking(
          state_,
          [&] {
            // A write that failed ends the download as the system's file error.
            auto written = [](const std::vector<win::FileWriter::Failure>& failures) {
              if (!failures.empty()) throw win::FileError(failures.front().error);
            };
            try {
              read_into(body, writer, received);
            } catch (...) {
              written(writer.finish());
              throw;
            }
            writer.end(nullptr, nullptr, nullptr);
            written(writer.finish());
          },
          [&] { state_.set_progress_pos(progress_units(first + writer.written(), shift_)); });
    } catch (...) {
      received_ = received;
      throw;
    }
    received_ = received;
    state_.set_progress_pos(progress_units(received_, shift_));
  }

  // A body that ended before its length is a drop.
  void check_complete() const {
    if (length_ && received_ < *length_)
      throw win::InternetError(ERROR_INTERNET_CONNECTION_RESET,
                               win::load_string(IDS_DOWNLOAD_INCOMPLETE) +
                                   bytes_text(received_, *length_));
  }

  // The whole body against the promise.
  void check_proof() {
    if (proof_.size && received_ != *proof_.size) throw Refused{size_refusal(received_)};
    if (hash_ && hash_->hex() != proof_.sha256)
      throw Refused{check_failed(win::load_string(IDS_CHECK_DIGEST))};
  }

 private:
  // The body's bytes, hashed and handed to `writer` as they come, until the body ends.
  void read_into(HINTERNET body, win::FileWriter& writer, std::uint64_t& received) {
    const std::uint64_t first = received;
    const ULONGLONG start = GetTickCount64();
    for (;;) {
      DWORD available = 0;
      win::check_internet(InternetQueryDataAvailable(body, &available, 0, 0));
      if (available == 0) return;
      std::vector<char> piece = writer.piece();
      // WinINet reports only what its own small buffer holds: a fast link is read in larger
      // pieces, as much as it brings in a tenth of a second.
      const DWORD wanted = read_size(available, received - first, GetTickCount64() - start,
                                     static_cast<std::uint32_t>(piece.size()));
      DWORD n = 0;
      win::check_internet(InternetReadFile(body, piece.data(), wanted, &n));
      if (n == 0) return;
      const std::uint64_t total = received + n;
      // More than the promised size: no need to wait for the rest.
      if (proof_.size && total > *proof_.size) throw Refused{size_refusal(total)};
      if (hash_) hash_->add(piece.data(), n);
      writer.add(std::move(piece), n);
      received = total;
      for (const win::FileWriter::Failure& f : writer.take_failures())
        throw win::FileError(f.error);
    }
  }

  Reply request(const std::string& headers) {
    // Connecting and waiting for the reply's head happen on a worker: the window answers while
    // the service does not.
    return win::run_blocking(state_,
                             [&] { return open_reply(session_, address_, headers, stall_ms_); });
  }

  // A 200 reply: the file, the digest and the bar start over with its body; its length, and
  // whether it can be resumed, are what it says.
  void take_new_body(HINTERNET body) {
    length_.reset();
    if (auto header = query_header(body, HTTP_QUERY_CONTENT_LENGTH))
      length_ = parse_content_length(*header);
    if (proof_.size && length_ && *length_ != *proof_.size) throw Refused{size_refusal(*length_)};
    if (!length_) length_ = proof_.size;  // a body without a length still has the promised one
    validator_ = resume_validator(header_or_empty(body, HTTP_QUERY_ACCEPT_RANGES),
                                  header_or_empty(body, HTTP_QUERY_ETAG),
                                  header_or_empty(body, HTTP_QUERY_LAST_MODIFIED));
    if (received_ > 0) {
      LARGE_INTEGER start{};
      if (!SetFilePointerEx(file_, start, nullptr, FILE_BEGIN) || !SetEndOfFile(file_))
        throw win::FileError(GetLastError());
      received_ = 0;
    }
    if (hash_) hash_->restart();
    shift_ = progress_shift(length_.value_or(0));
    state_.set_progress_range(0, progress_units(length_.value_or(0), shift_));
    state_.set_progress_pos(0);
  }

  std::string size_refusal(std::uint64_t size) const {
    return check_failed(win::load_string(IDS_CHECK_SIZE) + std::to_string(size) +
                        win::load_string(IDS_CHECK_SIZE_PROMISED) + std::to_string(*proof_.size) +
                        win::load_string(IDS_BYTES));
  }

  RunState& state_;
  HINTERNET session_;
  const std::string& address_;
  HANDLE file_;
  const PackageProof& proof_;
  DWORD stall_ms_;
  std::unique_ptr<service::Sha256> hash_;
  std::uint64_t received_ = 0;
  std::optional<std::uint64_t> length_;     // of the whole body, when known
  std::optional<std::string> validator_;    // the If-Range value, when it can be resumed
  int shift_ = 0;
};

// "下载中断，正在重试：第 2 次，共 6 次……"
std::string retry_text(int attempt, int attempts) {
  return win::load_string(IDS_DOWNLOAD_RETRY) + std::to_string(attempt) +
         win::load_string(IDS_TRY_OF) + std::to_string(attempts) +
         win::load_string(IDS_TRY_END);
}

}  // namespace

DownloadResult download_package(RunState& state, const std::string& address,
                                const std::string& target_folder, const std::string& file_name,
                                const PackageProof& proof, const DownloadPolicy& policy) {
  win::InetHandle session = service::open_session(service::SessionOptions::none);
  set_stall_limit(session.get(), policy.stall_ms);
  const std::string& folder = target_folder;
  const std::string path = folder + "\\" + file_name;
  MadeOnDisk made(folder, path);
  win::FileHandle file;
  DownloadResult result;
  std::string text;
  try {
    try {
      if (!proof.invalid.empty())
        throw Refused{check_failed(win::load_string(IDS_CHECK_INVALID) + proof.invalid)};
      win::make_folder(folder);

      // The first request: a failure or a status other than 200 ends the download.
      Reply body;
      {
        body = win::run_blocking(
            state, [&] { return open_reply(session.get(), address, {}, policy.stall_ms); });
        write_log("打开下载地址开始下载 ");
        // Only a 200 reply carries the package; an error page is never saved as one.
        if (auto status = query_header(body.get(), HTTP_QUERY_STATUS_CODE)) {
          if (*status != std::to_string(kHttpOk))
            throw win::InternetError(ERROR_HTTP_INVALID_SERVER_RESPONSE,
                                     win::load_string(IDS_HTTP_STATUS) + *status +
                                         win::load_string(IDS_HTTP_STATUS_END));
        }
        write_log("文件大小3333》》》 ");
        write_log("文件大小2222》》》 ");
        write_log("文件大小111》》》 ");
        write_log("文件大小》》》 ");

        if (!text::path_fits(path))
          throw win::FileError(ERROR_FILENAME_EXCED_RANGE, path_too_long_text() + path);
        file = win::check_file(win::create_in_place(path, FILE_ATTRIBUTE_NORMAL));
        made.created_file();
        write_log("文件大小55555》》》 " + path);
        write_log("下载文件新名称》》》 " + url_file_name(address));
      }
      Transfer t(state, session.get(), address, file.get(), proof, policy.stall_ms);
      const int attempts = policy.retries + 1;
      for (int attempt = 1;; ++attempt) {
        try {
          if (attempt == 1)
            t.take_first(body.get());
          else
            body = t.open();
          t.stream(body.get());
          t.check_complete();
          break;
        } catch (const win::InternetError& e) {
          // A drop: the body ended early, a read failed or stalled, the link would not connect,
          // or the server would not answer the try.
          body.reset();
          write_log(kDropLabel + service::failure_text(e));
          if (attempt == attempts) throw;
          state.set_text(ctl::status, retry_text(attempt + 1, attempts));
          service::pause(state, doubling_pause_ms(policy.first_pause_ms, attempt));
        }
      }
      // Closing the reply, the connection and the package file can keep the system busy for a
      // while after a large body: the window is served meanwhile.
      win::run_blocking(state, [&] {
        body.reset();
        file.reset();
      });
      t.check_proof();
      made.keep();
      result.complete = true;
      return result;
    } catch (const Refused& refused) {
      result.refused = true;
      text = text::cut_to_bytes(refused.text, kStatusTextBytes);
    }
  } catch (const win::InternetError& e) {
    text = service::failure_text(e);
  }
  // Closing and removing a partial package of many megabytes happens off the window's thread.
  win::run_blocking(state, [&] {
    file.reset();
    made.undo();
  });
  state.set_text(ctl::status, text);
  state.message_box(text);
  write_log(kFailedLabel + text);
  enable_inputs(state);
  return result;
}

}  // namespace kestrion
