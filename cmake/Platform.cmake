# Compiler settings shared by the library, the tests and the benchmarks.
set(VELMOR_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
file(MAKE_DIRECTORY ${VELMOR_GENERATED_DIR})

add_compile_definitions(UNICODE _UNICODE WINVER=0x0601 _WIN32_WINNT=0x0601)
add_compile_options(
  $<$<COMPILE_LANGUAGE:CXX>:-finput-charset=UTF-8>
  $<$<COMPILE_LANGUAGE:CXX>:-fexec-charset=UTF-8>
  -Wall -Werror)
# Both bitnesses build from the same sources: a pointer kept in a narrower integer is an error.
add_compile_options(-Wint-to-pointer-cast $<$<COMPILE_LANGUAGE:C>:-Wpointer-to-int-cast>)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(VELMOR_ARCH x86)
  set(VELMOR_WIDL_FLAGS -m32 --win32)
  # Doubles in SSE2 registers, as on x64: x87's 80-bit intermediates would let one position,
  # converted twice, give two different distances.
  add_compile_options(-msse2 -mfpmath=sse)
  # COM looks the entry points up by their plain names: no stdcall decoration on exports.
  add_link_options(-Wl,--kill-at -Wl,--enable-stdcall-fixup)
else()
  set(VELMOR_ARCH x64)
  set(VELMOR_WIDL_FLAGS -m64 --win64)
endif()
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
