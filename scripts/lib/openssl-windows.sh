# Sourced after common.sh: OpenSSL 3 for the Windows programs, cross-built
# from Debian's own openssl source package into static libraries (nothing to
# ship beside the programs), once per source version, target and compiler.

# Only what an FTPS client needs: no programs, tests, engines, loadable
# modules or legacy algorithms. Nothing on the workstation may change how the
# programs use TLS: nothing is ever loaded from a folder (no-dso), and no
# configuration file is read (the programs also say so before their first
# TLS call, as some calls of OpenSSL 3.0 load it regardless).
openssl_windows_options=(no-shared no-module no-dso no-engine no-legacy no-tests
    no-autoload-config no-comp no-srp no-ssl3 no-dtls no-sctp no-ui-console)
# The folders compiled into the library: by default this machine's build
# prefix, which Windows would read as a folder on the current drive that any
# user may create; these only administrators can write to.
openssl_windows_folders=("OPENSSLDIR=C:/Program Files/Common Files/SSL"
    "ENGINESDIR=C:/Program Files/Common Files/SSL/engines"
    "MODULESDIR=C:/Program Files/Common Files/SSL/modules")

# Prints the prefix (include/, lib/) of OpenSSL built for ARCH (i686 or
# x86_64), building it under $cache_root when no build of the same
# source, options and compiler is there yet.
ensure_windows_openssl() {
    local arch=${1:-i686} cache=$cache_root
    local source version target compiler key prefix
    case $arch in
        i686) target=mingw ;;
        x86_64) target=mingw64 ;;
        *) say "no OpenSSL target for the Windows architecture $arch"; return 1 ;;
    esac
    source=$(ensure_source_package openssl "$cache/src") || return 1
    version=$(basename "$source")
    compiler=$("$arch-w64-mingw32-gcc-posix" --version | head -n 1)
    key=$(printf '%s\n' "without pic.patch $target CC=gcc-posix ${openssl_windows_options[*]} ${openssl_windows_folders[*]}" "$compiler" | sha256sum | cut -c 1-12)
    prefix=$cache/$version-$arch-$key
    # Test runs of several work trees share the cache: one builds, the
    # others wait for it (at most half an hour) and reuse the result.
    (
        flock -w 1800 9 || { say "waited 30 minutes for another build of $prefix"; exit 1; }
        [ -f "$prefix/.built" ] || build_windows_openssl "$source" "$target" "$arch" "$prefix" >&2
    ) 9>"$prefix.lock" || return 1
    printf '%s\n' "$prefix"
}

build_windows_openssl() {
    local source=$1 target=$2 arch=$3 prefix=$4 work started=$SECONDS
    work=$prefix.build
    say "cross-building $(basename "$source") for $arch Windows into $prefix"
    rm -rf "$work" "$prefix"
    mkdir -p "$work/build"
    # Debian's pic patch makes the 32-bit assembler reach data through an ELF
    # global offset table, which Windows objects cannot express: a copy of
    # the source without it.
    cp -a "$source" "$work/source"
    patch -d "$work/source" -R -p1 -s <"$source/debian/patches/pic.patch" \
        || { say "could not take Debian's pic patch out of $work/source"; return 1; }
    (
        cd "$work/build"
        # The compiler of the POSIX thread model, the one the programs use.
        perl "$work/source/Configure" "$target" --cross-compile-prefix="$arch-w64-mingw32-" CC=gcc-posix \
            --prefix="$prefix" --libdir=lib "${openssl_windows_options[@]}" >configure.log 2>&1 \
            || { cat configure.log; exit 1; }
        make -j"${TRAMEX_JOBS:-2}" "${openssl_windows_folders[@]}" build_libs >make.log 2>&1 \
            || { tail -n 40 make.log; exit 1; }
        make install_dev >install.log 2>&1 || { tail -n 40 install.log; exit 1; }
    ) || { say "the OpenSSL build failed; its logs are in $work"; return 1; }
    rm -rf "$work"
    touch "$prefix/.built"
    say "OpenSSL for $arch Windows built in $((SECONDS - started)) s"
}
