#include "install/archive.h"

#include <unzip.h>

#include <algorithm>
#include <vector>

#include "log/log.h"
#include "install/zip_fields.h"
#include "install/zip_names.h"
#include "text/codepage.h"
#include "text/convert.h"
#include "text/path.h"
#include "win/app.h"
#include "win/blocking.h"
#include "win/errors.h"
#include "win/folders.h"
#include "win/handles.h"

namespace kestrion {

namespace zip {

namespace {

std::string with_separator(std::string folder) {
  if (!text::ends_with_char(folder, '\\') && !text::ends_with_char(folder, '/')) folder += '\\';
  return folder;
}

FILETIME to_filetime(std::uint64_t ticks) {
  FILETIME t;
  t.dwLowDateTime = static_cast<DWORD>(ticks);
  t.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return t;
}

// The MS-DOS date and time are local time.
FILETIME from_dos_time(std::uint32_t dos) {
  FILETIME local{}, utc{};
  DosDateTimeToFileTime(static_cast<WORD>(dos >> 16), static_cast<WORD>(dos & 0xFFFF), &local);
  LocalFileTimeToFileTime(&local, &utc);
  return utc;
}

void apply_extended_times(ZipEntry& e, const std::string& extra) {
  const ExtendedTimes t = extended_times(extra);
  if (t.has_modification) e.modification = to_filetime(unix_to_filetime(t.modification));
  if (t.has_access) e.access = to_filetime(unix_to_filetime(t.access));
  if (t.has_creation) e.creation = to_filetime(unix_to_filetime(t.creation));
}

bool is_separator(char c) { return c == '\\' || c == '/'; }

int last_separator(const std::string& name) {
  return std::max(text::rfind_char(name, '\\'), text::rfind_char(name, '/'));
}

// minizip refuses an archive whose end record starts at offset 0, which is what an archive
// without entries is: the end record alone (22 bytes and its comment).
bool is_empty_archive(const std::string& path) {
  constexpr DWORD kEndRecordBytes = 22;
  win::FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, 0, nullptr));
  unsigned char end[kEndRecordBytes];
  DWORD n = 0;
  LARGE_INTEGER size{};
  if (!file || !GetFileSizeEx(file.get(), &size) ||
      !ReadFile(file.get(), end, kEndRecordBytes, &n, nullptr) || n != kEndRecordBytes)
    return false;
  const std::string bytes(reinterpret_cast<const char*>(end), n);
  auto u16 = [&](int at) { return end[at] | end[at + 1] << 8; };
  return bytes.compare(0, 4, "PK\x05\x06") == 0 && u16(8) == 0 && u16(10) == 0 &&
         size.QuadPart == kEndRecordBytes + u16(20);
}

}  // namespace

// What one entry's central-directory record says, in the form the reader hands out.
struct ZipReader::Record {
  ZipEntry entry;
  std::uint32_t flags = 0;
};

std::optional<ZipReader> ZipReader::open(const std::string& path) {
  unzFile file = unzOpen64(path.c_str());
  unz_global_info64 global{};
  if (file && (unzGetGlobalInfo64(file, &global) != UNZ_OK || global.number_entry > 0x7FFFFFFF)) {
    unzClose(file);
    return std::nullopt;
  }
  if (!file && !is_empty_archive(path)) return std::nullopt;
  return ZipReader(file, static_cast<int>(global.number_entry));
}

ZipReader::ZipReader(void* file, int count) : file_(file), count_(count) {
  char here[MAX_PATH];
  DWORD n = GetCurrentDirectoryA(MAX_PATH, here);
  base_ = with_separator(n > 0 && n < MAX_PATH ? std::string(here, n) : std::string("."));
}

ZipReader::~ZipReader() {
  if (file_) unzClose(file_);
}

ZipReader::ZipReader(ZipReader&& o) noexcept
    : file_(std::exchange(o.file_, nullptr)),
      count_(o.count_),
      current_(o.current_),
      base_(std::move(o.base_)),
      writer_(std::move(o.writer_)),
      made_(std::move(o.made_)),
      failed_name_(std::move(o.failed_name_)),
      system_error_(o.system_error_) {}

ZipReader& ZipReader::operator=(ZipReader&& o) noexcept {
  if (this != &o) {
    if (file_) unzClose(file_);
    file_ = std::exchange(o.file_, nullptr);
    count_ = o.count_;
    current_ = o.current_;
    base_ = std::move(o.base_);
    writer_ = std::move(o.writer_);
    made_ = std::move(o.made_);
    failed_name_ = std::move(o.failed_name_);
    system_error_ = o.system_error_;
  }
  return *this;
}

ZipResult ZipReader::set_base_folder(const std::string& folder) {
  std::string base = with_separator(folder);
  if (!text::path_fits(base)) return ZipResult::too_long;
  base_ = base;
  made_.clear();
  return ZipResult::ok;
}

ZipResult ZipReader::entry(int index, ZipEntry& entry) {
  entry = ZipEntry{};
  Record r;
  ZipResult result = read_record(index, r);
  if (result == ZipResult::ok) entry = r.entry;
  return result;
}

