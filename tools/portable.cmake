# The companion programs' portable parts (argument handling, process choice,
# image file matching, what to leave running and the report lines of kill.exe;
# autostart matching, list rewriting and report lines of fservice.exe): built
# into the programs and, natively, into their unit tests.
add_library(dizi_tools_portable STATIC
  ${CMAKE_CURRENT_LIST_DIR}/kill/kill_arguments.cpp
  ${CMAKE_CURRENT_LIST_DIR}/kill/process_choice.cpp
  ${CMAKE_CURRENT_LIST_DIR}/kill/image_match.cpp
  ${CMAKE_CURRENT_LIST_DIR}/kill/process_verdict.cpp
  ${CMAKE_CURRENT_LIST_DIR}/kill/kill_report.cpp
  # Windows' own process names, as the scan keeps them.
  ${PROJECT_SOURCE_DIR}/scan/image_names.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fservice/family_names.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fservice/wide_buffer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fservice/program_path.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fservice/machine_lookup.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fservice/autostart_command.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fservice/program_list.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fservice/autostart_value.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fservice/report_line.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fservice/undo_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fservice/hive_outcome.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fservice/profile_judge.cpp
)
# The engine's signature tables come from its header alone (scan/signatures.h):
# linking the engine would bring the C++ runtime's exception support along.
target_include_directories(dizi_tools_portable PUBLIC ${CMAKE_CURRENT_LIST_DIR} ${PROJECT_SOURCE_DIR})
target_link_libraries(dizi_tools_portable PRIVATE dizi_warnings)
