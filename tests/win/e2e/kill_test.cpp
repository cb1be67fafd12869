// Kills at random points: install, same-version reinstall and upgrade runs of the real program
// are ended at a random moment (TerminateProcess, as a power cut or the task manager would),
// the installer is started once more (its start-up finishes or undoes an interrupted swap of a
// registered folder), and then: every register parses and keeps its entries, every version
// folder is byte for byte as before or holds the new installation complete, and the next run
// succeeds. KESTRION_KILL_POINTS sets how many kill points (scripts/kill-test runs more); without
// it the test is skipped. It prints its counts, which must be zero.
#include <json/reader.h>

#include <map>
#include <random>

#include "e2e.h"

namespace kestrion::test {
namespace {

class Kill : public EndToEnd {
 protected:
  enum class Kind { install, reinstall, upgrade };

  // Every version folder of the till (and any stage or old content beside them) with its bytes.
  std::map<std::string, std::string> folders() const {
    std::map<std::string, std::string> out;
    const std::string host_folder = root() + "\\" + host();
    for (const std::string& p : list_tree(host_folder)) {
      if (p.size() >= 14 && p.compare(p.size() - 14, 14, "TILLWRIGHT.zip") == 0) continue;
      const std::string top = p.substr(0, p.find('\\'));
      out[top] += p + "=" + (p.back() == '\\' ? "" : read_file(host_folder + "\\" + p)) + "\n";
    }
    return out;
  }

  // The service addresses of the register's entries; false when it does not parse.
  static bool register_entries(std::vector<std::string>& urls) {
    urls.clear();
    const std::string bytes = read_file(register_path());
    if (bytes.empty()) return true;
    Json::Value root;
    if (!Json::Reader().parse(bytes, root) || !root.isObject() || !root["pos"].isArray())
      return false;
    for (const Json::Value& e : root["pos"]) urls.push_back(e["serviceurl"].asString());
    return true;
  }

  // Starts one run of the kind; the caller ends it, or follows it to its end.
  std::unique_ptr<Installer> start_run(Kind kind) {
    auto setup = std::make_unique<Installer>(store_.path(), setup_name(), Installer::Existing{});
    if (kind == Kind::upgrade) {
      setup->start({service_.base_url(), service_.url("/files/upgrade.zip"), "2.2.0",
                     version_folder("2_1_5"), "2.1.5", "Y", "-1.0"});
      return setup;
    }
    serve("full.zip", kind == Kind::install ? "2.1.6" : "2.1.5", "true");
    setup->start();
    // The proposal is the earlier installation's place once there is one.
    if (setup->text(IDC_PREVIOUS_FOLDER).empty()) setup->set(IDC_INSTALL_FOLDER, till_.path());
    setup->press_run();
    return setup;
  }

  // A whole run to its end: an install ends with the success box, an upgrade by itself once it
  // started the client.
  bool run_through(Kind kind) {
    std::unique_ptr<Installer> setup = start_run(kind);
    if (kind != Kind::upgrade) {
      const MessageBoxInfo box = setup->answer_box(IDOK);
      if (box.text != kInstalled) {
        ADD_FAILURE() << "the run ended with: " << box.text << " / " << setup->text(IDC_STATUS);
        return false;
      }
    }
    return setup->wait_exit(kRunMs) == 1u;
  }
};

TEST_F(Kill, RandomKillPointsNeverDamageAnInstallation) {
  const int points = std::atoi(env("KESTRION_KILL_POINTS").c_str());
  if (points <= 0) GTEST_SKIP() << "KESTRION_KILL_POINTS is not set";
  std::mt19937 random(static_cast<unsigned>(GetTickCount()));
  Installer copied(store_.path(), setup_name());  // the setup program, copied into the store
  make_folders(appdata_folder() + "\\Tillwright");
  serve("full.zip", "2.1.5", "true");
  ASSERT_TRUE(run_through(Kind::reinstall));  // 2.1.5, the installation the kills meet first

  // How long a run takes here: the kill points spread over it.
  DWORD run_ms = 0;
  {
    const DWORD start = GetTickCount();
    ASSERT_TRUE(run_through(Kind::reinstall));
    run_ms = std::max<DWORD>(GetTickCount() - start, 500);
  }

  int tried = 0, damaged = 0, unreadable = 0, failed_after = 0;
  for (int i = 0; i < points; ++i) {
    const Kind kind = static_cast<Kind>(i % 3);
    const std::map<std::string, std::string> before = folders();
    std::vector<std::string> urls_before, urls_after;
    ASSERT_TRUE(register_entries(urls_before));

    std::unique_ptr<Installer> setup = start_run(kind);
    Sleep(std::uniform_int_distribution<DWORD>(0, run_ms)(random));
    setup->process().kill();
    setup->wait_exit(5000);
    ++tried;

    // The next start of the installer, closed again at once.
    {
      Installer again(store_.path(), setup_name(), Installer::Existing{});
      again.start();
      if (again.dialog()) PostMessageA(again.dialog(), WM_CLOSE, 0, 0);
      again.wait_exit(10000);
    }

    if (!register_entries(urls_after) || urls_after.size() < urls_before.size()) {
      ++unreadable;
      ADD_FAILURE() << "kill point " << i << ": the register lost entries:\n"
                    << read_file(register_path());
    }
    for (const auto& [name, bytes] : folders()) {
      if (name.find('.') != std::string::npos) continue;  // leftovers of an unregistered target
      const auto was = before.find(name);
      const bool same = was != before.end() && was->second == bytes;
      const std::string v = root() + "\\" + host() + "\\" + name;
      const bool complete = file_exists(v + "\\app\\TILLWRIGHT.exe") &&
                            folder_exists(v + "\\app\\success");
      // A folder that held nothing before may hold an unfinished download; never a half install.
      const bool unfinished = was == before.end() && !file_exists(v + "\\app\\success");
      if (!same && !complete && !unfinished) {
        ++damaged;
        ADD_FAILURE() << "kill point " << i << ": " << name << " is neither as it was nor complete";
      }
    }
    if (!run_through(kind)) {
      ++failed_after;
      ADD_FAILURE() << "kill point " << i << ": the next run did not succeed";
    }
  }
  std::printf("kill points tried: %d, damaged installs: %d, unreadable registers: %d, "
              "failed next runs: %d\n", tried, damaged, unreadable, failed_after);
}

}  // namespace
}  // namespace kestrion::test
