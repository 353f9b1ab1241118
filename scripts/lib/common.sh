# Shared by scripts/test.sh and scripts/demo.sh: install what is missing, build.
# Sourced, not run.

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
# What is built once and reused across runs and clones: Qt and OpenSSL for
# Windows, and the Debian source packages they come from.
cache_root=${TRAMEX_CACHE_DIR:-/var/cache/tramex2}
build_dir=${TRAMEX_BUILD_DIR:-$root/build}

say() { printf '== %s\n' "$*" >&2; }

# Installs the Debian packages named in the given lists (one name per line,
# '#' starts a comment) that are not installed yet.
ensure_packages() {
    local wanted=() missing=() pkg list
    for list in "$@"; do
        while read -r pkg; do
            pkg=${pkg%%#*}; pkg=${pkg//[[:space:]]/}
            [ -n "$pkg" ] && wanted+=("$pkg")
        done < "$list"
    done
    for pkg in "${wanted[@]}"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' \
            || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    say "installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    for pkg in "${missing[@]}"; do
        case $pkg in
            *:i386) dpkg --print-foreign-architectures | grep -qx i386 \
                        || dpkg --add-architecture i386 ;;
        esac
    done
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

build_project() {
    say "building into $build_dir"
    cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$build_dir" -j"${TRAMEX_JOBS:-2}"
}

# Unpacks the source of a Debian source package into DIR/NAME-VERSION, once,
# and prints the unpacked folder. VERSION defaults to the newest version the
# mirror can deliver (the security archive may list a source it does not
# serve). The deb-src entries are made from the machine's own Debian sources.
ensure_source_package() {
    local name=$1 dir=$2 wanted=${3:-} version found
    found=$(find "$dir" -mindepth 2 -maxdepth 2 -name .unpacked -path "$dir/$name-${wanted:-*}/*" 2>/dev/null | sort -V | tail -n 1)
    if [ -z "$found" ]; then
        ensure_deb_src
        command -v dpkg-source >/dev/null || ensure_packages_named dpkg-dev
        for version in ${wanted:-$(apt-cache showsrc "$name" | sed -n 's/^Version: //p' | sort -V -r -u)}; do
            local unpacked=$dir/$name-${version#*:}
            rm -rf "$unpacked" && mkdir -p "$unpacked"
            say "fetching the source of $name $version"
            if (cd "$unpacked" && apt-get source -qq "$name=$version" >/dev/null 2>&1); then
                touch "$unpacked/.unpacked"
                found=$unpacked/.unpacked
                break
            fi
            rm -rf "$unpacked"
        done
        [ -n "$found" ] || { say "could not fetch the source of $name"; return 1; }
    fi
    find "$(dirname "$found")" -mindepth 1 -maxdepth 1 -type d | head -n 1
}

# deb-src lines for the Debian sources this machine installs from.
ensure_deb_src() {
    local list=/etc/apt/sources.list.d/tramex-src.sources
    [ -f "$list" ] && return 0
    [ -f /etc/apt/sources.list.d/debian.sources ] || { say "no /etc/apt/sources.list.d/debian.sources to take deb-src from"; return 1; }
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources >"$list"
    apt-get update -qq
}

ensure_packages_named() {
    local list
    list=$(mktemp)
    printf '%s\n' "$@" >"$list"
    ensure_packages "$list"
    rm -f "$list"
}
