#!/usr/bin/env bash
# The Windows side of the suite: cross-builds the Qt-free programs and their
# tests with mingw-w64 into build-win/, then, in a private network namespace
# (so nothing binds the shared loopback), runs every test program under Wine
# in a Wine prefix of its own (build-win/wineprefix) and uploads with
# tramex-ftp-put.exe to a pyftpdlib server in that namespace, comparing bytes,
# and under TLS to vsftpd there. OpenSSL for Windows is cross-built once into
# /var/cache/tramex2 (scripts/lib/openssl-windows.sh).
# Run by scripts/test.sh; runs on its own as well (as root, for unshare).
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"
win_dir=${TRAMEX_WIN_BUILD_DIR:-$root/build-win}

if [ "${1:-}" != --inside ]; then
    source "$root/scripts/lib/openssl-windows.sh"
    openssl_prefix=$(ensure_windows_openssl "${TRAMEX_WINDOWS_ARCH:-i686}")
    # minizip has no mingw-w64 package: it is built from zlib's sources.
    zlib_source=$(ensure_source_package zlib /var/cache/tramex2/src)
    say "building the Windows programs into $win_dir"
    cmake -S "$root" -B "$win_dir" -G Ninja --toolchain "$root/cmake/mingw-w64.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
        -DOPENSSL_ROOT_DIR="$openssl_prefix" \
        -DTRAMEX_MINIZIP_SOURCE_DIR="$zlib_source/contrib/minizip" \
        -DTRAMEX_BUILD_GUI=OFF >/dev/null
    # -O2: GCC 12's -O3 warns falsely (-Wrestrict) inside std::string.
    cmake --build "$win_dir" -j"${TRAMEX_JOBS:-2}"
    exec unshare --net --mount -- "$0" --inside
fi

source "$root/scripts/lib/windows-run.sh"
source "$root/scripts/lib/windows-ftps-check.sh"
ip link set lo up
# No name server is reachable in here; names resolve from the hosts file alone,
# so an unknown name is "not found" at once (the mount is private to here).
printf 'hosts: files\n' >"$win_dir/nsswitch.conf"
mount --bind "$win_dir/nsswitch.conf" /etc/nsswitch.conf
export WINEPREFIX=$win_dir/wineprefix WINEDEBUG=-all
# Wine turns the Unix command line into UTF-16 in the locale's encoding.
export LC_ALL=C.UTF-8
trap 'wineserver -k 2>/dev/null || true; stop_ftp_server; stop_tls_servers' EXIT

start_wine
run_test_programs "$win_dir/tests"
check_ftp_put "$win_dir/tramex-ftp-put.exe"
check_ftp_put_tls "$win_dir/tramex-ftp-put.exe"
say "Windows tests passed"
