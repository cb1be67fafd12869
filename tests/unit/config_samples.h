// The two registers as the client reads them: the sample files, byte for byte.
#pragma once

namespace kestrion::samples {

// posclient.json with one entry (the service address typed as 10.0.0.5:8080).
constexpr const char* kClientRegister =
    "{\r\n"
    "   \"pos\" : [\r\n"
    "      {\r\n"
    "         \"foldername\" : \"D:\\\\Tillwright\\\\abc\\\\2_1_0\",\r\n"
    "         \"serviceurl\" : \"10.0.0.5:8080/\"\r\n"
    "      }\r\n"
    "   ]\r\n"
    "}\r\n";

// posconfig.json written in install mode.
constexpr const char* kInstallConfig =
    "{\r\n"
    "   \"REQUEST_SERVICE\" : \"\",\r\n"
    "   \"createtime\" : \"2022-07-20 09:05:03\",\r\n"
    "   \"edittime\" : \"2022-07-20 09:05:03\",\r\n"
    "   \"foldername\" : \"D:\\\\Tillwright\\\\abc\\\\2_1_0\",\r\n"
    "   \"reportversion\" : \"\",\r\n"
    "   \"serviceurl\" : \"10.0.0.5:8080/\",\r\n"
    "   \"version\" : \"2.1.0\"\r\n"
    "}\r\n";

}  // namespace kestrion::samples
