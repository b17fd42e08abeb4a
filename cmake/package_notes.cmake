# Read by cpack when it makes the package (see package.cmake): notes for the
# packager only.
if(NOT CPACK_DIZI_MSCONFIG)
  message(STATUS "DIZI_MSCONFIG is not set: the package is built without msconfig.exe "
                 "(see README.md, \"For packagers\")")
endif()
