# Sourced by scripts/windows-tests.sh inside its namespace, with a display
# (scripts/lib/windows-display.sh): the packaged program as a user installs
# it, unpacked from the zip into a fresh Wine prefix, started attended and
# unattended without the database client library.

scenario_fail() { say "FAILED: $*"; exit 1; }

# A fresh prefix with the zip unpacked to C:\Tramex2 and the ERP installation
# C:\Quintor registered in the registry's 32-bit view.
prepare_installation() {
    local zip=$1 started=$SECONDS
    rm -rf "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    wineserver -w
    unzip -q "$zip" -d "$WINEPREFIX/drive_c"
    erp_dir=$WINEPREFIX/drive_c/Quintor
    mkdir -p "$erp_dir"
    wine reg add 'HKLM\Software\Dravo\QuintorERP2017' /v Directorio /t REG_SZ \
        /d 'C:\Quintor' /reg:32 /f >/dev/null 2>&1 || scenario_fail "reg add"
    say "fresh prefix with C:\\Tramex2 from $(basename "$zip") in $((SECONDS - started)) s"
}

# settingsenvio.conf from its ten lines, CR LF each.
write_settings() { printf '%s\r\n' "$@" >"$erp_dir/settingsenvio.conf"; }

# Starts C:\Tramex2\tramex.exe with the given arguments in the background.
start_program() {
    rm -f "$erp_dir/tramex.log"
    (cd "$WINEPREFIX/drive_c/Quintor" && exec wine 'C:\Tramex2\tramex.exe' "$@") \
        >"$shots/program.out" 2>&1 &
    program_pid=$!
}

# Waits up to SECONDS for the program; fails unless it ended with STATUS.
expect_program_status() {
    local status=$1 seconds=$2 actual=0 waited=0
    while kill -0 "$program_pid" 2>/dev/null; do
        [ "$waited" -ge "$((seconds * 5))" ] && {
            kill "$program_pid" 2>/dev/null; wineserver -k
            scenario_fail "tramex.exe still running after $seconds s"
        }
        sleep 0.2; waited=$((waited + 1))
    done
    wait "$program_pid" || actual=$?
    [ "$actual" -eq "$status" ] || scenario_fail "tramex.exe ended with status $actual instead of $status"
}

# Asks the window to close as its close button does (openbox closes the
# active window on Alt+F4 by asking it, WM_DELETE_WINDOW).
close_window() {
    xdotool windowactivate --sync "$1" >/dev/null 2>&1 || true
    xdotool key --clearmodifiers alt+F4
}

expect_log_line() {
    grep -qF -- "$1" "$erp_dir/tramex.log" \
        || scenario_fail "tramex.log lacks \"$1\": $(cat "$erp_dir/tramex.log")"
}

scenario_attended_window() {
    write_settings r1 r2 r3 'servidor:C:\Datos\' 'C:\Envio' 30 SYSDBA '' 001 0
    start_program
    local window
    window=$(wait_for_window "Tramex2 Grupo Zel 2017" 60) \
        || scenario_fail "no window titled \"Tramex2 Grupo Zel 2017\""
    sleep 2  # the first paint
    screenshot "$shots/main-window.png"
    close_window "$window"
    expect_program_status 1 30
    say "attended: the main window appeared, closing it ended with status 1 (screenshot $shots/main-window.png)"
}

scenario_attended_without_client() {
    write_settings r1 r2 r3 'servidor:C:\Datos\' 'C:\Envio' 30 SYSDBA masterkey 001 0
    start_program
    local box window
    # Error boxes are captioned with the application title.
    box=$(wait_for_window Tramex 60) || scenario_fail "no error box"
    sleep 2
    screenshot "$shots/no-fbclient-box.png"
    expect_log_line "aviso: Unable to Load fbclient.dll"
    xdotool windowactivate --sync "$box" key --clearmodifiers Return
    window=$(wait_for_window "Tramex2 Grupo Zel 2017" 30) || scenario_fail "the main window went away"
    close_window "$window"
    expect_program_status 3 30
    say "attended without fbclient.dll: the box appeared (screenshot $shots/no-fbclient-box.png), status 3"
}

scenario_unattended_without_client() {
    write_settings r1 r2 r3 'servidor:C:\Datos\' 'C:\Envio' 30 SYSDBA masterkey 001 1
    printf '[Desatendido]\r\nLimiteAvisosSegundos=2\r\n' >"$erp_dir/tramex.ini"
    local started=$SECONDS
    start_program 01 0 001 30
    expect_program_status 3 60
    rm -f "$erp_dir/tramex.ini"
    expect_log_line "inicio: Tramex2"
    expect_log_line "modo desatendido"
    expect_log_line "aviso: Unable to Load fbclient.dll"
    expect_log_line "fin: estado 3"
    say "unattended without fbclient.dll: status 3 after $((SECONDS - started)) s, tramex.log in C:\\Quintor"
}

# A console tool in a cmd window of code page 850 (a Spanish system's), on a
# terminal as a user has one: its Spanish text shows as written.
scenario_console_text() {
    local shown=$shots/console.txt
    timeout 60 script -qec \
        'wine cmd /c "chcp 850 >nul & C:\Tramex2\tramex-extract.exe --bogus x"' "$shown.raw" \
        >/dev/null 2>&1 </dev/null || true
    # Wine's console draws each character between cursor codes.
    sed -e 's/\x1b\[?25[lh]//g' -e 's/\x1b\[K\x1b\[1C/ /g' -e 's/\r//g' "$shown.raw" >"$shown"
    grep -qF "Opción desconocida: --bogus" "$shown" \
        || scenario_fail "the console showed: $(cat "$shown")"
    say "console: \"Opción desconocida: --bogus\" shown as written in code page 850"
}

# A program of the GUI subsystem: the system opens no console for it.
check_subsystem() {
    local objdump=$1 exe=$2 expected=$3
    local headers
    headers=$("$objdump" -p "$exe")
    grep -q "^Subsystem.*($expected)" <<<"$headers" \
        || scenario_fail "$(basename "$exe") is not of the $expected subsystem"
}

run_program_scenarios() {
    local zip=$1 objdump=$2
    shots=$(dirname "$zip")/scenarios
    export WINEPREFIX=$(dirname "$zip")/scenario-prefix
    prepare_installation "$zip"
    check_subsystem "$objdump" "$WINEPREFIX/drive_c/Tramex2/tramex.exe" "Windows GUI"
    check_subsystem "$objdump" "$WINEPREFIX/drive_c/Tramex2/tramex-extract.exe" "Windows CUI"
    scenario_console_text
    scenario_attended_window
    scenario_attended_without_client
    scenario_unattended_without_client
    wineserver -k
}
