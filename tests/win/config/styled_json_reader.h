// Small readers for checking written JSON files in the tests.
#pragma once

#include <string>

namespace kestrion::test {

// The text of a string member of the JSON document `bytes` ("" when absent).
std::string member(const std::string& bytes, const char* name);

// True for "YYYY-MM-DD hh:mm:ss".
bool is_time_text(const std::string& s);

}  // namespace kestrion::test
