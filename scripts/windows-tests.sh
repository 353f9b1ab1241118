#!/usr/bin/env bash
# The Windows side of the suite: builds Qt for Windows unless it is cached
# (scripts/lib/cross-qt.sh; long only the first time), cross-builds the
# programs and their tests with mingw-w64 (32-bit, the shipped build) into
# build-win/, packs the zip a user installs (scripts/package-windows.sh), then,
# in a private network namespace (so nothing binds the shared loopback) with
# a display of its own:
#   - runs every test program under Wine in a Wine prefix of its own
#     (build-win/wineprefix), and uploads with tramex-ftp-put.exe to a
#     pyftpdlib server in that namespace, comparing bytes, and under TLS to
#     vsftpd there (OpenSSL for Windows is cross-built once into
#     /var/cache/tramex2, or $TRAMEX_CACHE_DIR, by scripts/lib/openssl-windows.sh);
#   - unpacks the zip into a fresh prefix and runs the program as a user
#     would (scripts/lib/windows-scenarios.sh).
# Run by scripts/test.sh; runs on its own as well (as root, for unshare).
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"
arch=${TRAMEX_WINDOWS_ARCH:-i686}
# A tree per architecture: a build tree keeps the compilers it was made with.
case $arch in
    x86_64) export TRAMEX_WIN_BUILD_DIR=${TRAMEX_WIN_BUILD_DIR:-$root/build-win64} ;;
    *) export TRAMEX_WIN_BUILD_DIR=${TRAMEX_WIN_BUILD_DIR:-$root/build-win} ;;
esac
win_dir=$TRAMEX_WIN_BUILD_DIR

if [ "${1:-}" != --inside ]; then
    source "$root/scripts/lib/cross-qt.sh"
    qt_prefix=$(ensure_cross_qt "$arch")
    source "$root/scripts/lib/openssl-windows.sh"
    openssl_prefix=$(ensure_windows_openssl "$arch")
    # minizip has no mingw-w64 package: it is built from zlib's sources.
    zlib_source=$(ensure_source_package zlib "$cache_root/src")
    say "building the Windows programs into $win_dir"
    # A tree configured before with the static runtime keeps its linker flags
    # in the cache: it starts again, as one process must have one runtime.
    if grep -qs '^CMAKE_EXE_LINKER_FLAGS:STRING=.*-static' "$win_dir/CMakeCache.txt"; then
        rm -f "$win_dir/CMakeCache.txt"
    fi
    # The shared C++ runtime, as Qt's DLLs have it (see cmake/mingw-w64.cmake).
    cmake -S "$root" -B "$win_dir" -G Ninja --toolchain "$root/cmake/mingw-w64.cmake" \
        -DTRAMEX_WINDOWS_ARCH="$arch" -DTRAMEX_WINDOWS_RUNTIME=shared -DTRAMEX_BUILD_GUI=ON \
        -DCMAKE_PREFIX_PATH="$qt_prefix" -DQT_HOST_PATH=/usr \
        -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DOPENSSL_ROOT_DIR="$openssl_prefix" \
        -DTRAMEX_MINIZIP_SOURCE_DIR="$zlib_source/contrib/minizip" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" >/dev/null
    # -O2: GCC 12's -O3 warns falsely (-Wrestrict) inside std::string.
    cmake --build "$win_dir" -j"${TRAMEX_JOBS:-2}"
    "$root/scripts/package-windows.sh"
    exec unshare --net --mount -- "$0" --inside "$qt_prefix"
fi
qt_prefix=$2

source "$root/scripts/lib/windows-run.sh"
source "$root/scripts/lib/windows-display.sh"
source "$root/scripts/lib/windows-scenarios.sh"
source "$root/scripts/lib/windows-ftps-check.sh"
ip link set lo up
# No name server is reachable in here; names resolve from the hosts file alone,
# so an unknown name is "not found" at once (the mount is private to here).
printf 'hosts: files\n' >"$win_dir/nsswitch.conf"
mount --bind "$win_dir/nsswitch.conf" /etc/nsswitch.conf
export WINEPREFIX=$win_dir/wineprefix WINEDEBUG=-all
# Wine turns the Unix command line into UTF-16 in the locale's encoding.
export LC_ALL=C.UTF-8
trap 'wineserver -k 2>/dev/null || true; stop_ftp_server; stop_tls_servers; stop_display' EXIT

# Wine's desktop draws on this display from its first start.
start_display "$win_dir/scenarios"
# Mono and Gecko are not needed: without them wineboot asks nothing.
export WINEDLLOVERRIDES="mscoree,mshtml="
start_wine
# The test programs find Qt's and the C++ runtime's DLLs through WINEPATH;
# Qt finds its plugins beside its DLLs.
compiler=$arch-w64-mingw32-g++-posix
export WINEPATH="$(windows_path "$qt_prefix/bin");$(windows_path "$(dirname "$("$compiler" -print-file-name=libstdc++-6.dll)")");$(windows_path "/usr/$arch-w64-mingw32/lib")"
run_test_programs "$win_dir/tests"
check_ftp_put "$win_dir/tramex-ftp-put.exe"
check_ftp_put_tls "$win_dir/tramex-ftp-put.exe"
wineserver -k
unset WINEPATH
run_program_scenarios "$win_dir/$(cd "$win_dir" && ls Tramex2-windows-*.zip)" "$arch-w64-mingw32-objdump"
say "Windows tests passed"
