# The config tests run three times: on the build's prefix, which has no drive D (the whole
# program); on a prefix of their own that has a drive D, a fixed disk; and on another whose drive
# D is a CD-ROM drive and whose Program Files cannot be written (a read-only mount, as a standard
# user meets it on Windows). Linux steps around them make sure of the build prefix's dosdevices
# and set up and undo the others; the lock keeps the runs apart.
kestrion_wine_test(config)
set(_prefix ${CMAKE_BINARY_DIR}/wineprefix)
set(_prefix_d ${CMAKE_BINARY_DIR}/wineprefix-drive-d)
set(_drive ${CMAKE_CURRENT_BINARY_DIR}/win/config/drive_d)
set(_script ${CMAKE_CURRENT_LIST_DIR}/drive_d.sh)

add_test(NAME win_config_no_drive_d COMMAND ${_script} absent ${_prefix} ${_drive})
set_tests_properties(win_config_no_drive_d PROPERTIES FIXTURES_SETUP config_no_drive_d
                     RESOURCE_LOCK wine_drive_d TIMEOUT 400)
set_tests_properties(win_config PROPERTIES FIXTURES_REQUIRED config_no_drive_d
                     RESOURCE_LOCK wine_drive_d)
set_property(TEST win_config APPEND PROPERTY ENVIRONMENT KESTRION_DRIVE_D=absent)

add_test(NAME win_config_drive_d_add COMMAND ${_script} present ${_prefix_d} ${_drive})
add_test(NAME win_config_drive_d COMMAND win_config --gtest_filter=DriveD.*)
add_test(NAME win_config_drive_d_remove COMMAND ${_script} absent ${_prefix_d} ${_drive})
set_tests_properties(win_config_drive_d_add PROPERTIES FIXTURES_SETUP config_drive_d
                     RESOURCE_LOCK wine_drive_d TIMEOUT 400)
set_tests_properties(win_config_drive_d_remove PROPERTIES FIXTURES_CLEANUP config_drive_d
                     RESOURCE_LOCK wine_drive_d)
set_tests_properties(win_config_no_drive_d win_config_drive_d_add win_config_drive_d_remove
                     PROPERTIES ENVIRONMENT "KESTRION_ARCH=${KESTRION_ARCH}")
set_tests_properties(win_config_drive_d PROPERTIES
  FIXTURES_REQUIRED config_drive_d
  RESOURCE_LOCK wine_drive_d
  TIMEOUT 600
  ENVIRONMENT "${KESTRION_WINE_BASE_ENV};KESTRION_WINEPREFIX=${_prefix_d};KESTRION_DRIVE_D=present")

set(_prefix_cd ${CMAKE_BINARY_DIR}/wineprefix-drive-cd)
set(_drive_cd ${CMAKE_CURRENT_BINARY_DIR}/win/config/drive_cd)
add_test(NAME win_config_cdrom_add COMMAND ${_script} cdrom ${_prefix_cd} ${_drive_cd} readonly)
add_test(NAME win_config_cdrom COMMAND win_config --gtest_filter=DriveD.*)
add_test(NAME win_config_cdrom_remove COMMAND ${_script} absent ${_prefix_cd} ${_drive_cd} writable)
set_tests_properties(win_config_cdrom_add PROPERTIES FIXTURES_SETUP config_cdrom
                     RESOURCE_LOCK wine_drive_d TIMEOUT 400)
set_tests_properties(win_config_cdrom_remove PROPERTIES FIXTURES_CLEANUP config_cdrom
                     RESOURCE_LOCK wine_drive_d TIMEOUT 400)
set_tests_properties(win_config_cdrom_add win_config_cdrom_remove
                     PROPERTIES ENVIRONMENT "KESTRION_ARCH=${KESTRION_ARCH}")
set_tests_properties(win_config_cdrom PROPERTIES
  FIXTURES_REQUIRED config_cdrom
  RESOURCE_LOCK wine_drive_d
  TIMEOUT 600
  ENVIRONMENT "${KESTRION_WINE_BASE_ENV};KESTRION_WINEPREFIX=${_prefix_cd};KESTRION_DRIVE_D=cdrom;KESTRION_PROGRAM_FILES=readonly")
