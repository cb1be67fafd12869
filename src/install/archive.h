// The package archive: a thin zip reader on minizip's unzip interface, and extract_package,
// which unpacks the package into the folder that holds it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "state/run_state.h"
#include "win/file_writer.h"

namespace kestrion {

namespace zip {

// Results of the reader's operations.
enum class ZipResult {
  ok,
  argument,       // an index outside the archive
  bad_archive,    // the archive's directory or an entry's header cannot be read
  cannot_create,  // a folder or the target file cannot be made (see system_error())
  write,          // writing the target failed (see system_error())
  encrypted,      // the entry is encrypted: the package format has no passwords
  inflate,        // the entry's data is damaged or uses a method that cannot be read
  crc,            // the data inflated, but its checksum is wrong
  too_long,       // the target path does not fit the system's path limit
  device,         // the name is one of the system's device names
};

struct ZipEntry {
  std::string name;              // relative path, sanitised; separators '/' or '\'
  std::uint32_t attributes = 0;  // Windows file attributes
  FILETIME creation{}, access{}, modification{};
  std::uint64_t compressed_size = 0, uncompressed_size = 0;
};

// A zip archive open for reading, on minizip's unzip interface. Moves, never copies.
class ZipReader {
 public:
  // The archive at `path`; nothing when the file cannot be opened as a zip archive.
  static std::optional<ZipReader> open(const std::string& path);
  ~ZipReader();
  ZipReader(ZipReader&& other) noexcept;
  ZipReader& operator=(ZipReader&& other) noexcept;
  ZipReader(const ZipReader&) = delete;
  ZipReader& operator=(const ZipReader&) = delete;

  int count() const { return count_; }

  // Entries are written under this folder (a separator is appended when missing). Until it is
  // set, the process's current folder.
  ZipResult set_base_folder(const std::string& folder);

  // Entry `index` (0 to count() - 1); `entry` is cleared first. Names flagged as UTF-8 are
  // converted to the ANSI code page, then sanitised (zip_names.h); a name ending in a separator
  // is a folder.
  ZipResult entry(int index, ZipEntry& entry);

  // Writes entry `index` to base folder + `name` (sanitised again): a folder entry makes its
  // chain of folders; a file entry makes the missing folders of its path one level at a time
  // from the top (each folder once per reader), and inflates into the target, made with the
  // entry's attributes in place of a file of that name, which then gets the entry's times. A
  // failed entry leaves no file under its name: what the package is unpacked into is a stage
  // that is thrown away when anything fails.
  //
  // Files are written on a thread of their own while the next entries inflate: a file entry
  // returns once its data is handed over. Making or writing a file that fails shows at a later
  // extract() or at finish(), as the result of that entry: failed_name() says which.
  ZipResult extract(int index, const std::string& name);

  // Waits until every file handed over is written; the result of the first that failed.
  ZipResult finish();

  // The name the last failed result is about: the one given to that extract(), or that of an
  // earlier entry whose file failed to be made or written.
  const std::string& failed_name() const { return failed_name_; }

  // The system's error code behind the last cannot_create or write result (0: none).
  DWORD system_error() const { return system_error_; }

 private:
  struct Record;
  explicit ZipReader(void* file, int count);
  ZipResult go_to(int index);
  ZipResult read_record(int index, Record& record);
  ZipResult make_folders(const std::string& relative);
  ZipResult extract_entry(int index, const std::string& name);
  ZipResult extract_file(const Record& record, const std::string& name);
  ZipResult inflate_into(std::uint64_t expected);
  ZipResult fail_system(ZipResult result);
  ZipResult written(bool wait);

  void* file_ = nullptr;      // minizip's unzFile; none for an archive without entries
  int count_ = 0;
  int current_ = -1;          // the entry minizip stands on; -1 before the first
  std::string base_;          // ends with a separator
  std::unique_ptr<win::FileWriter> writer_;  // started at the first file
  std::set<std::string> made_;  // folders made (or found) under the base folder
  std::string failed_name_;
  DWORD system_error_ = 0;
};

}  // namespace zip

// Unpacks the package into `folder` (a stage: a failure leaves it to be thrown away), every entry
// in archive order, on a worker while the window keeps answering.
// Returns false, after a log line that names the entry and the reason, when the archive cannot
// be opened or an entry cannot be read, inflated, checked or written; an archive with no
// entries is a success.
bool extract_package(RunState& state, const std::string& package_path, const std::string& folder);

}  // namespace kestrion
