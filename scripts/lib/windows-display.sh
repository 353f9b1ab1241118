# Sourced by scripts/windows-tests.sh: an X display for Wine's windows (Xvfb
# with the openbox window manager, so windows get frames, focus and a close
# request as on a desktop), and screenshots of it.

xvfb_pid=""
wm_pid=""

start_display() {
    local shots=$1 display_file
    mkdir -p "$shots"
    display_file=$shots/display
    # -displayfd: Xvfb picks a free display and writes its number.
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display_file" 2>"$shots/xvfb.log" &
    xvfb_pid=$!
    timeout 20 bash -c "until [ -s '$display_file' ]; do sleep 0.2; done" \
        || { say "Xvfb did not start"; cat "$shots/xvfb.log" >&2; return 1; }
    export DISPLAY=:$(head -n 1 "$display_file")
    openbox >"$shots/openbox.log" 2>&1 &
    wm_pid=$!
    timeout 20 bash -c 'until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window; do sleep 0.2; done' \
        || { say "openbox did not start"; return 1; }
    say "display $DISPLAY with openbox"
}

stop_display() {
    local pid
    for pid in "$wm_pid" "$xvfb_pid"; do
        [ -n "$pid" ] || continue
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    wm_pid="" xvfb_pid=""
}

# The id of the visible window whose title is exactly TITLE, waiting up to
# SECONDS for it; fails when none appears.
wait_for_window() {
    local title=$1 seconds=$2 id
    id=$(timeout "$seconds" bash -c "until xdotool search --onlyvisible --name '^$title\$' 2>/dev/null | head -n 1 | grep .; do sleep 0.5; done") || return 1
    printf '%s\n' "$id"
}

screenshot() { import -window root "$1"; }
