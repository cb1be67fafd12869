# The download runs against its own sample service.
kestrion_service_fixture(download)
kestrion_wine_test(download service_download)