ZipResult ZipReader::extract(int index, const std::string& name) {
  system_error_ = 0;
  if (ZipResult earlier = written(false); earlier != ZipResult::ok) return earlier;
  failed_name_ = name;
  const ZipResult result = extract_entry(index, name);
  if (result == ZipResult::ok) return result;
  // An earlier file that failed on the writing thread comes first.
  const DWORD error = system_error_;
  if (ZipResult earlier = written(true); earlier != ZipResult::ok) return earlier;
  failed_name_ = name;
  system_error_ = error;
  return result;
}

ZipResult ZipReader::extract_entry(int index, const std::string& name) {
  Record r;
  if (ZipResult result = read_record(index, r); result != ZipResult::ok) return result;
  const std::string safe = sanitize_entry_name(name);
  if (names_device(safe)) return ZipResult::device;
  if (r.entry.attributes & attr::directory || ends_with_separator(safe)) {
    if (!text::path_fits(base_ + safe)) return ZipResult::too_long;
    return make_folders(safe);
  }
  if (safe.empty()) {  // a file entry with nothing of its name left ("..")
    system_error_ = ERROR_INVALID_NAME;
    return ZipResult::cannot_create;
  }
  return extract_file(r, safe);
}

ZipResult ZipReader::finish() {
  system_error_ = 0;
  return written(true);
}

// The first file that failed on the writing thread: of those it has done so far, or, with
// `wait`, once it has done them all. Once one has failed the writer ends (what it still holds
// goes into the stage, which is thrown away). An entry abandoned here has its result already.
ZipResult ZipReader::written(bool wait) {
  if (!writer_) return ZipResult::ok;
  std::vector<win::FileWriter::Failure> failures =
      wait ? writer_->finish() : writer_->take_failures();
  if (!wait && failures.empty()) return ZipResult::ok;
  writer_.reset();
  if (failures.empty() || failures.front().abandoned) return ZipResult::ok;
  const win::FileWriter::Failure& first = failures.front();
  failed_name_ = first.tag;
  system_error_ = first.error;
  return first.made ? ZipResult::write : ZipResult::cannot_create;
}

ZipResult ZipReader::go_to(int index) {
  if (index < 0 || index >= count_) return ZipResult::argument;
  if (current_ < 0 || index < current_) {
    if (unzGoToFirstFile(file_) != UNZ_OK) return ZipResult::bad_archive;
    current_ = 0;
  }
  while (current_ < index) {
    if (unzGoToNextFile(file_) != UNZ_OK) return ZipResult::bad_archive;
    ++current_;
  }
  return ZipResult::ok;
}

