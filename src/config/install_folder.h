// The install folder (ctl::install_folder): its default and the install root a run works under.
#pragma once

#include <optional>
#include <string>

#include "state/run_state.h"

namespace kestrion {

// "%ProgramFiles%" expanded in the process environment (the 32-bit programs' folder in a
// 32-bit process on 64-bit Windows); the text unchanged when the variable is not defined.
std::string program_files_folder();

// True when drive letter D exists, whatever kind of drive it is.
bool drive_d_present();

// True when drive D is a fixed disk: not an optical drive, a card reader or a network drive.
bool drive_d_fixed();

// True when this user can create a folder inside `folder`: one is made there and removed again.
// Asked by trying, since rights, read-only media and UAC decide it together.
bool can_create_folder_in(const std::string& folder);

// The per-user programs folder, %LOCALAPPDATA%\Programs, where Windows puts per-user installs;
// made when missing.
std::string user_programs_folder();

// The folder proposed when posclient.json names none, the first one this user can write:
// "D:\" when drive D is a fixed disk, then program_files_folder(), then user_programs_folder()
// (the only one made when missing). A standard user cannot write in Program Files.
std::string default_install_base();

// The install root for the text of ctl::install_folder (see install_root_for), without a trailing
// backslash; a root with "\Tillwright" appended is created when missing (one level). Nothing
// when the root would pass the path limit (the status line then says so).
std::optional<std::string> resolve_install_root(RunState& state);

// True when this user can create folders in the install root; otherwise the status line says
// so (string IDS_FOLDER_NOT_WRITABLE and the root) and the log has a line. A run asks this
// before the service, so nothing is asked or downloaded for a folder it cannot write.
bool install_root_writable(RunState& state, const std::string& root);

}  // namespace kestrion
