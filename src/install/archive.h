// The package archive: a thin zip reader on minizip's unzip interface, and extract_package,
// which unpacks the package into the folder that holds it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "state/run_state.h"

namespace kestrion {

namespace zip {

// Results of the reader's operations; ok (0) is success.
enum class ZipResult {
  ok = 0,
  argument,       // no reader, or an index or folder it cannot use
  bad_archive,    // the archive's directory or an entry's header cannot be read
  cannot_create,  // a folder or the target file cannot be made (see zip_system_error)
  write,          // writing the target failed (see zip_system_error)
  password,       // the entry is encrypted and no password was given
  inflate,        // the entry's data is damaged or uses a method that cannot be read
  crc,            // the data inflated, but its checksum is wrong
  too_long,       // the target path does not fit the system's path limit
  device,         // the name is one of the system's device names
};

struct ZipEntry {
  int index = 0;                 // for the query with index -1: the number of entries
  std::string name;              // relative path, sanitised; separators '/' or '\'
  std::uint32_t attributes = 0;  // Windows file attributes
  FILETIME creation{}, access{}, modification{};
  std::uint64_t compressed_size = 0, uncompressed_size = 0;
};

struct ZipReader;
struct ZipCloser {
  void operator()(ZipReader* zip) const;
};
using ZipHandle = std::unique_ptr<ZipReader, ZipCloser>;

// Opens the archive; none when the file cannot be opened as a zip archive. Every operation on
// none returns ZipResult::argument.
ZipHandle zip_open(const std::string& path, const char* password = nullptr);

// Entries are written under this folder (a separator is appended when missing). Until it is
// set, the process's current folder.
ZipResult zip_set_base_folder(ZipReader* zip, const std::string& folder);

// Called after every output buffer written, so a long entry keeps the window alive.
ZipResult zip_set_pump(ZipReader* zip, std::function<void()> pump);

// Index -1: `entry.index` becomes the number of entries. 0 and up: the whole entry. The entry is
// cleared first, so a failed query leaves a count of 0. Names flagged as UTF-8 are converted to
// the ANSI code page, then sanitised (zip_names.h); a name ending in a separator is a folder.
ZipResult zip_get_entry(ZipReader* zip, int index, ZipEntry& entry);

// Writes entry `index` to base folder + `name` (sanitised again): a folder entry makes its chain
// of folders; a file entry makes the missing folders of its path one level at a time from the
// top, inflates through a 16 KB buffer into a new file beside the target and, once the data
// checked out, puts it in place of the target with the entry's attributes and times. A failed
// entry leaves an existing file of that name as it was.
ZipResult zip_extract_entry(ZipReader* zip, int index, const std::string& name);

// The system's error code behind the last cannot_create or write result (0: none).
DWORD zip_system_error(const ZipReader* zip);

// Releases the archive and the buffer.
ZipResult zip_close(ZipHandle& zip);

}  // namespace zip

// Unpacks the package into the folder that holds it (the text left of its last backslash),
// every entry in archive order, one pending message taken per entry and per output buffer.
// Returns false, after a log line that names the entry and the reason, when the archive cannot
// be opened or an entry cannot be read, inflated, checked or written; an archive with no
// entries is a success.
bool extract_package(RunState& state, std::string package_path);

}  // namespace kestrion
