// The desktop shortcut to the installed client: a shell link in the user's desktop folder.
#pragma once

#include <string>

#include "state/run_state.h"

namespace kestrion {

// Creates or overwrites desktop\<shortcut_name>.lnk pointing to program_folder\executable,
// working folder program_folder\, with desktop\bitbug_favicon.ico (index 0) as its icon when
// that file exists. True when the link was saved; false on a COM failure (after its OK box), a
// link the system did not save, no desktop folder, a name holding "\", "/" or ":" (string
// IDS_BAD_SHORTCUT_NAME and the name in the status line), or a path past the limit (the status
// line then says so).
bool create_desktop_shortcut(RunState& state, std::string shortcut_name, std::string program_folder,
                            std::string executable);

}  // namespace kestrion
