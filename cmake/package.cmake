# The shipped folder and the release package (Windows build only).
#
# ${CMAKE_BINARY_DIR}/bin is the shipped folder as the build leaves it: the
# programs are linked there and the read-me is copied there, so it runs as it
# is once a clean msconfig.exe is put beside them.
#
#   cmake --build build/windows --target package
#
# makes DiziTarvix-<major>.<minor>-win32.zip in the build folder, holding one
# folder DiziTarvix-<major>.<minor>/ with DiziTarvix.exe, kill.exe,
# fservice.exe, "ReadMe First.txt" and, when DIZI_MSCONFIG names it, the clean
# msconfig.exe. The test stand-in for msconfig.exe is never packaged.

set(DIZI_MSCONFIG "" CACHE FILEPATH
    "A clean msconfig.exe to ship, taken from a clean Windows installation of the version the package is for; empty: the package is built without it")

set(dizi_release DiziTarvix-${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR})
set(dizi_readme_name "ReadMe First.txt")
set(dizi_readme_source "${PROJECT_SOURCE_DIR}/assets/${dizi_readme_name}")
set(dizi_readme_shipped "${CMAKE_BINARY_DIR}/bin/${dizi_readme_name}")

add_custom_command(OUTPUT "${dizi_readme_shipped}"
                   COMMAND ${CMAKE_COMMAND} -E copy "${dizi_readme_source}" "${dizi_readme_shipped}"
                   DEPENDS "${dizi_readme_source}"
                   COMMENT "Copying the read-me into the shipped folder" VERBATIM)
add_custom_target(dizi_readme ALL DEPENDS "${dizi_readme_shipped}")

# Everything shipped goes into one install component, the only one packaged.
if(TARGET DiziTarvix)
  install(TARGETS DiziTarvix RUNTIME DESTINATION ${dizi_release} COMPONENT shipped)
else()
  message(WARNING "The main program's target DiziTarvix does not exist yet: "
                  "the package is built without DiziTarvix.exe")
endif()
install(TARGETS kill fservice RUNTIME DESTINATION ${dizi_release} COMPONENT shipped)
install(FILES "${dizi_readme_source}" DESTINATION ${dizi_release} COMPONENT shipped)

if(DIZI_MSCONFIG)
  if(NOT EXISTS "${DIZI_MSCONFIG}" OR IS_DIRECTORY "${DIZI_MSCONFIG}")
    message(FATAL_ERROR "DIZI_MSCONFIG=${DIZI_MSCONFIG} is not a file")
  endif()
  file(STRINGS "${DIZI_MSCONFIG}" dizi_stand_in_label REGEX "DIZITARVIX TEST STAND-IN" LIMIT_COUNT 1)
  if(dizi_stand_in_label)
    message(FATAL_ERROR "DIZI_MSCONFIG=${DIZI_MSCONFIG} is the test stand-in, not a clean "
                        "msconfig.exe; it must never be shipped")
  endif()
  install(FILES "${DIZI_MSCONFIG}" DESTINATION ${dizi_release} RENAME msconfig.exe
          COMPONENT shipped)
  message(STATUS "Packaging the clean msconfig.exe from ${DIZI_MSCONFIG}")
endif()
# What the package is made without is said when it is made (cpack reads this
# file), not on every build.
set(CPACK_DIZI_MSCONFIG "${DIZI_MSCONFIG}")
set(CPACK_PROJECT_CONFIG_FILE "${CMAKE_CURRENT_LIST_DIR}/package_notes.cmake")

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME DiziTarvix)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR})
set(CPACK_PACKAGE_FILE_NAME ${dizi_release}-win32)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
# The one folder inside the archive is the install destination itself.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};shipped;/")
include(CPack)
