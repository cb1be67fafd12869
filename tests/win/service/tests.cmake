# The service operations run against their own sample service.
kestrion_service_fixture(service)
kestrion_wine_test(service service_service)
