// The install root rule over the whole table of install folder texts, and the previous
// install parent.
#include <gtest/gtest.h>

#include "config/install_root.h"

using kestrion::install_root_for;
using kestrion::parent_folder;

TEST(InstallRoot, Table) {
  struct {
    const char* folder;
    const char* root;
    bool appended;
  } cases[] = {
      {"D:\\", "D:\\Tillwright", true},
      {"D:\\Apps", "D:\\Apps\\Tillwright", true},
      {"D:\\Apps\\", "D:\\Apps\\Tillwright", true},
      {"D:\\Tillwright\\abc", "D:\\Tillwright", false},
      {"E:\\Data\\Tillwright\\abc", "E:\\Data\\Tillwright", false},
      {"Tillwright\\abc", "Tillwright", false},
      {"D:\\Tillwright", "D:\\Tillwright\\Tillwright", true},
      {"D:\\Tillwright\\", "D:\\Tillwright\\Tillwright", true},
      {"D:\\tillwright\\abc", "D:\\tillwright\\abc\\Tillwright", true},
      {"", "\\Tillwright", true},
      {"abc", "\\Tillwright", true},
      {"\\abc", "\\Tillwright", true},
      {"D:\\Tillwright\\abc\\2_1_0", "D:\\Tillwright\\abc\\2_1_0\\Tillwright", true},
      // 乗 ends in the byte of a backslash: it is no separator
      {"D:\\乗", "D:\\乗\\Tillwright", true},
      {"D:\\Tillwright\\乗", "D:\\Tillwright", false},
      {"D:\\X乗\\abc", "D:\\X乗\\abc\\Tillwright", true},
  };
  for (auto c : cases) {
    auto r = install_root_for(c.folder);
    EXPECT_EQ(r.path, c.root) << c.folder;
    EXPECT_EQ(r.appended, c.appended) << c.folder;
  }
}

TEST(InstallRoot, ParentFolder) {
  struct {
    const char* path;
    const char* parent;
  } cases[] = {{"D:\\Tillwright\\abc\\2_1_0", "D:\\Tillwright\\abc"},
               {"D:\\", "D:"},
               {"2_1_0", ""},
               {"", ""},
               {"D:\\门店\\乗", "D:\\门店"},
               {"C:\\pos\\host\\1.0", "C:\\pos\\host"},
               {"C:\\门\x81\x5c", "C:"}};  // 乗 ends in a 0x5C trail byte
  for (auto c : cases) EXPECT_EQ(parent_folder(c.path), c.parent) << c.path;
}
