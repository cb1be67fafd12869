// posclient.json on real files: first run, later versions, a folder of another service, the
// layout byte for byte, GBK names, and registers that are damaged, of another shape, held by
// another program or replaced while a writer is killed.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include "../../unit/config_samples.h"
#include "child_roles.h"
#include "config/client_entries.h"
#include "config/client_register.h"
#include "config/register_file.h"
#include "config/styled_json.h"
#include "state/memory_state.h"
#include "win/path_limit.h"
#include "styled_json_reader.h"
#include "support.h"
#include "win/app.h"
#include "win/handles.h"

using namespace kestrion;

namespace {

const char* const kSample = samples::kClientRegister;

class ClientRegister : public ::testing::Test {
 protected:
  std::string folder() const { return temp_.path() + "\\"; }
  std::string file() const { return temp_ / "posclient.json"; }
  std::string read() const { return test::read_file(file()); }
  void write(const std::string& bytes) const { test::write_file(file(), bytes); }

  Registration check(const std::string& address, const std::string& version_folder) {
    state_.set_text(ctl::service_address, address);
    return check_client_entry(state_, folder(), version_folder);
  }
  bool save(const std::string& address, const std::string& version_folder) {
    state_.set_text(ctl::service_address, address);
    return save_client_entry(state_, folder(), version_folder);
  }

  MemoryRunState state_;
  test::TempFolder temp_{"reg"};
};

TEST_F(ClientRegister, FirstRunWritesTheSampleByteForByte) {
  EXPECT_EQ(check("10.0.0.5:8080", "D:\\Tillwright\\abc\\2_1_0"), Registration::not_registered);
  EXPECT_TRUE(save("10.0.0.5:8080", "D:\\Tillwright\\abc\\2_1_0"));
  EXPECT_EQ(read(), kSample);
  EXPECT_EQ(state_.pumps, 2);  // one pending message handled by each call
  EXPECT_EQ(test::list_tree(temp_.path()), std::vector<std::string>{"posclient.json"});
}

TEST_F(ClientRegister, LaterVersionsMoveTheEntryOfTheirService) {
  ASSERT_TRUE(save("10.0.0.5:8080", "D:\\Tillwright\\abc\\2_1_0"));
  ASSERT_TRUE(save("http://t:1/", "D:\\Tillwright\\t\\1_0"));
  EXPECT_EQ(check("10.0.0.5:8080/", "D:\\Tillwright\\abc\\2_2_0"), Registration::not_registered);
  ASSERT_TRUE(save("10.0.0.5:8080/", "D:\\Tillwright\\abc\\2_2_0"));
  EXPECT_EQ(check("10.0.0.5:8080", "D:\\Tillwright\\abc\\2_2_0"), Registration::registered_here);
  Json::Value root;
  ASSERT_EQ(read_register(file(), root), RegisterStatus::parsed);
  ASSERT_EQ(root["pos"].size(), 2u);
  EXPECT_EQ(root["pos"][0]["foldername"].asString(), "D:\\Tillwright\\abc\\2_2_0");
  EXPECT_EQ(root["pos"][1]["serviceurl"].asString(), "http://t:1/");
}

TEST_F(ClientRegister, FolderOfAnotherServiceIsRefusedWithBox1007) {
  ASSERT_TRUE(save("http://t:1/", "D:\\Tillwright\\t\\1_0"));
  EXPECT_EQ(check("http://s:1/", "D:\\Tillwright\\t\\1_0"), Registration::foreign);
  ASSERT_EQ(state_.boxes.size(), 1u);
  EXPECT_EQ(state_.boxes[0].text, win::load_string(IDS_SETTING_FOLDER));
  if (GetACP() == 936) {
    EXPECT_EQ(state_.boxes[0].text, "正在设置安装目录，请等待……");
  }
  EXPECT_EQ(state_.boxes[0].style, static_cast<unsigned>(MB_OK));
  EXPECT_EQ(check("http://t:1/", "D:\\Tillwright\\t\\1_0"), Registration::registered_here);
  EXPECT_EQ(state_.boxes.size(), 1u);
}

TEST_F(ClientRegister, LookupInTheApplicationDataFolder) {
  char appdata[MAX_PATH] = {};
  ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, appdata, CSIDL_APPDATA, FALSE));
  const std::string expected = std::string(appdata) + "\\Tillwright";
  const std::string saved = test::read_file(expected + "\\posclient.json");
  test::remove_tree(expected);

  EXPECT_EQ(std::get<std::string>(client_config_folder(state_)), expected);
  EXPECT_TRUE(test::folder_exists(expected));
  EXPECT_EQ(lookup_client_entry(state_, "10.0.0.5:8080/"), std::nullopt);  // no file yet

  test::write_file(expected + "\\posclient.json",
                   "// written by hand\n{\"pos\":[{\"foldername\":\"D:\\\\门店\\\\1_0\","
                   "\"serviceurl\":\"10.0.0.5:8080\"},{\"foldername\":\"D:\\\\T\\\\a\\\\2_1_0\","
                   "\"serviceurl\":\"10.0.0.5:8080/\"},{\"foldername\":\"X\","
                   "\"serviceurl\":\"10.0.0.5:8080/\"}]}");
  EXPECT_EQ(lookup_client_entry(state_, "10.0.0.5:8080/"), "D:\\T\\a\\2_1_0");
  EXPECT_EQ(lookup_client_entry(state_, "10.0.0.5:8080"), "D:\\门店\\1_0");
  EXPECT_EQ(lookup_client_entry(state_, "10.0.0.5:8081/"), std::nullopt);

  test::remove_tree(expected);
  if (!saved.empty()) {
    CreateDirectoryA(expected.c_str(), nullptr);
    test::write_file(expected + "\\posclient.json", saved);
  }
}