ZipResult ZipReader::read_record(int index, Record& r) {
  if (ZipResult result = go_to(index); result != ZipResult::ok) return result;
  unz_file_info64 info{};
  if (unzGetCurrentFileInfo64(file_, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
    return ZipResult::bad_archive;
  std::string name(info.size_filename, '\0'), extra(info.size_file_extra, '\0');
  if (unzGetCurrentFileInfo64(file_, &info, name.data(), name.size(), extra.data(), extra.size(),
                              nullptr, 0) != UNZ_OK)
    return ZipResult::bad_archive;
  r.flags = info.flag;
  if (info.flag & kFlagUtf8Name) name = text::utf8_to_ansi(name);
  ZipEntry& e = r.entry;
  e.name = sanitize_entry_name(name);
  e.attributes = entry_attributes(info.version, info.external_fa);
  if (ends_with_separator(e.name)) e.attributes |= attr::directory;
  e.creation = e.access = e.modification = from_dos_time(info.dosDate);
  apply_extended_times(e, extra);
  e.compressed_size = info.compressed_size;
  e.uncompressed_size = info.uncompressed_size;
  return ZipResult::ok;
}

ZipResult ZipReader::fail_system(ZipResult result) {
  system_error_ = GetLastError();
  return result;
}

// Makes the base folder and every missing folder of `relative` in it, one level at a time from
// the top. A folder made once is not looked at again.
ZipResult ZipReader::make_folders(const std::string& relative) {
  std::vector<size_t> ends;  // where each level's path ends within `relative`
  text::for_each_char(relative, [&](int i) {
    if (i > 0 && is_separator(relative[i])) ends.push_back(static_cast<size_t>(i));
    return false;
  });
  if (!relative.empty() && !ends_with_separator(relative)) ends.push_back(relative.size());
  std::string path = base_.substr(0, base_.size() - 1);
  for (size_t level = 0;; ++level) {
    if (made_.count(path) == 0) {
      if (!win::make_folder(path)) return fail_system(ZipResult::cannot_create);
      made_.insert(path);
    }
    if (level == ends.size()) return ZipResult::ok;
    path = base_ + relative.substr(0, ends[level]);
  }
}

// Inflates the current entry, open for reading, and hands its data to the writer.
ZipResult ZipReader::inflate_into(std::uint64_t expected) {
  std::uint64_t total = 0;
  for (;;) {
    std::vector<char> piece = writer_->piece();
    const int n = unzReadCurrentFile(file_, piece.data(), static_cast<unsigned>(piece.size()));
    if (n <= 0) {
      writer_->give_back(std::move(piece));
      if (n < 0) return ZipResult::inflate;
      break;
    }
    writer_->add(std::move(piece), static_cast<size_t>(n));
    total += static_cast<std::uint64_t>(n);
  }
  // A stream that ends early is never checked by minizip: its checksum is only tested once the
  // whole announced size has been read.
  return total == expected ? ZipResult::ok : ZipResult::inflate;
}

ZipResult ZipReader::extract_file(const Record& r, const std::string& name) {
  const int sep = last_separator(name);
  const std::string folders = sep >= 0 ? name.substr(0, static_cast<size_t>(sep) + 1) : "";
  const std::string target = base_ + name;
  if (!text::path_fits(target)) return ZipResult::too_long;
  if (r.flags & kFlagEncrypted) return ZipResult::encrypted;
  if (ZipResult result = make_folders(folders); result != ZipResult::ok) return result;
  if (unzOpenCurrentFile(file_) != UNZ_OK) return ZipResult::inflate;

  // The local header's copy of the extra field may hold more times than the central one.
  ZipEntry times = r.entry;
  const int size = unzGetLocalExtrafield(file_, nullptr, 0);
  if (size > 0) {
    std::string local(static_cast<size_t>(size), '\0');
    if (unzGetLocalExtrafield(file_, local.data(), static_cast<unsigned>(size)) == size)
      apply_extended_times(times, local);
  }
  // The data goes straight to its place: the folder being unpacked into is a stage that is
  // thrown away as a whole when any entry fails.
  if (!writer_) writer_ = std::make_unique<win::FileWriter>();
  writer_->begin(target, r.entry.attributes, failed_name_);
  ZipResult result = inflate_into(r.entry.uncompressed_size);
  const int closed = unzCloseCurrentFile(file_);
  if (result == ZipResult::ok && closed == UNZ_CRCERROR) result = ZipResult::crc;
  else if (result == ZipResult::ok && closed != UNZ_OK) result = ZipResult::inflate;
  if (result == ZipResult::ok)
    writer_->end(&times.creation, &times.access, &times.modification);
  else
    writer_->abandon(ERROR_INVALID_DATA);  // no half-written file is left under the entry's name
  return result;
}

}  // namespace zip

namespace {

constexpr char kExtractError[] = "解压安装包失败》》》 ";

std::string reason(zip::ZipResult result, DWORD system_error) {
  using zip::ZipResult;
  switch (result) {
    case ZipResult::ok: return {};
    case ZipResult::argument: return {};  // never: every index comes from the count
    case ZipResult::bad_archive: return win::load_string(IDS_ZIP_BAD_ARCHIVE);
    case ZipResult::cannot_create:
      return win::load_string(IDS_ZIP_CANNOT_CREATE) + win::system_text(system_error);
    case ZipResult::write: return win::load_string(IDS_ZIP_WRITE) + win::system_text(system_error);
    case ZipResult::encrypted: return win::load_string(IDS_ZIP_ENCRYPTED);
    case ZipResult::inflate: return win::load_string(IDS_ZIP_INFLATE);
    case ZipResult::crc: return win::load_string(IDS_ZIP_CRC);
    case ZipResult::too_long: return win::load_string(IDS_ZIP_TOO_LONG);
    case ZipResult::device: return win::load_string(IDS_ZIP_DEVICE);
  }
  return {};
}

}  // namespace

bool extract_package(RunState& state, const std::string& package_path, const std::string& folder) {
  // The whole unpacking is one piece of blocking work: the window is served by time meanwhile,
  // never per entry or per buffer.
  const std::string failure = win::run_blocking(state, [&]() -> std::string {
    using zip::ZipResult;
    std::optional<zip::ZipReader> archive = zip::ZipReader::open(package_path);
    if (!archive) return package_path + " ：" + win::load_string(IDS_NOT_A_ZIP);
    if (ZipResult result = archive->set_base_folder(folder); result != ZipResult::ok)
      return package_path + " ：" + reason(result, 0);
    auto failed = [&](ZipResult result) {
      return archive->failed_name() + " ：" + reason(result, archive->system_error());
    };
    for (int i = 0; i < archive->count(); ++i) {
      zip::ZipEntry entry;
      if (ZipResult result = archive->entry(i, entry); result != ZipResult::ok) {
        // A file before it that failed to be written comes first.
        if (ZipResult earlier = archive->finish(); earlier != ZipResult::ok) return failed(earlier);
        return entry.name + " ：" + reason(result, 0);
      }
      if (ZipResult result = archive->extract(i, entry.name); result != ZipResult::ok)
        return failed(result);
    }
    if (ZipResult result = archive->finish(); result != ZipResult::ok) return failed(result);
    return {};
  });
  if (failure.empty()) return true;
  write_log(kExtractError + failure);
  return false;
}

}  // namespace kestrion
