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
#include "win/errors.h"
#include "win/folders.h"
#include "win/handles.h"

namespace kestrion {

namespace zip {

namespace {

constexpr size_t kBufferBytes = 16384;  // one output buffer per open archive

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

// The file attributes an entry's file gets once its data is written.
DWORD file_attributes(const ZipEntry& entry) {
  constexpr DWORD kFileBits = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                              FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
  const DWORD bits = entry.attributes & kFileBits;
  return bits ? bits : FILE_ATTRIBUTE_NORMAL;
}

// Puts the finished file `part` in place of `target`; a read-only file of the previous
// installation gives way to it and keeps its attribute when the replacement fails.
bool put_in_place(const std::string& part, const std::string& target) {
  const DWORD old = GetFileAttributesA(target.c_str());
  const bool read_only = old != INVALID_FILE_ATTRIBUTES && (old & FILE_ATTRIBUTE_READONLY) &&
                         !(old & FILE_ATTRIBUTE_DIRECTORY);
  if (read_only) SetFileAttributesA(target.c_str(), old & ~FILE_ATTRIBUTE_READONLY);
  if (MoveFileExA(part.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
  const DWORD error = GetLastError();
  if (read_only) SetFileAttributesA(target.c_str(), old);
  SetLastError(error);
  return false;
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
      buffer_(std::move(o.buffer_)),
      pump_(std::move(o.pump_)),
      system_error_(o.system_error_) {}

ZipReader& ZipReader::operator=(ZipReader&& o) noexcept {
  if (this != &o) {
    if (file_) unzClose(file_);
    file_ = std::exchange(o.file_, nullptr);
    count_ = o.count_;
    current_ = o.current_;
    base_ = std::move(o.base_);
    buffer_ = std::move(o.buffer_);
    pump_ = std::move(o.pump_);
    system_error_ = o.system_error_;
  }
  return *this;
}

ZipResult ZipReader::set_base_folder(const std::string& folder) {
  std::string base = with_separator(folder);
  if (!text::path_fits(base)) return ZipResult::too_long;
  base_ = base;
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
// the top.
ZipResult ZipReader::make_folders(const std::string& relative) {
  std::vector<size_t> ends;  // where each level's path ends within `relative`
  text::for_each_char(relative, [&](int i) {
    if (i > 0 && is_separator(relative[i])) ends.push_back(static_cast<size_t>(i));
    return false;
  });
  if (!relative.empty() && !ends_with_separator(relative)) ends.push_back(relative.size());
  std::string path = base_.substr(0, base_.size() - 1);
  for (size_t level = 0;; ++level) {
    if (!win::make_folder(path)) return fail_system(ZipResult::cannot_create);
    if (level == ends.size()) return ZipResult::ok;
    path = base_ + relative.substr(0, ends[level]);
  }
}

// Inflates the current entry into `out`; the entry is open for reading.
ZipResult ZipReader::inflate_into(HANDLE out, std::uint64_t expected) {
  if (buffer_.empty()) buffer_.resize(kBufferBytes);
  std::uint64_t total = 0;
  for (;;) {
    const int n = unzReadCurrentFile(file_, buffer_.data(), kBufferBytes);
    if (n < 0) return ZipResult::inflate;
    if (n == 0) break;
    DWORD written = 0;
    if (!WriteFile(out, buffer_.data(), static_cast<DWORD>(n), &written, nullptr) ||
        written != static_cast<DWORD>(n))
      return fail_system(ZipResult::write);
    total += static_cast<std::uint64_t>(n);
    if (pump_) pump_();
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

  // The data goes into a new file beside the target and replaces it only once it checked out.
  const std::string folder = base_ + folders;
  // GetTempFileNameA takes a folder of at most MAX_PATH - 14 bytes.
  constexpr size_t kTempFolderMax = MAX_PATH - 14;
  if (folder.size() > kTempFolderMax) return ZipResult::too_long;
  char part[MAX_PATH];
  if (!GetTempFileNameA(folder.c_str(), "kz", 0, part)) return fail_system(ZipResult::cannot_create);
  ZipResult result = ZipResult::ok;
  ZipEntry times = r.entry;
  {
    win::FileHandle out(CreateFileA(part, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out) {
      result = fail_system(ZipResult::cannot_create);
    } else if (unzOpenCurrentFile(file_) != UNZ_OK) {
      result = ZipResult::inflate;
    } else {
      // The local header's copy of the extra field may hold more times than the central one.
      const int size = unzGetLocalExtrafield(file_, nullptr, 0);
      if (size > 0) {
        std::string local(static_cast<size_t>(size), '\0');
        if (unzGetLocalExtrafield(file_, local.data(), static_cast<unsigned>(size)) == size)
          apply_extended_times(times, local);
      }
      result = inflate_into(out.get(), r.entry.uncompressed_size);
      const int closed = unzCloseCurrentFile(file_);
      if (result == ZipResult::ok && closed == UNZ_CRCERROR) result = ZipResult::crc;
      else if (result == ZipResult::ok && closed != UNZ_OK) result = ZipResult::inflate;
    }
    // The times are the entry's own; a system that cannot keep one still has the data.
    if (result == ZipResult::ok)
      SetFileTime(out.get(), &times.creation, &times.access, &times.modification);
  }
  if (result == ZipResult::ok) {
    SetFileAttributesA(part, file_attributes(r.entry));
    if (!put_in_place(part, target)) result = fail_system(ZipResult::cannot_create);
  }
  if (result != ZipResult::ok) {
    SetFileAttributesA(part, FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(part);
  }
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
  using zip::ZipResult;
  std::optional<zip::ZipReader> archive = zip::ZipReader::open(package_path);
  if (!archive) {
    write_log(kExtractError + package_path + " ：" + win::load_string(IDS_NOT_A_ZIP));
    return false;
  }
  if (ZipResult result = archive->set_base_folder(folder); result != ZipResult::ok) {
    write_log(kExtractError + package_path + " ：" + reason(result, 0));
    return false;
  }
  archive->set_pump([&state] { state.pump_one(); });
  for (int i = 0; i < archive->count(); ++i) {
    state.pump_one();
    zip::ZipEntry entry;
    ZipResult result = archive->entry(i, entry);
    if (result == ZipResult::ok) result = archive->extract(i, entry.name);
    if (result != ZipResult::ok) {
      write_log(kExtractError + entry.name + " ：" + reason(result, archive->system_error()));
      return false;
    }
  }
  return true;
}

}  // namespace kestrion