TEST_F(ClientRegister, OtherMembersAreDroppedAndGbkStaysRaw) {
  // As the register is written: every backslash byte escaped, the trail byte of 乗 too.
  const std::string gbk = "D:\\门店\\乗\\1_0";
  write("{\"version\":2,\"pos\":[{\"foldername\":\"" + test::json_escaped(gbk) +
        "\",\"serviceurl\":\"http://a:1/\",\"note\":\"x\"}]}");
  ASSERT_TRUE(save("http://b:2/", "E:\\收银\\2_0"));
  EXPECT_EQ(read(),
            "{\r\n   \"pos\" : [\r\n"
            "      {\r\n         \"foldername\" : \"D:\\\\门店\\\\\x81\\\\\\\\1_0\",\r\n"
            "         \"serviceurl\" : \"http://a:1/\"\r\n      },\r\n"
            "      {\r\n         \"foldername\" : \"E:\\\\收银\\\\2_0\",\r\n"
            "         \"serviceurl\" : \"http://b:2/\"\r\n      }\r\n"
            "   ]\r\n}\r\n");
  EXPECT_EQ(check("http://a:1/", gbk), Registration::registered_here);  // read back to the same bytes
  EXPECT_FALSE(test::file_exists(file() + ".bad"));      // nothing was lost
}

TEST_F(ClientRegister, DamagedRegisterIsKeptAsASideCopy) {
  const std::string damaged[] = {"{\"pos\":[{\"foldername\":\"D:\\\\a\"", "", "\xef\xbb\xbf{}"};
  std::vector<std::string> sides = {"posclient.json.bad", "posclient.json.bad2",
                                    "posclient.json.bad3"};
  for (size_t i = 0; i < 3; ++i) {
    write(damaged[i]);
    EXPECT_EQ(check("s/", "V"), Registration::not_registered);
    ASSERT_TRUE(save("s/", "V"));
    EXPECT_EQ(test::read_file(temp_ / sides[i]), damaged[i]) << i;
  }
  EXPECT_EQ(read(), styled_json(registered_document({}, "s/", "V")));
  EXPECT_EQ(test::read_file(temp_ / sides[0]), damaged[0]);  // never overwritten
}

