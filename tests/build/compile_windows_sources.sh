#!/usr/bin/env bash
# Compiles every Windows-only source file (*/win/*.cpp) that does not need Qt
# with the mingw-w64 cross compiler, so Windows code cannot rot unnoticed on a
# machine that never builds for Windows. Usage: compile_windows_sources.sh <source root>
set -uo pipefail
root=${1:?source root}
compiler=${TRAMEX_MINGW_CXX:-x86_64-w64-mingw32-g++}

if ! command -v "$compiler" >/dev/null; then
    echo "FAIL: $compiler not found (package g++-mingw-w64-x86-64)" >&2
    exit 1
fi

mapfile -t sources < <(find "$root" \( -name .git -o -name 'build' -o -name 'build-*' \) -prune \
    -o -path '*/win/*.cpp' -type f -print | sort)
if [ ${#sources[@]} -eq 0 ]; then
    echo "FAIL: no */win/*.cpp found under $root" >&2
    exit 1
fi

failed=0 checked=0
for source in "${sources[@]}"; do
    name=${source#"$root"/}
    if grep -qE '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]Q' "$source"; then
        echo "skip (needs Qt): $name"
        continue
    fi
    checked=$((checked + 1))
    if "$compiler" -std=c++20 -fsyntax-only -Wall -Wextra -I"$root" "$source"; then
        echo "ok: $name"
    else
        echo "FAIL: $name" >&2
        failed=$((failed + 1))
    fi
done
echo "$checked compiled, $failed failed"
[ "$failed" -eq 0 ]
