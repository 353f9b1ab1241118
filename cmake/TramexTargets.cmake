# Small helpers shared by every folder's CMakeLists.txt.

# Adds each listed folder that has a CMakeLists.txt of its own.
function(tramex_add_subdirectories)
  foreach(dir ${ARGN})
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
      add_subdirectory(${dir})
    endif()
  endforeach()
endfunction()

# GoogleTest as GTest::gtest, GTest::gtest_main and GTest::gmock: the installed
# package, or, when TRAMEX_GTEST_SOURCE_DIR names its sources (a cross build,
# see cmake/mingw-w64.cmake), built here with the project's own compiler.
macro(tramex_find_googletest)
  if(TRAMEX_GTEST_SOURCE_DIR)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(${TRAMEX_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    foreach(lib gtest gtest_main gmock)
      if(NOT TARGET GTest::${lib})
        add_library(GTest::${lib} ALIAS ${lib})
      endif()
    endforeach()
  else()
    find_package(GTest REQUIRED)
  endif()
endmacro()

# tramex_add_test(NAME <name> SOURCES <files...> [LIBS <targets...>] [LABELS <labels...>]
#                 [TIMEOUT <seconds>] [ENVIRONMENT <VAR=value...>])
# One GoogleTest executable; each TEST becomes one CTest test. Every test runs
# under Qt's offscreen platform so windows can be created without a display.
function(tramex_add_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS;ENVIRONMENT" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  # A cross build compiles each test program as one unit: GoogleTest's
  # headers are then parsed once per program, not once per file.
  if(CMAKE_CROSSCOMPILING)
    set_target_properties(${T_NAME} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 0)
  endif()
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_compile_definitions(${T_NAME} PRIVATE
    TRAMEX_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    TRAMEX_BINARY_DIR="${PROJECT_BINARY_DIR}")
  set(test_environment "QT_QPA_PLATFORM=offscreen;${T_ENVIRONMENT}")
  if(NOT T_LABELS)
    set(T_LABELS unit)
  endif()
  gtest_discover_tests(${T_NAME}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 30
    PROPERTIES
      TIMEOUT ${T_TIMEOUT}
      LABELS "${T_LABELS}"
      ENVIRONMENT "${test_environment}")
endfunction()
