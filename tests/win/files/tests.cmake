# The archives are made at test time by Python's zipfile and Info-ZIP zip.
kestrion_wine_test(files files_archives)
add_test(NAME files_archives
         COMMAND python3 ${CMAKE_CURRENT_SOURCE_DIR}/win/files/make_archives.py
                 ${CMAKE_CURRENT_BINARY_DIR}/win/files/archives)
set_tests_properties(files_archives PROPERTIES FIXTURES_SETUP files_archives)
