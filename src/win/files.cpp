#include "win/files.h"

namespace kestrion::win {

DWORD file_attribute_bits(DWORD attributes) {
  constexpr DWORD kFileBits = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                              FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
  const DWORD bits = attributes & kFileBits;
  return bits ? bits : FILE_ATTRIBUTE_NORMAL;
}

FileHandle create_in_place(const std::string& path, DWORD attributes) {
  auto create = [&](DWORD disposition) {
    return FileHandle(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, disposition,
                                  file_attribute_bits(attributes), nullptr));
  };
  // A new file is made as new: replacing truncates, and a truncated file that grew large is
  // written out to the disk when it is closed (ext4, the file system Wine writes to here:
  // about 90 ms for 256 MB, on the thread that closes it). Only a file in the way is replaced.
  FileHandle file = create(CREATE_NEW);
  if (file || GetLastError() != ERROR_FILE_EXISTS) return file;
  file = create(CREATE_ALWAYS);
  if (file || GetLastError() != ERROR_ACCESS_DENIED) return file;
  // The system refuses to replace a read-only file, and a hidden or system one with a file
  // that lacks those bits: the old file's attributes go first. Nothing else is tried.
  const DWORD old = GetFileAttributesA(path.c_str());
  constexpr DWORD kInTheWay = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  if (old == INVALID_FILE_ATTRIBUTES || (old & FILE_ATTRIBUTE_DIRECTORY) || !(old & kInTheWay)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return file;
  }
  if (!SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return file;
  }
  file = create(CREATE_ALWAYS);
  if (!file) {
    const DWORD error = GetLastError();
    SetFileAttributesA(path.c_str(), old);
    SetLastError(error);
  }
  return file;
}

void delete_file(const std::string& path) {
  const DWORD error = GetLastError();
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(path.c_str());
  SetLastError(error);
}

bool write_all(HANDLE file, const void* data, DWORD size) {
  DWORD written = 0;
  return WriteFile(file, data, size, &written, nullptr) && written == size;
}

}  // namespace kestrion::win
