# Cross-building the Windows programs on Debian with mingw-w64's POSIX thread
# model, the one whose C++ runtime has std::thread and std::mutex.
# TRAMEX_WINDOWS_ARCH picks the target: i686 (the default and the shipped
# build: the ERP and its fbclient.dll are 32-bit) or x86_64, and
# TRAMEX_WINDOWS_RUNTIME how the C++ runtime is linked (see below). Wine runs
# what is built (tests, discovery):
#   cmake --toolchain cmake/mingw-w64.cmake [-DTRAMEX_WINDOWS_ARCH=x86_64]

# A choice given with -D, else from the environment (try_compile projects
# read the toolchain again and get it from there), else the default; one of
# the allowed values or the configuration stops.
macro(tramex_toolchain_choice name default)
  if(NOT ${name})
    set(${name} "$ENV{${name}}")
  endif()
  if(NOT ${name})
    set(${name} ${default})
  endif()
  set(tramex_allowed ${ARGN})
  if(NOT "${${name}}" IN_LIST tramex_allowed)
    message(FATAL_ERROR "${name} must be one of ${tramex_allowed}, not ${${name}}")
  endif()
  set(ENV{${name}} ${${name}})
  list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ${name})
endmacro()

tramex_toolchain_choice(TRAMEX_WINDOWS_ARCH i686 i686 x86_64)

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${TRAMEX_WINDOWS_ARCH})

set(TRAMEX_MINGW_PREFIX ${TRAMEX_WINDOWS_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER ${TRAMEX_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TRAMEX_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TRAMEX_MINGW_PREFIX}-windres)

# Libraries built here for Windows (under CMAKE_PREFIX_PATH) count as well as
# the cross compiler's own folder.
set(CMAKE_FIND_ROOT_PATH /usr/${TRAMEX_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# TRAMEX_WINDOWS_RUNTIME: "static" (the default) links the C and C++ runtimes
# into each program, which then runs on its own; "shared" links their DLLs
# (libstdc++-6, libgcc_s, libwinpthread-1), as the Qt DLLs do: a process has
# one C++ runtime, and exceptions unwind through every module of it.
tramex_toolchain_choice(TRAMEX_WINDOWS_RUNTIME static static shared)
if(TRAMEX_WINDOWS_RUNTIME STREQUAL static)
  set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
endif()

find_program(TRAMEX_WINE NAMES wine)
if(TRAMEX_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TRAMEX_WINE})
endif()

# Debian's googletest package holds the sources, built here for Windows.
set(TRAMEX_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources to build")
