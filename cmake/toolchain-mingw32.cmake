# 32-bit Windows (x86), for the hosts that cannot load a 64-bit DLL.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(VELMOR_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
