// Two roles this program takes when its own tests start it again, decided before main runs:
// - copied into an app folder as TILLWRIGHT.exe and started by launch_client, it writes its
//   command line and working folder into launched.txt beside itself and ends;
// - with KESTRION_REGISTER_WRITER naming a folder, it rewrites that folder's posclient.json
//   without end, until the test kills it.
#include <windows.h>

#include "child_roles.h"
#include "config/client_register.h"
#include "state/memory_state.h"
#include "support.h"
#include "win/app.h"

namespace kestrion::test {

namespace {

bool take_role() {
  const std::string exe = win::module_path();
  const std::string client = std::string("\\") + kLaunchedClientName;
  if (exe.size() > client.size() && exe.compare(exe.size() - client.size(), client.size(), client) == 0) {
    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, folder);
    write_file(exe.substr(0, exe.size() - client.size()) + "\\launched.txt",
               std::string(GetCommandLineA()) + "\n" + folder);
    ExitProcess(0);
  }
  const std::string folder = env(kWriterVariable);
  if (!folder.empty()) {
    MemoryRunState state;
    state.set_text(ctl::service_address, kWriterAddress);
    for (unsigned i = 0;; ++i) save_client_entry(state, folder + "\\", kWriterFolders[i % 2]);
  }
  return false;
}

const bool kRoleTaken = take_role();

}  // namespace

}  // namespace kestrion::test