TEST_F(ClientRegister, OtherShapesNeverCrashAndKeepWhatIsReadable) {
  const char* shapes[] = {
      "[1,2]",
      "{\"pos\":{\"foldername\":\"V\",\"serviceurl\":\"s/\"}}",
      "{\"pos\":\"V\"}",
      "{\"pos\":[null,7,\"V\",[\"V\"],{\"foldername\":\"K\",\"serviceurl\":\"t:1\"},"
      "{\"foldername\":[\"V\"],\"serviceurl\":\"s/\"},{\"foldername\":\"V\",\"serviceurl\":9}]}",
  };
  for (const char* shape : shapes) {
    write(shape);
    EXPECT_EQ(check("s/", "V"), Registration::not_registered) << shape;
    ASSERT_TRUE(save("s/", "V")) << shape;
    EXPECT_EQ(test::read_file(file() + ".bad"), shape);
    Json::Value root;
    ASSERT_EQ(read_register(file(), root), RegisterStatus::parsed);
    const ClientEntries e = read_client_entries(root);
    EXPECT_TRUE(e.complete);
    EXPECT_EQ(e.entries.back().foldername, "V");
    EXPECT_EQ(e.entries.back().serviceurl, "s/");
    DeleteFileA((file() + ".bad").c_str());
  }
  // The one readable entry of the last shape stayed, normalised, before the new one.
  Json::Value root;
  read_register(file(), root);
  EXPECT_EQ(root["pos"][0]["foldername"].asString(), "K");
  EXPECT_EQ(root["pos"][0]["serviceurl"].asString(), "t:1/");
  EXPECT_EQ(root["pos"].size(), 2u);
}

