# The whole program in a real window: packages made around the stand-in client, a sample
# service serving them, the installer driven by win_e2e.exe, then lnkinfo's reading of the
# shortcuts it kept (the Linux step the shortcut tests use too).
set(_e2e ${CMAKE_CURRENT_BINARY_DIR}/win/e2e)
find_package(Python3 REQUIRED COMPONENTS Interpreter)
find_program(KESTRION_LNKINFO lnkinfo REQUIRED)
add_test(NAME e2e_packages
         COMMAND Python3::Interpreter ${CMAKE_CURRENT_LIST_DIR}/make_packages.py
                 $<TARGET_FILE:standin_client> ${_e2e}/packages)
add_test(NAME e2e_clean COMMAND ${CMAKE_COMMAND} -E rm -rf ${_e2e}/links)
set_tests_properties(e2e_packages e2e_clean PROPERTIES FIXTURES_SETUP e2e_files TIMEOUT 60)
# The read-only folder and the small disk of the fault cases, mounted from the Linux side.
add_test(NAME e2e_mounts_up COMMAND ${CMAKE_CURRENT_LIST_DIR}/mounts.sh up ${_e2e}/mounts)
add_test(NAME e2e_mounts_down COMMAND ${CMAKE_CURRENT_LIST_DIR}/mounts.sh down ${_e2e}/mounts)
set_tests_properties(e2e_mounts_up PROPERTIES FIXTURES_SETUP e2e_mounts TIMEOUT 60)
set_tests_properties(e2e_mounts_down PROPERTIES FIXTURES_CLEANUP e2e_mounts TIMEOUT 60)
kestrion_service_fixture(e2e --files ${_e2e}/packages)
set_tests_properties(service_e2e_start PROPERTIES DEPENDS e2e_packages)
kestrion_wine_test(e2e service_e2e e2e_files e2e_mounts)
set_tests_properties(win_e2e PROPERTIES FIXTURES_SETUP e2e_links TIMEOUT 1200)
add_test(NAME win_e2e_lnkinfo
         COMMAND Python3::Interpreter ${CMAKE_CURRENT_LIST_DIR}/../desktop/check_links.py
                 ${KESTRION_LNKINFO} ${_e2e}/links)
set_tests_properties(win_e2e_lnkinfo PROPERTIES FIXTURES_REQUIRED e2e_links TIMEOUT 120)
# The dialog once more in English (code page 1252), for its picture.
add_test(NAME win_e2e_english COMMAND win_e2e --gtest_filter=EndToEnd.Screenshot)
set_tests_properties(win_e2e_english PROPERTIES
  TIMEOUT 300
  FIXTURES_REQUIRED "service_e2e;e2e_files"
  RESOURCE_LOCK win_e2e_folder
  ENVIRONMENT "${KESTRION_WINE_ENV};KESTRION_LOCALE=en_US.UTF-8")
set_tests_properties(win_e2e PROPERTIES RESOURCE_LOCK win_e2e_folder)
# Kills at random points of install, reinstall and upgrade runs (scripts/kill-test runs more).
add_test(NAME win_e2e_kill COMMAND win_e2e --gtest_filter=Kill.*)
set_tests_properties(win_e2e_kill PROPERTIES
  TIMEOUT 900
  FIXTURES_REQUIRED "service_e2e;e2e_files"
  RESOURCE_LOCK win_e2e_folder
  ENVIRONMENT "${KESTRION_WINE_ENV};KESTRION_KILL_POINTS=30")
