# Our layer over Win32 runs twice: in Chinese (code page 936) and in English (1252).
kestrion_wine_test(win)
add_test(NAME win_win_english COMMAND win_win --gtest_filter=English*)
set_tests_properties(win_win_english PROPERTIES
  TIMEOUT 600
  RESOURCE_LOCK win_win_folder
  ENVIRONMENT "${KESTRION_WINE_ENV};KESTRION_LOCALE=en_US.UTF-8")
set_tests_properties(win_win PROPERTIES RESOURCE_LOCK win_win_folder)
