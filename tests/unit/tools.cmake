# The companion programs' portable parts: kill.exe's command line and choice of
# processes, fservice.exe's autostart matching and Winlogon list rewriting; and
# the read-me shipped with them.
include(${PROJECT_SOURCE_DIR}/tools/portable.cmake)

add_executable(tools_tests
  ${CMAKE_CURRENT_LIST_DIR}/kill_arguments_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/autostart_command_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/winlogon_list_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/readme_test.cpp
)
# The read-me shipped beside the program is checked against the tables it lists.
target_compile_definitions(tools_tests PRIVATE DIZI_ASSETS_DIR="${PROJECT_SOURCE_DIR}/assets")
target_link_libraries(tools_tests PRIVATE dizi_tools_portable dizi_warnings GTest::gtest_main)
gtest_discover_tests(tools_tests)
