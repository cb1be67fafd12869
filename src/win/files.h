// Files written whole by the installer: a new file in place of one of the same name, and its
// removal when writing it failed.
#pragma once

#include <windows.h>

#include <string>

#include "win/handles.h"

namespace kestrion::win {

// The attribute bits a file of the installation may carry; anything else reads as normal.
DWORD file_attribute_bits(DWORD attributes);

// Opens `path` for writing as a new empty file with `attributes` (file_attribute_bits), in place
// of a file of that name: an existing read-only, hidden or system file gives way to it. Not valid
// when the file cannot be made; GetLastError() then says why.
FileHandle create_in_place(const std::string& path, DWORD attributes);

// Deletes the file `path`, read-only or not; the system's error stays the caller's to read.
void delete_file(const std::string& path);

// Writes all `size` bytes of `data` to `file`.
bool write_all(HANDLE file, const void* data, DWORD size);

}  // namespace kestrion::win
