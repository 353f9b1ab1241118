# minizip, the zip reader of zlib's contrib folder, as tramex::minizip: the
# system's package (pkg-config minizip), or, in a cross build where
# TRAMEX_MINIZIP_SOURCE_DIR names contrib/minizip of zlib's sources, built
# here against the cross compiler's zlib (the Windows file layer included).
function(tramex_find_minizip)
  if(TARGET tramex::minizip)
    return()
  endif()
  find_package(ZLIB REQUIRED GLOBAL)
  if(TRAMEX_MINIZIP_SOURCE_DIR)
    set(sources unzip.c zip.c ioapi.c)
    if(WIN32)
      list(APPEND sources iowin32.c)
    endif()
    list(TRANSFORM sources PREPEND ${TRAMEX_MINIZIP_SOURCE_DIR}/)
    add_library(tramex_minizip STATIC ${sources})
    target_include_directories(tramex_minizip SYSTEM PUBLIC ${TRAMEX_MINIZIP_SOURCE_DIR})
    # No encrypted archives; zlib's contrib code is not ours to warn about.
    target_compile_definitions(tramex_minizip PUBLIC NOUNCRYPT NOCRYPT)
    target_compile_options(tramex_minizip PRIVATE -w)
    target_link_libraries(tramex_minizip PUBLIC ZLIB::ZLIB)
    add_library(tramex::minizip ALIAS tramex_minizip)
  else()
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(MINIZIP REQUIRED IMPORTED_TARGET GLOBAL minizip)
    add_library(tramex::minizip ALIAS PkgConfig::MINIZIP)
  endif()
endfunction()
