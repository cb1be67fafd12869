// What the tests and the roles of child_roles.cpp share.
#pragma once

namespace kestrion::test {

constexpr const char* kLaunchedClientName = "TILLWRIGHT.exe";
constexpr const char* kWriterVariable = "KESTRION_REGISTER_WRITER";
constexpr const char* kWriterAddress = "http://writer:1/";
constexpr const char* kWriterFolders[2] = {"D:\\Tillwright\\w\\1_0", "D:\\Tillwright\\w\\2_0"};

}  // namespace kestrion::test
