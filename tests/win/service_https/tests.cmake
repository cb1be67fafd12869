# The requests over https, end to end: the sample service with an https port whose certificate a
# test authority signed; the test trusts that authority in this build's Wine prefix only.
kestrion_service_fixture(service_https --tls)
kestrion_wine_test(service_https service_service_https)
target_link_libraries(win_service_https PRIVATE crypt32)
