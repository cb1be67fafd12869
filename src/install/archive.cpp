#include "install/archive.h"

#include <unzip.h>

#include <algorithm>
#include <vector>

#include "config/log.h"
#include "install/zip_fields.h"
#include "install/zip_names.h"
#include "text/codepage.h"
#include "text/convert.h"
#include "text/path.h"
#include "win/errors.h"
#include "win/folders.h"
#include "win/handles.h"

namespace kestrion {

namespace zip {

constexpr size_t kBufferBytes = 16384;  // one output buffer per open archive

struct ZipReader {
  unzFile file = nullptr;
  std::string base;         // ends with a separator
  int count = 0;            // entries in the archive
  int current = -1;         // the entry minizip stands on; -1 before the first
  bool has_password = false;
  std::string password;
  std::vector<char> buffer;  // allocated at the first extraction
  std::function<void()> pump;
  DWORD system_error = 0;
};

void ZipCloser::operator()(ZipReader* zip) const {
  if (zip->file) unzClose(zip->file);  // none for an archive without entries
  delete zip;
}

namespace {

// What one entry's central-directory record says, in the form the reader hands out.
struct Record {
  ZipEntry entry;
  std::uint32_t flags = 0;
};

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

ZipResult go_to(ZipReader& zip, int index) {
  if (index < 0 || index >= zip.count) return ZipResult::argument;
  if (zip.current < 0 || index < zip.current) {
    if (unzGoToFirstFile(zip.file) != UNZ_OK) return ZipResult::bad_archive;
    zip.current = 0;
  }
  while (zip.current < index) {
    if (unzGoToNextFile(zip.file) != UNZ_OK) return ZipResult::bad_archive;
    ++zip.current;
  }
  return ZipResult::ok;
}

ZipResult read_record(ZipReader& zip, int index, Record& r) {
  if (ZipResult result = go_to(zip, index); result != ZipResult::ok) return result;
  unz_file_info64 info{};
  if (unzGetCurrentFileInfo64(zip.file, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
    return ZipResult::bad_archive;
  std::string name(info.size_filename, '\0'), extra(info.size_file_extra, '\0');
  if (unzGetCurrentFileInfo64(zip.file, &info, name.data(), name.size(), extra.data(),
                              extra.size(), nullptr, 0) != UNZ_OK)
    return ZipResult::bad_archive;
  r.flags = info.flag;
  if (info.flag & kFlagUtf8Name) name = text::utf8_to_ansi(name);
  ZipEntry& e = r.entry;
  e.index = index;
  e.name = sanitize_entry_name(name);
  e.attributes = entry_attributes(info.version, info.external_fa);
  if (ends_with_separator(e.name)) e.attributes |= attr::directory;
  e.creation = e.access = e.modification = from_dos_time(info.dosDate);
  apply_extended_times(e, extra);
  e.compressed_size = info.compressed_size;
  e.uncompressed_size = info.uncompressed_size;
  return ZipResult::ok;
}

ZipResult fail_system(ZipReader& zip, ZipResult result) {
  zip.system_error = GetLastError();
  return result;
}

bool is_separator(char c) { return c == '\\' || c == '/'; }

// Makes the base folder and every missing folder of `relative` in it, one level at a time from
// the top.
ZipResult make_folders(ZipReader& zip, const std::string& relative) {
  std::vector<size_t> ends;  // where each level's path ends within `relative`
  for (size_t i = 0; i < relative.size();) {
    if (is_separator(relative[i])) {
      if (i > 0) ends.push_back(i);
      ++i;
    } else {
      i += text::is_lead_byte(static_cast<unsigned char>(relative[i])) ? 2 : 1;
    }
  }
  if (!relative.empty() && !ends_with_separator(relative)) ends.push_back(relative.size());
  std::string path = zip.base.substr(0, zip.base.size() - 1);
  for (size_t level = 0;; ++level) {
    if (!win::make_folder(path)) return fail_system(zip, ZipResult::cannot_create);
    if (level == ends.size()) return ZipResult::ok;
    path = zip.base + relative.substr(0, ends[level]);
  }
}

int last_separator(const std::string& name) {
  return std::max(text::rfind_char(name, '\\'), text::rfind_char(name, '/'));
}

// Inflates the current entry into `out`; the entry is open for reading.
ZipResult inflate_into(ZipReader& zip, HANDLE out, std::uint64_t expected) {
  if (zip.buffer.empty()) zip.buffer.resize(kBufferBytes);
  std::uint64_t total = 0;
  for (;;) {
    const int n = unzReadCurrentFile(zip.file, zip.buffer.data(), kBufferBytes);
    if (n < 0) return ZipResult::inflate;
    if (n == 0) break;
    DWORD written = 0;
    if (!WriteFile(out, zip.buffer.data(), static_cast<DWORD>(n), &written, nullptr) ||
        written != static_cast<DWORD>(n))
      return fail_system(zip, ZipResult::write);
    total += static_cast<std::uint64_t>(n);
    if (zip.pump) zip.pump();
  }
  // A stream that ends early is never checked by minizip: its checksum is only tested once the
  // whole announced size has been read.
  return total == expected ? ZipResult::ok : ZipResult::inflate;
}

ZipResult extract_file(ZipReader& zip, const Record& r, const std::string& name) {
  const int sep = last_separator(name);
  const std::string folders = sep >= 0 ? name.substr(0, static_cast<size_t>(sep) + 1) : "";
  const std::string target = zip.base + name;
  if (!text::path_fits(target)) return ZipResult::too_long;
  if ((r.flags & kFlagEncrypted) && !zip.has_password) return ZipResult::password;
  if (ZipResult result = make_folders(zip, folders); result != ZipResult::ok) return result;

  // The data goes into a new file beside the target and replaces it only once it checked out.
  const std::string folder = zip.base + folders;
  char part[MAX_PATH];
  if (!text::path_fits(folder + "kzXXXX.tmp") || !GetTempFileNameA(folder.c_str(), "kz", 0, part))
    return fail_system(zip, ZipResult::cannot_create);
  ZipResult result = ZipResult::ok;
  ZipEntry times = r.entry;
  {
    win::FileHandle out(CreateFileA(part, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out) {
      result = fail_system(zip, ZipResult::cannot_create);
    } else if (unzOpenCurrentFilePassword(zip.file, (r.flags & kFlagEncrypted)
                                                        ? zip.password.c_str()
                                                        : nullptr) != UNZ_OK) {
      result = ZipResult::inflate;
    } else {
      // The local header's copy of the extra field may hold more times than the central one.
      const int size = unzGetLocalExtrafield(zip.file, nullptr, 0);
      if (size > 0) {
        std::string local(static_cast<size_t>(size), '\0');
        if (unzGetLocalExtrafield(zip.file, local.data(), static_cast<unsigned>(size)) == size)
          apply_extended_times(times, local);
      }
      result = inflate_into(zip, out.get(), r.entry.uncompressed_size);
      const int closed = unzCloseCurrentFile(zip.file);
      if (result == ZipResult::ok && closed == UNZ_CRCERROR) result = ZipResult::crc;
      else if (result == ZipResult::ok && closed != UNZ_OK) result = ZipResult::inflate;
    }
    // The times are the entry's own; a system that cannot keep one still has the data.
    if (result == ZipResult::ok)
      SetFileTime(out.get(), &times.creation, &times.access, &times.modification);
  }
  if (result == ZipResult::ok) {
    // The entry's attributes, read-only among them, once the data is written.
    constexpr DWORD kFileBits = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
    const DWORD attributes = r.entry.attributes & kFileBits;
    SetFileAttributesA(part, attributes ? attributes : FILE_ATTRIBUTE_NORMAL);
    // A read-only file of the previous installation gives way to the package's.
    const DWORD old = GetFileAttributesA(target.c_str());
    const bool read_only = old != INVALID_FILE_ATTRIBUTES && (old & FILE_ATTRIBUTE_READONLY) &&
                           !(old & FILE_ATTRIBUTE_DIRECTORY);
    if (read_only) SetFileAttributesA(target.c_str(), old & ~FILE_ATTRIBUTE_READONLY);
    if (!MoveFileExA(part, target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
      result = fail_system(zip, ZipResult::cannot_create);
      if (read_only) SetFileAttributesA(target.c_str(), old);
    }
  }
  if (result != ZipResult::ok) {
    SetFileAttributesA(part, FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(part);
  }
  return result;
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

ZipHandle zip_open(const std::string& path, const char* password) {
  unzFile file = unzOpen64(path.c_str());
  unz_global_info64 global{};
  if (file && (unzGetGlobalInfo64(file, &global) != UNZ_OK || global.number_entry > 0x7FFFFFFF)) {
    unzClose(file);
    return nullptr;
  }
  if (!file && !is_empty_archive(path)) return nullptr;
  ZipHandle zip(new ZipReader);
  zip->file = file;
  zip->count = static_cast<int>(global.number_entry);
  if (password) {
    zip->has_password = true;
    zip->password = password;
  }
  char here[MAX_PATH];
  DWORD n = GetCurrentDirectoryA(MAX_PATH, here);
  zip->base = with_separator(n > 0 && n < MAX_PATH ? std::string(here, n) : std::string("."));
  return zip;
}

ZipResult zip_set_base_folder(ZipReader* zip, const std::string& folder) {
  if (!zip) return ZipResult::argument;
  std::string base = with_separator(folder);
  if (!text::path_fits(base)) return ZipResult::too_long;
  zip->base = base;
  return ZipResult::ok;
}

ZipResult zip_set_pump(ZipReader* zip, std::function<void()> pump) {
  if (!zip) return ZipResult::argument;
  zip->pump = std::move(pump);
  return ZipResult::ok;
}

ZipResult zip_get_entry(ZipReader* zip, int index, ZipEntry& entry) {
  entry = ZipEntry{};
  if (!zip) return ZipResult::argument;
  if (index == -1) {
    entry.index = zip->count;
    return ZipResult::ok;
  }
  Record r;
  ZipResult result = read_record(*zip, index, r);
  if (result == ZipResult::ok) entry = r.entry;
  return result;
}

ZipResult zip_extract_entry(ZipReader* zip, int index, const std::string& name) {
  if (!zip) return ZipResult::argument;
  zip->system_error = 0;
  Record r;
  if (ZipResult result = read_record(*zip, index, r); result != ZipResult::ok) return result;
  const std::string safe = sanitize_entry_name(name);
  if (names_device(safe)) return ZipResult::device;
  if (r.entry.attributes & attr::directory || ends_with_separator(safe)) {
    if (!text::path_fits(zip->base + safe)) return ZipResult::too_long;
    return make_folders(*zip, safe);
  }
  if (safe.empty()) {  // a file entry with nothing of its name left ("..")
    zip->system_error = ERROR_INVALID_NAME;
    return ZipResult::cannot_create;
  }
  return extract_file(*zip, r, safe);
}

DWORD zip_system_error(const ZipReader* zip) { return zip ? zip->system_error : 0; }

ZipResult zip_close(ZipHandle& zip) {
  if (!zip) return ZipResult::argument;
  zip.reset();
  return ZipResult::ok;
}

}  // namespace zip

namespace {

constexpr char kExtractError[] = "解压安装包失败》》》 ";

std::string reason(zip::ZipResult result, DWORD system_error) {
  using zip::ZipResult;
  switch (result) {
    case ZipResult::ok: return {};
    case ZipResult::argument: return "参数错误";
    case ZipResult::bad_archive: return "压缩包已损坏，无法读取条目";
    case ZipResult::cannot_create: return "无法创建文件或文件夹：" + win::system_text(system_error);
    case ZipResult::write: return "写入文件失败：" + win::system_text(system_error);
    case ZipResult::password: return "条目已加密";
    case ZipResult::inflate: return "数据已损坏，无法解压";
    case ZipResult::crc: return "CRC 校验失败";
    case ZipResult::too_long: return "路径过长";
    case ZipResult::device: return "名称是系统设备名";
  }
  return {};
}

}  // namespace

bool extract_package(RunState& state, std::string package_path) {
  using zip::ZipResult;
  const int slash = text::rfind_char(package_path, '\\');
  zip::ZipHandle archive = zip::zip_open(package_path);
  if (!archive) {
    write_log(kExtractError + package_path + " ：无法作为 zip 压缩包打开");
    return false;
  }
  if (slash >= 0) {
    ZipResult result = zip::zip_set_base_folder(archive.get(), package_path.substr(0, slash));
    if (result != ZipResult::ok) {
      write_log(kExtractError + package_path + " ：" + reason(result, 0));
      return false;
    }
  }
  zip::zip_set_pump(archive.get(), [&state] { state.pump_one(); });
  zip::ZipEntry entry;
  zip::zip_get_entry(archive.get(), -1, entry);
  const int count = entry.index;
  for (int i = 0; i < count; ++i) {
    state.pump_one();
    ZipResult result = zip::zip_get_entry(archive.get(), i, entry);
    if (result == ZipResult::ok) result = zip::zip_extract_entry(archive.get(), i, entry.name);
    if (result != ZipResult::ok) {
      write_log(kExtractError + entry.name + " ：" +
                reason(result, zip::zip_system_error(archive.get())));
      return false;
    }
  }
  zip::zip_close(archive);
  return true;
}

}  // namespace kestrion
