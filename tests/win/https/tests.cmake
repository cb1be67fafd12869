# The requests over https, end to end: the sample service with an https port whose certificate a
# test authority signed; the test trusts that authority in this build's Wine prefix only.
kestrion_service_fixture(https --tls)
kestrion_wine_test(https service_https)
target_link_libraries(win_https PRIVATE crypt32)
