# The JPEG library and the decoder of the window's pictures.
#
# dizi_jpeg: libjpeg(-turbo) to compile and link against. The Windows build
# links the static i686 library scripts/libjpeg-i686 builds (its install prefix
# given as DIZI_LIBJPEG_ROOT, which scripts/build-windows passes); the native
# build uses the system's libjpeg (Debian's libjpeg62-turbo-dev).
#
# dizi_jpeg_picture: app/jpeg_picture.cpp, portable, built in both builds so the
# native tests exercise the code the window runs.

if(WIN32)
  set(DIZI_LIBJPEG_ROOT "" CACHE PATH "Install prefix of the static i686 libjpeg-turbo")
  if(NOT DIZI_LIBJPEG_ROOT)
    message(FATAL_ERROR "DIZI_LIBJPEG_ROOT is not set: build libjpeg with scripts/libjpeg-i686 "
                        "and pass its install prefix (scripts/build-windows does both)")
  endif()
  set(dizi_libjpeg_library ${DIZI_LIBJPEG_ROOT}/lib/libjpeg.a)
  set(dizi_libjpeg_include ${DIZI_LIBJPEG_ROOT}/include)
  if(NOT EXISTS ${dizi_libjpeg_library} OR NOT EXISTS ${dizi_libjpeg_include}/jpeglib.h)
    message(FATAL_ERROR "No static libjpeg under DIZI_LIBJPEG_ROOT=${DIZI_LIBJPEG_ROOT} "
                        "(expected lib/libjpeg.a and include/jpeglib.h); "
                        "run scripts/libjpeg-i686")
  endif()
  add_library(dizi_jpeg STATIC IMPORTED)
  set_target_properties(dizi_jpeg PROPERTIES IMPORTED_LOCATION ${dizi_libjpeg_library}
                                             INTERFACE_INCLUDE_DIRECTORIES ${dizi_libjpeg_include})
else()
  find_package(JPEG REQUIRED)
  add_library(dizi_jpeg INTERFACE)
  target_link_libraries(dizi_jpeg INTERFACE JPEG::JPEG)
endif()

add_library(dizi_jpeg_picture STATIC ${PROJECT_SOURCE_DIR}/app/jpeg_picture.cpp)
target_include_directories(dizi_jpeg_picture PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(dizi_jpeg_picture PUBLIC dizi_jpeg
                      PRIVATE dizi_warnings $<TARGET_NAME_IF_EXISTS:dizi_windows>)
