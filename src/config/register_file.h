// Reading and rewriting the program's JSON files (posclient.json, posconfig.json) so that no
// failure loses what they held: a rewrite goes to a temporary file beside the old one and
// replaces it in one step, and a file that cannot be parsed is kept as a side copy first.
#pragma once

#include <json/value.h>

#include <string>

#include "state/run_state.h"

namespace kestrion {

enum class RegisterStatus {
  missing,     // no such file
  parsed,      // read and parsed
  damaged,     // read, but not JSON that the reader accepts (or far too big to be one)
  unreadable,  // it exists but cannot be opened or read
};

// Reads the whole file, shared with every other opener, and parses it with comments allowed.
RegisterStatus read_register(const std::string& path, Json::Value& root);

// Writes `document` in the StyledWriter layout over `path`, whose earlier reading gave
// `status` (and, when parsed, `complete`: everything in it could be read). A file that exists
// but could not be read, or is read-only, is never replaced. A damaged file, or one that could not be read whole,
// is first copied to its first free side copy (path.bad, path.bad2, ...); when that fails
// nothing is written. When a reader holds the file so that it cannot be replaced, it is
// rewritten in place with its previous bytes kept in a side copy (path.rewrite) until the new
// ones are flushed; read_register restores a register damaged while that copy existed. False
// when the file was not written; the old one is then as it was.
bool write_register(RunState& state, const std::string& path, const Json::Value& document,
                    RegisterStatus status, bool complete);

// The two steps of a replacement. write_beside writes `bytes` to a new temporary file in the
// folder of `path` and returns its path ("" on failure, nothing left behind); move_over then
// replaces `path` with it in one step (deleting it when that fails; the thread's last error then
// tells why).
std::string write_beside(RunState& state, const std::string& path, const std::string& bytes);
bool move_over(const std::string& temp, const std::string& path);

// The first free side copy name of `path` that fits the path limit and the copy made there;
// "" when none could be made.
std::string keep_side_copy(RunState& state, const std::string& path);

}  // namespace kestrion
