# Shared by scripts/test.sh and scripts/demo.sh: install what is missing, build.
# Sourced, not run.

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
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
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

build_project() {
    say "building into $build_dir"
    cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$build_dir" -j"${TRAMEX_JOBS:-2}"
}
