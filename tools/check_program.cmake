# Checks one built program: at most MAX_BYTES large, and importing only DLLs
# that a clean Windows XP SP3 installation has, and none of the Vista-only
# KERNEL32 functions a toolchain's runtime can pull in unnoticed.
# Run as: cmake -DPROGRAM=... -DMAX_BYTES=... -DOBJDUMP=... -P check_program.cmake
cmake_minimum_required(VERSION 3.20)

file(SIZE "${PROGRAM}" size)
if(size GREATER MAX_BYTES)
  message(FATAL_ERROR "${PROGRAM} is ${size} bytes, over its budget of ${MAX_BYTES}")
endif()

execute_process(COMMAND "${OBJDUMP}" -p "${PROGRAM}" OUTPUT_VARIABLE headers
                RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${OBJDUMP} -p ${PROGRAM} failed")
endif()

set(xp_dlls advapi32.dll comctl32.dll comdlg32.dll gdi32.dll kernel32.dll msvcrt.dll
            ole32.dll oleaut32.dll shell32.dll shlwapi.dll user32.dll version.dll)
string(REGEX MATCHALL "DLL Name: [^\r\n]+" dll_lines "${headers}")
foreach(line ${dll_lines})
  string(REGEX REPLACE "DLL Name: " "" dll "${line}")
  string(TOLOWER "${dll}" dll)
  if(NOT dll IN_LIST xp_dlls)
    message(FATAL_ERROR "${PROGRAM} imports ${dll}, which Windows XP SP3 does not have")
  endif()
endforeach()

foreach(function GetTickCount64 InitializeConditionVariable InitializeSRWLock InitOnceExecuteOnce
                 FlsAlloc GetCurrentProcessorNumber CreateSymbolicLinkA)
  if(headers MATCHES "[ \t]${function}[\r\n]")
    message(FATAL_ERROR "${PROGRAM} imports ${function}, which Windows XP does not have")
  endif()
endforeach()
message(STATUS "${PROGRAM}: ${size} bytes, imports: ${dll_lines}")
