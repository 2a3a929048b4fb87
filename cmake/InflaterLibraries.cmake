# The ZIP reader's decompressors besides zlib (libbz2, liblzma, zstd's decompressor), cross-built
# by scripts/inflater-libraries.sh from Debian's source packages into the third-party cache and
# linked statically. They need nothing of Windows beyond the C runtime.
include(${CMAKE_CURRENT_LIST_DIR}/ThirdParty.cmake)
file(SHA256 ${PROJECT_SOURCE_DIR}/scripts/debian-source.sh velmor_debian_source_hash)
velmor_third_party(VELMOR_INFLATERS_DIR inflaters inflater-libraries.sh install/complete
  ${velmor_debian_source_hash})
foreach(library bz2 lzma zstd)
  add_library(Velmor::lib${library} STATIC IMPORTED GLOBAL)
  set_target_properties(Velmor::lib${library} PROPERTIES
    IMPORTED_LOCATION ${VELMOR_INFLATERS_DIR}/install/lib/lib${library}.a
    INTERFACE_INCLUDE_DIRECTORIES ${VELMOR_INFLATERS_DIR}/install/include)
endforeach()
# lzma.h declares its functions for a DLL unless told the library is linked in.
set_target_properties(Velmor::liblzma PROPERTIES INTERFACE_COMPILE_DEFINITIONS LZMA_API_STATIC)
