#include "run/previous_install.h"

#include <windows.h>

#include "config/install_root.h"
#include "win/app.h"
#include "win/folders.h"

namespace kestrion {

bool previous_install_prompt(RunState& state) {
  const std::string folder = state.text(ctl::install_folder);
  const std::string previous = state.text(ctl::previous_folder);
  const std::string parent = parent_folder(previous);
  if (!win::is_folder(previous) || parent == folder) return true;

  state.set_text(ctl::status, win::load_string(IDS_PREVIOUS_FOLDER) + parent);
  if (state.message_box(win::load_string(IDS_NEW_FOLDER_PROMPT) + parent, {},
                        box::yes_no | box::icon_question) == box::answer_no) {
    state.set_text(ctl::install_folder, parent);
    state.set_running(false);
    return false;
  }
  return true;
}

}  // namespace kestrion
