# Compiler settings shared by the library, the tests and the benchmarks.
set(VELMOR_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
file(MAKE_DIRECTORY ${VELMOR_GENERATED_DIR})

add_compile_definitions(UNICODE _UNICODE WINVER=0x0601 _WIN32_WINNT=0x0601)
add_compile_options(
  $<$<COMPILE_LANGUAGE:CXX>:-finput-charset=UTF-8>
  $<$<COMPILE_LANGUAGE:CXX>:-fexec-charset=UTF-8>
  $<$<COMPILE_LANGUAGE:CXX>:-Wall>)
# Everything from the toolchain (libstdc++, libgcc, winpthread, zlib) is linked in statically,
# so the library and the test programs need nothing but what ships with Windows.
add_link_options(-static -static-libgcc -static-libstdc++)

set(VELMOR_MINGW_LIB /usr/${VELMOR_TRIPLE}/lib)
add_library(ZLIB::ZLIB STATIC IMPORTED GLOBAL)
set_target_properties(ZLIB::ZLIB PROPERTIES
  IMPORTED_LOCATION ${VELMOR_MINGW_LIB}/libz.a
  INTERFACE_INCLUDE_DIRECTORIES /usr/${VELMOR_TRIPLE}/include)

find_program(VELMOR_WIDL NAMES ${VELMOR_TRIPLE}-widl widl REQUIRED)
set(VELMOR_WINE_IDL_DIR /usr/include/wine/wine/windows)
set(VELMOR_WINE_TLB_DIR /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
