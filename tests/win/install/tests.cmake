# The archives are made at test time by Python's zipfile and Info-ZIP zip.
kestrion_wine_test(install install_archives)
add_test(NAME install_archives
         COMMAND python3 ${CMAKE_CURRENT_SOURCE_DIR}/win/install/make_archives.py
                 ${CMAKE_CURRENT_BINARY_DIR}/win/install/archives)
set_tests_properties(install_archives PROPERTIES FIXTURES_SETUP install_archives)
