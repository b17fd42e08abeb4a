# The companion programs' portable parts: kill.exe's command line and choice of
# processes, fservice.exe's autostart matching, list rewriting and report lines
# (with a corpus of real-world-shaped values); and the read-me shipped with them.
include(${PROJECT_SOURCE_DIR}/tools/portable.cmake)

add_executable(tools_tests
  ${CMAKE_CURRENT_LIST_DIR}/kill_arguments_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/kill_decision_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/autostart_command_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/autostart_corpus_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/program_list_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/report_line_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/undo_text_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/user_hives_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/readme_test.cpp
)
# The read-me shipped beside the program is checked against the tables it lists.
target_compile_definitions(tools_tests PRIVATE DIZI_ASSETS_DIR="${PROJECT_SOURCE_DIR}/assets")
target_link_libraries(tools_tests PRIVATE dizi_tools_portable dizi_warnings GTest::gtest_main)
gtest_discover_tests(tools_tests)
