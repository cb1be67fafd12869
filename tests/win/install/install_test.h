// What the tree and archive tests share: the log of this test program.
#pragma once

#include <string>

#include "log/log.h"
#include "support.h"

namespace kestrion::test {

inline std::string log_file() { return exe_folder() + "log\\log.txt"; }
inline std::string log_text() { return read_file(log_file()); }
inline void clear_log() { remove_tree(exe_folder() + "log"); }

// Makes the folders of `path` and writes the file.
inline void put_file(const std::string& path, const std::string& bytes) {
  make_folders(path.substr(0, path.rfind('\\')));
  write_file(path, bytes);
}

}  // namespace kestrion::test
