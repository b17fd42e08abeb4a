# The main window's portable parts: the About text, the fitting of the
# background picture into its box, the tab order and the restore window's
# texts; and the command line with its usage text.
add_executable(app_portable_tests
  ${CMAKE_CURRENT_LIST_DIR}/about_text_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/picture_fit_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tab_order_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/restore_texts_test.cpp
  ${PROJECT_SOURCE_DIR}/app/about_text.cpp
  ${PROJECT_SOURCE_DIR}/app/picture_fit.cpp
  ${CMAKE_CURRENT_LIST_DIR}/command_line_test.cpp
  ${PROJECT_SOURCE_DIR}/app/command_line.cpp
  ${PROJECT_SOURCE_DIR}/app/usage_text.cpp
  ${PROJECT_SOURCE_DIR}/app/restore_texts.cpp
)
target_include_directories(app_portable_tests PRIVATE ${PROJECT_SOURCE_DIR})
# The documents that list the exit codes.
target_compile_definitions(app_portable_tests PRIVATE DIZI_ASSETS_DIR="${PROJECT_SOURCE_DIR}/assets"
                           DIZI_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
target_link_libraries(app_portable_tests PRIVATE dizi_engine dizi_warnings GTest::gtest_main)
gtest_discover_tests(app_portable_tests)
