# The decoder of the window's JPEG pictures, run against the system's libjpeg
# on the real pictures in assets/ and on pictures the tests encode themselves.
add_executable(jpeg_picture_tests ${CMAKE_CURRENT_LIST_DIR}/jpeg_picture_test.cpp)
target_compile_definitions(jpeg_picture_tests PRIVATE DIZI_ASSETS_DIR="${PROJECT_SOURCE_DIR}/assets")
target_link_libraries(jpeg_picture_tests PRIVATE dizi_jpeg_picture dizi_jpeg dizi_warnings
                      GTest::gtest_main)
gtest_discover_tests(jpeg_picture_tests)
