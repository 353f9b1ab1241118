# Sourced by scripts/windows-tests.sh inside its network namespace, with
# WINEPREFIX set: the Wine prefix, the test programs, the upload check.
source "$root/scripts/lib/ftp-greeting.sh"

ftp_pid=""
ftp_port=2121  # the namespace's loopback is private: a fixed port is free
ftp_user=tramexwin
ftp_password=Tr4mex-win

# Creates the prefix on first use; the first start is by far the slowest.
start_wine() {
    local started=$SECONDS
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        say "creating the Wine prefix $WINEPREFIX"
        wineboot -i >/dev/null 2>&1
        wineserver -k || true  # the server wineboot started (if still up) cannot be made persistent
    fi
    wineserver -p 60  # one server for every program below
    say "Wine ready in $((SECONDS - started)) s"
}

# Runs each test program once under Wine; prints its failures and counts.
run_test_programs() {
    local dir=$1 program log failed=0 passed skipped total=0
    for program in "$dir"/*_tests.exe; do
        log=${program%.exe}.log
        if (cd "$dir" && timeout 600 wine "$program" --gtest_brief=1 >"$log" 2>&1); then
            passed=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) test.*/\1/p' "$log")
            skipped=$(sed -n 's/^\[  SKIPPED \] \([0-9]*\) test.*/\1/p' "$log")
            say "$(basename "$program"): ${passed:-0} tests passed under Wine${skipped:+, $skipped skipped}"
            total=$((total + ${passed:-0}))
        else
            cat "$log" >&2
            say "FAILED under Wine: $(basename "$program")"
            failed=1
        fi
    done
    say "$total tests passed under Wine"
    return $failed
}

start_ftp_server() {
    local home=$1
    /usr/bin/python3 "$root/tests/support/ftp/pyftpdlib_server.py" \
        "$ftp_port" "$ftp_user" "$ftp_password" "$home" >"$home.log" 2>&1 &
    ftp_pid=$!
    wait_for_greeting "$ftp_port" "$ftp_pid" || { cat "$home.log" >&2; return 1; }
}

stop_ftp_server() {
    if [ -n "$ftp_pid" ]; then
        kill "$ftp_pid" 2>/dev/null || true
        wait "$ftp_pid" 2>/dev/null || true
        ftp_pid=""
    fi
}

# The Unix path as Wine's Z: drive shows it.
windows_path() { local path=${1//\//\\}; printf 'Z:%s' "$path"; }

fail_check() { say "FAILED: tramex-ftp-put.exe $*"; exit 1; }

# Exits with the given status and writes exactly the expected error text.
expect_ftp_put_failure() {
    local program=$1 status=$2 expected=$3 errors=$4 actual=0
    shift 4
    timeout 120 wine "$program" "$@" 2>"$errors" || actual=$?
    [ "$actual" -eq "$status" ] || fail_check "exited $actual instead of $status: $(cat "$errors")"
    /usr/bin/python3 -c 'import sys; sys.exit(open(sys.argv[1], "rb").read() != sys.argv[2].encode())' \
        "$errors" "$expected" || fail_check "wrote $(od -c "$errors" | head -5) instead of: $expected"
}

# Uploads a file with a non-ASCII name under a non-ASCII remote name into a
# non-ASCII directory, and compares the stored bytes; error output ends each
# line once with CR LF.
check_ftp_put() {
    local program=$1 work
    work=$(dirname "$program")/ftp-put-check
    rm -rf "$work"
    mkdir -p "$work/home/envío"
    start_ftp_server "$work/home"
    local local_file="$work/Cañaveral ñ.zip" errors="$work/errors.txt"
    head -c 300000 /dev/urandom >"$local_file"
    local login=(--host 127.0.0.1 --port "$ftp_port" --user "$ftp_user")

    wine "$program" "${login[@]}" --password "$ftp_password" --dir envío \
        "$(windows_path "$local_file")" año.zip || fail_check "upload failed"
    cmp "$local_file" "$work/home/envío/año.zip" || fail_check "stored other bytes"
    wine "$program" "${login[@]}" --password "$ftp_password" "$(windows_path "$local_file")" \
        || fail_check "upload under the local name failed"
    cmp "$local_file" "$work/home/Cañaveral ñ.zip" || fail_check "stored other bytes"

    expect_ftp_put_failure "$program" 1 $'Authentication failed.\r\n' "$errors" \
        "${login[@]}" --password wrong "$(windows_path "$local_file")"
    expect_ftp_put_failure "$program" 1 \
        "Cannot open file \"$(windows_path "$work/falta ñ.zip")\". File not found."$'\r\n' \
        "$errors" "${login[@]}" --password "$ftp_password" "$(windows_path "$work/falta ñ.zip")"
    stop_ftp_server
    say "tramex-ftp-put.exe uploaded byte for byte under Wine"
}
