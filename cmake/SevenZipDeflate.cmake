# The Deflate64 decoder: 7-Zip's Deflate decoder (which reads Deflate64 too) and the few files of
# 7-Zip it stands on, compiled from Debian's 7zip source package as the static library
# velmor_7zip_deflate, for the Windows and the native builds alike. The source is fetched by
# scripts/debian-source.sh into the third-party cache once per machine: it does not depend on
# the toolchain, so its folder is named after the script's content alone.
include_guard(GLOBAL)
include(${CMAKE_CURRENT_LIST_DIR}/ThirdParty.cmake)
set(velmor_source_script ${CMAKE_CURRENT_LIST_DIR}/../scripts/debian-source.sh)
file(SHA256 ${velmor_source_script} velmor_source_hash)
string(SUBSTRING ${velmor_source_hash} 0 12 velmor_source_hash)
set(VELMOR_SOURCES_DIR ${VELMOR_THIRD_PARTY_CACHE}/sources-${velmor_source_hash})
if(NOT EXISTS ${VELMOR_SOURCES_DIR}/.7zip.unpacked)
  file(MAKE_DIRECTORY ${VELMOR_THIRD_PARTY_CACHE})
  file(LOCK ${VELMOR_SOURCES_DIR}.lock TIMEOUT 3600 RESULT_VARIABLE velmor_source_lock)
  if(NOT EXISTS ${VELMOR_SOURCES_DIR}/.7zip.unpacked)
    message(STATUS "Fetching Debian's 7zip source into ${VELMOR_SOURCES_DIR}")
    execute_process(COMMAND ${velmor_source_script} ${VELMOR_SOURCES_DIR} 7zip
      RESULT_VARIABLE velmor_source_result)
    if(NOT velmor_source_result EQUAL 0)
      message(FATAL_ERROR "debian-source.sh 7zip failed: ${velmor_source_result}")
    endif()
  endif()
  file(LOCK ${VELMOR_SOURCES_DIR}.lock RELEASE)
endif()

set(velmor_7zip ${VELMOR_SOURCES_DIR}/7zip)
add_library(velmor_7zip_deflate STATIC
  ${velmor_7zip}/CPP/7zip/Compress/DeflateDecoder.cpp
  ${velmor_7zip}/CPP/7zip/Compress/LzOutWindow.cpp
  ${velmor_7zip}/CPP/7zip/Compress/BitlDecoder.cpp
  ${velmor_7zip}/CPP/7zip/Common/InBuffer.cpp
  ${velmor_7zip}/CPP/7zip/Common/OutBuffer.cpp
  ${velmor_7zip}/C/Alloc.c)
# Not this project's code: its own warnings are not ours to fix, and its unaligned loads are
# intended (AddressSanitizer still watches it where the native build has one).
target_compile_options(velmor_7zip_deflate PRIVATE -w)
if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  target_compile_options(velmor_7zip_deflate PRIVATE -fno-sanitize=undefined)
endif()
target_include_directories(velmor_7zip_deflate SYSTEM PUBLIC ${velmor_7zip}/CPP)
if(WIN32)
  # IID_IUnknown, which 7-Zip's COM-style interfaces refer to.
  target_link_libraries(velmor_7zip_deflate PUBLIC uuid)
endif()
