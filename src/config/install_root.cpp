#include "config/install_root.h"

#include "text/codepage.h"

namespace kestrion {

InstallRoot install_root_for(const std::string& install_folder) {
  const std::string& t = install_folder;
  std::string w;
  const int last = text::rfind_char(t, '\\');
  if (last > 0) w = last + 1 == static_cast<int>(t.size()) ? t.substr(0, last) : t;

  const std::string appended = w + "\\" + kRootFolderName;
  const int cut = text::rfind_char(w, '\\');
  if (cut <= 0) return {appended, true};

  const std::string parent = w.substr(0, cut);
  const int name_at = text::rfind_char(parent, '\\');
  const std::string name = name_at > 0 ? parent.substr(name_at + 1) : parent;
  if (name == kRootFolderName) return {parent, false};
  return {appended, true};
}

std::string parent_folder(const std::string& path) {
  const int cut = text::rfind_char(path, '\\');
  return cut < 0 ? std::string() : path.substr(0, cut);
}

}  // namespace kestrion
