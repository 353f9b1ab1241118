#!/usr/bin/env bash
# Packs the Windows programs of build-win/ into the zip a user installs:
# build-win/Tramex2-windows-x86.zip (x64 for a 64-bit build), one folder
# Tramex2\ holding the three programs, exactly the DLLs their import tables
# (and those of the Qt plugins they load) name from Qt and the compiler's
# runtime, the plugins, the toolkit's Spanish catalogue, the deployment
# scripts, a sample tramex.ini and LEEME.txt. Run by scripts/windows-tests.sh.
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"
win_dir=${TRAMEX_WIN_BUILD_DIR:-$root/build-win}

cached() { sed -n "s/^$1:[A-Z]*=//p" "$win_dir/CMakeCache.txt"; }
arch=$(cached TRAMEX_WINDOWS_ARCH)
compiler=${arch:-i686}-w64-mingw32-g++-posix
qt_prefix=$(cd "$(cached Qt6_DIR)/../../.." && pwd)
objdump=${arch:-i686}-w64-mingw32-objdump
case $arch in
    x86_64) zip_name=Tramex2-windows-x64.zip ;;
    *) zip_name=Tramex2-windows-x86.zip ;;
esac
# Qt's DLLs and the C++ runtime's; every other DLL a program names is the
# system's own (kernel32, user32, ...) or the ERP's (fbclient, loaded at run time).
dll_dirs=("$qt_prefix/bin")
for dll in libstdc++-6.dll libwinpthread-1.dll libgcc_s_dw2-1.dll libgcc_s_seh-1.dll; do
    found=$("$compiler" -print-file-name="$dll")
    [ -f "$found" ] && dll_dirs+=("$(cd "$(dirname "$found")" && pwd)")
done

stage=$win_dir/package/Tramex2
rm -rf "$win_dir/package" "${win_dir:?}/$zip_name"
mkdir -p "$stage/platforms" "$stage/styles" "$stage/translations"

cp "$win_dir"/tramex.exe "$win_dir"/tramex-extract.exe "$win_dir"/tramex-ftp-put.exe "$stage/"
cp "$qt_prefix/plugins/platforms/qwindows.dll" "$stage/platforms/"
cp "$qt_prefix/plugins/styles/qwindowsvistastyle.dll" "$stage/styles/"
cp "$win_dir/translations/qtbase_es.qm" "$stage/translations/"
cp "$win_dir/comprimir.bat" "$win_dir/eliminar.bat" "$stage/"
# Notepad and cmd expect CR LF; LEEME.txt starts with a UTF-8 mark so that
# any Notepad shows its accents.
sed 's/\r*$/\r/' "$root/deploy/windows/tramex.ini" >"$stage/tramex.ini"
{ printf '\xef\xbb\xbf'; sed 's/\r*$/\r/' "$root/deploy/windows/LEEME.txt"; } >"$stage/LEEME.txt"

imports() { "$objdump" -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p'; }
find_dll() {
    local dir found
    for dir in "${dll_dirs[@]}"; do
        found=$(find "$dir" -maxdepth 1 -iname "$1" -print -quit)
        [ -n "$found" ] && { printf '%s\n' "$found"; return 0; }
    done
    return 0
}
# Follows the import tables from the programs and plugins to the DLLs that
# must come along, each once.
pending=("$stage"/*.exe "$stage"/platforms/*.dll "$stage"/styles/*.dll)
while [ ${#pending[@]} -gt 0 ]; do
    module=${pending[0]}
    pending=("${pending[@]:1}")
    while read -r name; do
        [ -e "$stage/$name" ] && continue
        dll=$(find_dll "$name")
        [ -n "$dll" ] || continue
        cp "$dll" "$stage/$name"
        pending+=("$stage/$name")
    done < <(imports "$module")
done

# Symbols are for debugging here, not for the user's disk.
find "$stage" -iname '*.exe' -o -iname '*.dll' | xargs "${arch:-i686}-w64-mingw32-strip" --strip-unneeded
(cd "$win_dir/package" && zip -q -X -r "$win_dir/$zip_name" Tramex2)
say "packed $win_dir/$zip_name ($(du -k "$win_dir/$zip_name" | cut -f1) KiB): $(cd "$stage" && find . -type f | sed 's|^\./||' | sort | tr '\n' ' ')"
