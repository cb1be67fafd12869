// The endpoint cases that the rule's unit test and the request's test under Wine both go
// through: the query, the service-centre marker, the path prefix, and the composed path.
#pragma once

#include "service/endpoint.h"

namespace kestrion::cases {

struct EndpointCase {
  const ServiceQuery& query;
  const char* marker;
  const char* prefix;
  const char* path;
};

inline const EndpointCase kEndpoints[] = {
    {kClientNameQuery, "", "", "api/clientname/query"},
    {kClientNameQuery, "", "erp", "/erp/api/clientname/query"},
    {kClientNameQuery, "SERVICE_CENTER", "", "transaction/api/retail/terminal/queryClientname"},
    {kClientNameQuery, "SERVICE_CENTER", "erp",
     "/erp/transaction/api/retail/terminal/queryClientname"},
    {kClientNameQuery, "service_center", "", "api/clientname/query"},
    {kClientNameQuery, "SERVICE_CENTER ", "", "api/clientname/query"},
    {kClientNameQuery, " SERVICE_CENTER", "", "api/clientname/query"},
    {kClientNameQuery, "xSERVICE_CENTER", "", "api/clientname/query"},
    {kClientNameQuery, "SERVICE_CENTERx", "", "api/clientname/query"},
    {kClientNameQuery, "", "erp/", "/erp//api/clientname/query"},
    {kPackageQuery, "", "", "api/posinstall/query?posversion=&&system=Windows&&storeid="},
    {kPackageQuery, "SERVICE_CENTER", "",
     "transaction/api/retail/terminal/posInstall?posversion=&&system=Windows&&storeid="},
    {kPackageQuery, "", "pos", "/pos/api/posinstall/query?posversion=&&system=Windows&&storeid="},
};

}  // namespace kestrion::cases
