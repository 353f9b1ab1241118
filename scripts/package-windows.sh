#!/usr/bin/env bash
# Packs the Windows programs of build-win/ into the zip a user installs:
# build-win/Tramex2-windows-x86.zip (x64 for a 64-bit build), one folder
# Tramex2\ holding the three programs, exactly the DLLs their import tables
# (and those of the Qt plugins they load) name from Qt and the compiler's
# runtime, the plugins, the toolkit's Spanish catalogue, the deployment
# scripts, a sample tramex.ini, LEEME.txt and the licences of what comes from
# others. Run by scripts/windows-tests.sh.
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
# Qt's DLLs, the C++ runtime's and zlib's (Debian's libz-mingw-w64, beside
# winpthread); every other DLL a program names must be the system's own
# (fbclient.dll, the ERP's, is loaded at run time and named nowhere).
dll_dirs=("$qt_prefix/bin")
system_dlls=(advapi32.dll api-ms-win-core-synch-l1-2-0.dll api-ms-win-core-winrt-l1-1-0.dll
    api-ms-win-core-winrt-string-l1-1-0.dll authz.dll comdlg32.dll crypt32.dll d3d9.dll d3d11.dll dwmapi.dll dxgi.dll gdi32.dll
    imm32.dll kernel32.dll mpr.dll msvcrt.dll netapi32.dll ole32.dll oleaut32.dll shcore.dll
    shell32.dll shlwapi.dll user32.dll userenv.dll uxtheme.dll version.dll winmm.dll ws2_32.dll
    wtsapi32.dll)
is_system_dll() { [[ " ${system_dlls[*]} " == *" ${1,,} "* ]]; }
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
packages=()
while [ ${#pending[@]} -gt 0 ]; do
    module=${pending[0]}
    pending=("${pending[@]:1}")
    while read -r name; do
        [ -e "$stage/$name" ] && continue
        dll=$(find_dll "$name")
        if [ -z "$dll" ]; then
            is_system_dll "$name" && continue
            say "$(basename "$module") imports $name, which is neither shipped nor a system DLL"
            exit 1
        fi
        cp "$dll" "$stage/$name"
        pending+=("$stage/$name")
        # Whose it is, for its licence below (Qt's are built from source here).
        case $dll in
            "$qt_prefix"/*) ;;
            *) packages+=("$(dpkg -S "$(realpath "$dll")" | cut -d: -f1)") ;;
        esac
    done < <(imports "$module")
done

# Licences: Debian's copyright file of the package each part comes from (Qt
# is built from the source of the installed host Qt, libqt6core6's; OpenSSL
# and the Firebird interface headers are compiled into the programs), and the
# licence texts those files refer to.
mkdir -p "$stage/licencias"
for package in libqt6core6 libssl3 firebird-dev "${packages[@]}"; do
    sed 's/\r*$/\r/' "/usr/share/doc/$package/copyright" >"$stage/licencias/$package.txt"
done
for text in LGPL-3 GPL-3 Apache-2.0; do
    sed 's/\r*$/\r/' "/usr/share/common-licenses/$text" >"$stage/licencias/$text.txt"
done

# Symbols are for debugging here, not for the user's disk.
find "$stage" -iname '*.exe' -o -iname '*.dll' | xargs "${arch:-i686}-w64-mingw32-strip" --strip-unneeded
(cd "$win_dir/package" && zip -q -X -r "$win_dir/$zip_name" Tramex2)
say "packed $win_dir/$zip_name ($(du -k "$win_dir/$zip_name" | cut -f1) KiB): $(cd "$stage" && find . -type f | sed 's|^\./||' | sort | tr '\n' ' ')"
