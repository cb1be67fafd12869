// The text of a JSON document in the layout of jsoncpp's Json::StyledWriter, with every string
// written as its raw bytes (ANSI code page): only the quotation mark, the backslash and control
// characters below 0x20 are escaped. Bytes from 0x80 upward are never read as UTF-8, so GBK
// names survive every rewrite and read back unchanged through Json::Reader.
//
// Layout: members in byte order of their names, three spaces of indentation per level,
// " : " between a name and its value, a comma after every member or element but the last,
// arrays of short scalars on one line ("[ 1, 2 ]") as StyledWriter decides, a line end after
// the root. Lines end with CR LF, as a text-mode stream writes them; no byte-order mark.
// Comments are not written (the documents the program writes carry none).
#pragma once

#include <json/value.h>

#include <string>

namespace kestrion {

std::string styled_json(const Json::Value& root);

// Parses `bytes` as Json::Reader does (comments allowed and collected). False when it fails.
bool parse_json(const std::string& bytes, Json::Value& root);

}  // namespace kestrion
