# The run sequence on the in-memory run state, against its own sample service.
kestrion_service_fixture(run)
kestrion_wine_test(run service_run)