TEST_F(ClientRegister, HeldOrReadOnlyRegisterStaysAsItWas) {
  write(kSample);
  {
    win::FileHandle held(CreateFileA(file().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                     nullptr));
    ASSERT_TRUE(held);
    EXPECT_EQ(check("s/", "D:\\Tillwright\\abc\\2_1_0"), Registration::not_registered);  // cannot be read: not registered
    EXPECT_FALSE(save("s/", "V"));
  }
  EXPECT_EQ(read(), kSample);

  SetFileAttributesA(file().c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(save("s/", "V"));
  SetFileAttributesA(file().c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(read(), kSample);
  EXPECT_EQ(test::list_tree(temp_.path()), std::vector<std::string>{"posclient.json"});
}

// A reader that opens the register as the C runtime's fopen does (read and write sharing, no
// delete sharing) makes the replacement fail: the register is rewritten in place instead, and
// nothing but the register is left.
TEST_F(ClientRegister, ReaderWithoutDeleteSharingGetsTheRewriteInPlace) {
  write(kSample);
  win::FileHandle reader(CreateFileA(file().c_str(), GENERIC_READ,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                     0, nullptr));
  ASSERT_TRUE(reader);
  EXPECT_TRUE(save("s/", "V"));
  reader.reset();
  Json::Value root;
  ASSERT_EQ(read_register(file(), root), RegisterStatus::parsed);
  EXPECT_EQ(root["pos"].size(), 2u) << read();  // the sample's entry and the new one
  EXPECT_EQ(root["pos"][1]["foldername"].asString(), "V");
  EXPECT_EQ(test::list_tree(temp_.path()), std::vector<std::string>{"posclient.json"});
}

// What a kill during a rewrite in place leaves, and what the next reading makes of it.
TEST_F(ClientRegister, RewriteInPlaceKilledMidwayLosesNothing) {
  const std::string copy = file() + ".rewrite";
  const std::string next = styled_json(registered_document({}, "s/", "V"));
  const std::string sample = kSample;
  struct Case {
    const char* when;
    std::string register_bytes, copy_bytes, expected;
  } cases[] = {
      {"while the side copy was written", sample, sample.substr(0, 40), sample},
      {"while the new bytes were written", next.substr(0, next.size() / 2), sample, sample},
      {"before the side copy was removed", next, sample, next},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.when);
    write(c.register_bytes);
    test::write_file(copy, c.copy_bytes);
    Json::Value root;
    EXPECT_EQ(read_register(file(), root), RegisterStatus::parsed);
    EXPECT_EQ(read(), c.expected);
    EXPECT_FALSE(test::file_exists(copy));
  }
}

TEST_F(ClientRegister, FailedWriteLeavesTheOldFile) {
  write(kSample);
  // The temporary file cannot be made: a folder stands in its place.
  const std::string temp = file() + "." + std::to_string(GetCurrentProcessId()) + ".tmp";
  ASSERT_TRUE(CreateDirectoryA(temp.c_str(), nullptr));
  EXPECT_FALSE(save("s/", "V"));
  EXPECT_EQ(read(), kSample);
  RemoveDirectoryA(temp.c_str());
}

TEST_F(ClientRegister, RewriteStoppedBeforeTheMoveLeavesTheOldFileWhole) {
  write(kSample);
  const std::string next = styled_json(registered_document({}, "s/", "V"));
  const std::string temp = write_beside(state_, file(), next);
  ASSERT_FALSE(temp.empty());
  // Stopped here, the register is the old one, and the new one lies complete beside it.
  EXPECT_EQ(read(), kSample);
  EXPECT_EQ(test::read_file(temp), next);
  ASSERT_TRUE(move_over(temp, file()));
  EXPECT_EQ(read(), next);
  EXPECT_FALSE(test::file_exists(temp));
}

TEST_F(ClientRegister, PathsPastTheLimitAreRefused) {
  const std::string deep = temp_.path() + "\\" + std::string(250 - temp_.path().size(), 'd') + "\\";
  state_.set_text(ctl::service_address, "s/");
  EXPECT_FALSE(save_client_entry(state_, deep, "V"));
  EXPECT_EQ(state_.text(ctl::status), path_too_long_text() + deep + "posclient.json");
  EXPECT_EQ(check_client_entry(state_, deep, "V"), Registration::foreign);
  EXPECT_TRUE(state_.boxes.empty());

  // The register fits, its side copy would not: nothing is written.
  const std::string edge =
      temp_.path() + "\\" + std::string(259 - temp_.path().size() - 16, 'e') + "\\";
  ASSERT_EQ((edge + "posclient.json").size(), 259u);
  test::make_folders(edge.substr(0, edge.size() - 1));
  test::write_file(edge + "posclient.json", "damaged");
  EXPECT_FALSE(save_client_entry(state_, edge, "V"));
  EXPECT_EQ(test::read_file(edge + "posclient.json"), "damaged");
}

// The whole file, opened as another reader of the register would (sharing everything).
std::string read_shared(const std::string& path) {
  win::FileHandle file(CreateFileA(path.c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, 0, nullptr));
  std::string out;
  char buffer[65536];
  DWORD n = 0;
  while (file && ReadFile(file.get(), buffer, sizeof buffer, &n, nullptr) && n > 0)
    out.append(buffer, n);
  return out;
}

// A writer rewriting the register without pause: whoever reads it meanwhile, and whenever the
// writer is killed, finds the old register or the new one, always whole.
TEST_F(ClientRegister, ReadersAndKillsNeverMeetAPartialRegister) {
  Json::Value start(Json::objectValue);
  for (int i = 0; i < 3000; ++i) {
    Json::Value entry;
    entry["foldername"] = "D:\\Tillwright\\门店" + std::to_string(i) + "\\2_1_0";
    entry["serviceurl"] = "http://10.0.0." + std::to_string(i) + ":8080/";
    start["pos"].append(entry);
  }
  const std::string initial = styled_json(start);
  const ClientEntries entries = read_client_entries(start);
  const std::string whole[2] = {
      styled_json(registered_document(entries, test::kWriterAddress, test::kWriterFolders[0])),
      styled_json(registered_document(entries, test::kWriterAddress, test::kWriterFolders[1]))};
  auto is_whole = [&](const std::string& bytes) {
    return bytes == initial || bytes == whole[0] || bytes == whole[1];
  };

  const std::string command = "\"" + win::module_path() + "\"";
  int reads = 0, rewritten = 0;
  for (int round = 0; round < 5; ++round) {
    write(initial);
    SetEnvironmentVariableA(test::kWriterVariable, temp_.path().c_str());
    test::Process writer(command);
    SetEnvironmentVariableA(test::kWriterVariable, nullptr);
    const DWORD begin = GetTickCount();
    const DWORD run_ms = 700 + 137 * round;  // the kill falls at a different point each round
    while (GetTickCount() - begin < run_ms) {
      const std::string bytes = read_shared(file());
      ++reads;
      ASSERT_TRUE(is_whole(bytes)) << "read " << reads << ": " << bytes.size() << " bytes";
    }
    writer.kill();
    const std::string last = read();
    EXPECT_TRUE(is_whole(last)) << "round " << round << ": " << last.size() << " bytes";
    rewritten += last != initial;
  }
  EXPECT_GT(rewritten, 0) << "the writer never got to rewrite the register";
}

}  // namespace
