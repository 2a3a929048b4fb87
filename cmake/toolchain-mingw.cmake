# Cross-compiling for Windows with Debian's mingw-w64 (posix thread model). The two toolchain
# files set VELMOR_TRIPLE and CMAKE_SYSTEM_PROCESSOR, then include this one.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${VELMOR_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELMOR_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VELMOR_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${VELMOR_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
