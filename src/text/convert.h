// Conversions at the program's edges (Windows only): the UTF-16 command line and shell paths,
// and the UTF-8 bodies of the service's replies. Everything inside stays in the ANSI code page.
#pragma once

#include <string>

namespace kestrion::text {

std::string wide_to_ansi(const std::wstring& w);
std::wstring ansi_to_wide(const std::string& s);
std::wstring utf8_to_wide(const std::string& s);
std::string wide_to_utf8(const std::wstring& w);
// UTF-8 -> UTF-16 -> ANSI code page; characters the code page lacks become the system's default.
std::string utf8_to_ansi(const std::string& s);
std::string ansi_to_utf8(const std::string& s);

}  // namespace kestrion::text
