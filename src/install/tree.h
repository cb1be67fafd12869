// Folder walks: copying a folder's whole content into another, and emptying a folder. Both list
// a folder with "%s\*.*" and go one level at a time (a sub-folder is handled completely before
// the next entry of its parent). Each walk runs on a worker while the window keeps answering.
#pragma once

#include <string>

#include "state/run_state.h"

namespace kestrion {

// Copies every file and folder of `source` into `destination` (made when missing, one level),
// replacing files of the same name (read-only ones too) and keeping the destination's other
// files. Each file is copied through one large buffer with its attributes and time of last
// change. `leave_out` names a file directly in `source` that is not copied (the run passes its
// package file name, so a stale package of the previous installation never lands over the
// fresh one); empty: none.
//
// Returns false when something could not be copied: a file (logged with its paths and the
// system's text) or a folder that could not be listed; the walk goes on over the rest first.
// Nothing to copy is a success: an empty `source` (it would name the drive's root), a `source`
// that does not exist, and a `destination` that is `source` itself. A destination that lies
// inside the source is passed over by the walk.
bool myCopyFileOrDeleteFile(RunState& state, const std::string& destination,
                            const std::string& source, const std::string& leave_out);

// Deletes every file and folder inside `folder`; the folder itself stays. Reports nothing: what
// cannot be deleted (read-only, in use) stays, and so does every folder above it. A folder link
// is removed as a link; what it points to is never entered.
void delete_tree(RunState& state, std::string folder);

// Removes `folder` with everything in it, read-only files too (a folder link as a link). True
// when it is gone afterwards, or was never there.
bool remove_folder(RunState& state, const std::string& folder);

}  // namespace kestrion
