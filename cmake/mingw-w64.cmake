# Cross-building the Windows programs (64-bit) on Debian with mingw-w64's
# POSIX thread model, the one whose C++ runtime has std::thread and std::mutex.
# The runtime is linked statically, so a program runs without extra DLLs, and
# Wine runs what is built (tests, discovery): cmake --toolchain cmake/mingw-w64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TRAMEX_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TRAMEX_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TRAMEX_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TRAMEX_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TRAMEX_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

find_program(TRAMEX_WINE NAMES wine wine64)
if(TRAMEX_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TRAMEX_WINE})
endif()

# Debian's googletest package holds the sources, built here for Windows.
set(TRAMEX_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources to build")
