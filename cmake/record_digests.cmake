# Writes the header that records the SHA-256 of the files shipped beside
# DiziTarvix.exe, run by the build once they are linked (cmake -P):
#
#   cmake -DOUTPUT=HEADER -DKILL_TOOL=FILE -DREPAIR_PROGRAM=FILE [-DMSCONFIG=FILE]
#         -P record_digests.cmake
#
# Without MSCONFIG the header records no clean msconfig.exe, and the program
# copies none.

function(dizi_digest_macro name file result)
  file(SHA256 "${file}" digest)
  get_filename_component(shown "${file}" NAME)
  string(REGEX REPLACE "(..)" "0x\\1, " bytes "${digest}")
  string(REGEX REPLACE ", $" "" bytes "${bytes}")
  set(${result} "// ${shown}\n#define ${name} {${bytes}}\n" PARENT_SCOPE)
endfunction()

foreach(required OUTPUT KILL_TOOL REPAIR_PROGRAM)
  if(NOT ${required})
    message(FATAL_ERROR "record_digests.cmake: ${required} is not given")
  endif()
endforeach()

dizi_digest_macro(DIZI_KILL_TOOL_SHA256 "${KILL_TOOL}" kill_tool)
dizi_digest_macro(DIZI_REPAIR_PROGRAM_SHA256 "${REPAIR_PROGRAM}" repair_program)
set(msconfig "")
if(MSCONFIG)
  dizi_digest_macro(DIZI_MSCONFIG_SHA256 "${MSCONFIG}" msconfig)
endif()

file(WRITE "${OUTPUT}"
     "// Written by the build (cmake/record_digests.cmake); not to be edited or kept.\n"
     "#pragma once\n\n${kill_tool}${repair_program}${msconfig}")
