# The download runs against its own sample service.
kestrion_service_fixture(service_download)
kestrion_wine_test(service_download service_service_download)
