# Cross-compiling for Windows with MinGW-w64 (x86_64).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZIVRO_MINGW_PREFIX x86_64-w64-mingw32)
# The POSIX thread model: its C++ library has std::mutex and std::thread,
# which GoogleTest needs (winpthread is linked statically).
set(CMAKE_C_COMPILER ${ZIVRO_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZIVRO_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${ZIVRO_MINGW_PREFIX}-windres)

# Libraries and headers from the MinGW-w64 sysroot only; programs from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${ZIVRO_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
