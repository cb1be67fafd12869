// The names of zip entries: what an entry's stored name becomes before it is joined to the base
// folder. Portable rules over ANSI (GBK) bytes, tested on the host.
#pragma once

#include <string>

namespace kestrion::zip {

// The stored name cut down to a relative name that stays inside the base folder.
//
// Repeated until no rule applies:
// - a name whose second character is ':' loses its first two characters ("C:\x" -> "\x");
// - a name that begins with '\' or '/' loses that character;
// - the first of "\..\", "\../", "/../", "/..\" (in that order) that occurs: everything up to and
//   including its first occurrence is dropped ("a/b/../x" -> "x");
// - a ':' anywhere else (an alternate data stream, a drive further in): everything up to and
//   including it is dropped ("x.txt:s" -> "s");
// - a component made only of dots and spaces, other than ".", climbs or may climb once Windows
//   trims its trailing dots and spaces ("..", "... ", ".. "): it is dropped with everything
//   before it ("../x" -> "x", "a/.. /x" -> "x").
// Before that, a lead byte that has no valid trail byte after it becomes '_', so that the system
// and these rules split the name into the same characters (and the same separators).
std::string sanitize_entry_name(std::string name);

// True when a component of the name is one of the system's device names (CON, NUL, COM1, ...,
// with or without an extension): such an entry would write to a device, not to a file.
bool names_device(const std::string& name);

// True when the name ends with a separator: it can only name a folder.
bool ends_with_separator(const std::string& name);

}  // namespace kestrion::zip
