# The log runs twice: in Chinese (code page 936) and in English (1252).
kestrion_wine_test(log)
add_test(NAME win_log_english COMMAND win_log)
set_tests_properties(win_log_english PROPERTIES
  TIMEOUT 600
  RESOURCE_LOCK win_log_folder
  ENVIRONMENT "${KESTRION_WINE_ENV};KESTRION_LOCALE=en_US.UTF-8")
set_tests_properties(win_log PROPERTIES RESOURCE_LOCK win_log_folder)
