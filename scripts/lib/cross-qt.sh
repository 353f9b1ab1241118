# Qt for Windows, cross-built with mingw-w64 from Debian's own qt6-base
# source (the version of the installed host Qt, whose moc, rcc and uic are the
# host tools). Only what the program needs: Core, Gui, Widgets, Test, the
# Windows platform plugin and the Vista style, as shared DLLs linked against
# the compiler's shared C++ runtime (libstdc++, libgcc_s_dw2, winpthread):
# i686 unwinds exceptions with DWARF-2 tables, which a runtime linked into
# each DLL separately cannot follow from one module into another.
# The result is cached under $cache_root/qt-VERSION-ARCH-HASH, HASH being
# taken from the configure line, the toolchain and the compiler version; a
# matching cache is reused as it is. Sourced after scripts/lib/common.sh.

# The installed host Qt's upstream version (6.4.2) and Debian version.
host_qt_version() { dpkg-query -W -f='${Version}' qt6-base-dev-tools; }

# What Qt's configure is given besides the prefix. Cuts: no OpenGL, Vulkan,
# D-Bus, SQL, network, XML, printing, concurrent; no HarfBuzz, FreeType,
# fontconfig or ICU (Windows shapes and draws text with DirectWrite); no
# JPEG/GIF. Debian's source lacks the tablet library: tablet events are off.
# Without Direct2D, Qt 6.4 leaves out the DirectWrite font database its
# Windows plugin would link against: fonts go through GDI (directwrite3 off).
qt_configure_options() {
    printf '%s\n' -release -shared -nomake tests -nomake examples \
        -xplatform win32-g++ -qt-host-path /usr \
        -no-opengl -no-feature-vulkan -no-dbus -no-icu -no-harfbuzz \
        -no-freetype -no-fontconfig -no-libjpeg -no-gif -no-feature-zstd \
        -qt-zlib -qt-pcre -qt-libpng -qt-doubleconversion \
        -no-feature-sql -no-feature-network -no-feature-xml \
        -no-feature-printsupport -no-feature-concurrent -no-feature-direct2d \
        -no-feature-directwrite3 -no-feature-tabletevent
}

# A toolchain of Qt's own, so that changes to the project's toolchain do not
# throw the cache away.
qt_toolchain() {
    local arch=$1
    cat <<EOF
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR $arch)
set(CMAKE_C_COMPILER $arch-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER $arch-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER $arch-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/$arch-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
EOF
}

# The cache folder for ARCH (i686 or x86_64), whether built or not.
cross_qt_prefix() {
    local arch=$1 version key
    version=$(host_qt_version)
    key=$( { qt_configure_options; qt_toolchain "$arch"; \
             "$arch-w64-mingw32-g++-posix" --version | head -n 1; } | sha256sum | cut -c1-12)
    printf '%s/qt-%s-%s-%s\n' "$cache_root" "${version%%+*}" "$arch" "$key"
}

# Builds Qt for ARCH unless the matching cache is complete; prints its prefix.
ensure_cross_qt() {
    local arch=${1:-i686} prefix source build started=$SECONDS
    prefix=$(cross_qt_prefix "$arch")
    if [ -f "$prefix/.complete" ]; then
        printf '%s\n' "$prefix"
        return 0
    fi
    source=$(ensure_source_package qt6-base "$cache_root/src" "$(host_qt_version)")
    build=$prefix.build
    rm -rf "$build" "$prefix" && mkdir -p "$build"
    qt_toolchain "$arch" >"$build/toolchain.cmake"
    say "building Qt for Windows ($arch) into $prefix; the first time takes long"
    # shellcheck disable=SC2046  # one option a line, none with spaces
    if ! (cd "$build" &&
          "$source/configure" -prefix "$prefix" $(qt_configure_options) -- \
              -G Ninja -DCMAKE_TOOLCHAIN_FILE="$build/toolchain.cmake" \
              -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake &&
          cmake --build . --parallel "${TRAMEX_JOBS:-2}" &&
          cmake --install .) >"$build/build.log" 2>&1; then
        tail -n 40 "$build/build.log" >&2
        say "the Qt build failed; its log: $build/build.log"
        return 1
    fi
    mv "$build/build.log" "$prefix/build.log"
    echo "$(((SECONDS - started) / 60)) min" >"$prefix/build-time.txt"
    rm -rf "$build"
    touch "$prefix/.complete"
    say "Qt for Windows ($arch) built in $(cat "$prefix/build-time.txt")"
    printf '%s\n' "$prefix"
}
