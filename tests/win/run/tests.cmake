# The run sequence on the in-memory run state, against its own sample service, which serves the
# packages that make_packages.py makes.
set(_run ${CMAKE_CURRENT_BINARY_DIR}/win/run)
add_test(NAME run_packages COMMAND python3 ${CMAKE_CURRENT_LIST_DIR}/make_packages.py
                                   ${_run}/packages)
set_tests_properties(run_packages PROPERTIES FIXTURES_SETUP run_packages TIMEOUT 60)
kestrion_service_fixture(run --files ${_run}/packages)
set_tests_properties(service_run_start PROPERTIES DEPENDS run_packages)
kestrion_wine_test(run service_run run_packages)
