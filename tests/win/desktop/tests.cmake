# The shortcut tests, then lnkinfo's reading of every link they kept (a Linux step).
kestrion_wine_test(desktop)
find_program(KESTRION_LNKINFO lnkinfo REQUIRED)
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set_tests_properties(win_desktop PROPERTIES FIXTURES_SETUP desktop_links)
add_test(NAME win_desktop_lnkinfo
         COMMAND Python3::Interpreter ${CMAKE_CURRENT_LIST_DIR}/check_links.py
                 ${KESTRION_LNKINFO} ${CMAKE_CURRENT_BINARY_DIR}/win/desktop/links)
set_tests_properties(win_desktop_lnkinfo PROPERTIES FIXTURES_REQUIRED desktop_links TIMEOUT 120)
