# The foundation's tests run twice: in Chinese (code page 936) and in English (1252).
kestrion_wine_test(foundation)
add_test(NAME win_foundation_english COMMAND win_foundation --gtest_filter=English*:Log*)
set_tests_properties(win_foundation_english PROPERTIES
  TIMEOUT 600
  RESOURCE_LOCK win_foundation_folder
  ENVIRONMENT "${KESTRION_WINE_ENV};KESTRION_LOCALE=en_US.UTF-8")
set_tests_properties(win_foundation PROPERTIES RESOURCE_LOCK win_foundation_folder)
