#!/usr/bin/env bash
# Installs what is missing, builds into build/, and starts the program with
# the sample installation of deploy/sample/: a registry stand-in naming an
# installation directory whose settingsenvio.conf fills the main window, and
# the command line family 01, branch 0, company 001, 30 days.
# Without a display the program runs offscreen, saves a picture of its window
# and ends by itself after TRAMEX_DEMO_SECONDS (default 5).
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"

ensure_packages "$root"/scripts/deps/*.txt
build_project

demo_dir=$build_dir/demo
install_dir=$demo_dir/erp-install
rm -rf "$demo_dir"
mkdir -p "$install_dir" "$demo_dir/xdg/Dravo" "$demo_dir/datos"
sed -e "s|@ERP_DIR@|$demo_dir/erp|" -e "s|@DATA_DIR@|$demo_dir/datos|" \
    "$root/deploy/sample/settingsenvio.conf.in" > "$install_dir/settingsenvio.conf"
sed -e "s|@INSTALL_DIR@|$install_dir|" \
    "$root/deploy/sample/registry/Dravo/QuintorERP2017.conf.in" \
    > "$demo_dir/xdg/Dravo/QuintorERP2017.conf"

export XDG_CONFIG_DIRS=$demo_dir/xdg
export TRAMEX_DEMO_SCREENSHOT=$demo_dir/main-window.png
parameters=(01 0 001 30)

say "registry stand-in:   $XDG_CONFIG_DIRS/Dravo/QuintorERP2017.conf"
say "installation:        $install_dir (settingsenvio.conf)"
say "program:             $build_dir/tramex ${parameters[*]}"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    seconds=${TRAMEX_DEMO_SECONDS:-5}
    say "no display: running offscreen for $seconds s"
    export QT_QPA_PLATFORM=offscreen TRAMEX_DEMO_QUIT_AFTER=$seconds
    # A box left open by a failure would wait for a click nobody can give.
    status=0
    timeout --kill-after=5 $((seconds + 30)) "$build_dir/tramex" "${parameters[@]}" || status=$?
else
    say "close the window (Esc) to end the demo"
    status=0
    "$build_dir/tramex" "${parameters[@]}" || status=$?
fi
say "picture of the main window: $TRAMEX_DEMO_SCREENSHOT"
say "program ended with status $status"
exit "$status"
