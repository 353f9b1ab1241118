#!/usr/bin/env bash
# Test service: a Firebird 3 server on localhost with a SYSDBA password of its
# own and a folder it may create databases in.
#   firebird.sh start   start (or reuse) the server; append its variables to
#                       $TRAMEX_SERVICES_ENV
#   firebird.sh stop    stop the server
set -euo pipefail

state_dir=${TRAMEX_FB_STATE_DIR:-/tmp/tramex-firebird}
db_dir=$state_dir/databases
password_file=$state_dir/sysdba.password
probe_db=$db_dir/probe.fdb
security_db=/var/lib/firebird/3.0/system/security3.fdb
init_script=/etc/init.d/firebird3.0
# Both the server and root's embedded engine keep their lock files here.
lock_dirs=(/tmp/firebird /run/firebird3.0)

say() { printf '== firebird: %s\n' "$*" >&2; }
fail() { printf '== firebird: %s\n' "$*" >&2; exit 1; }

server_running() { pidof fbguard >/dev/null 2>&1 || pidof firebird >/dev/null 2>&1; }

# True when SYSDBA with the saved password reaches the probe database over TCP,
# creating it on first use.
probe() {
    local password
    password=$(cat "$password_file" 2>/dev/null) || return 1
    if [ -e "$probe_db" ]; then
        # shellcheck disable=SC2016 # RDB$DATABASE is a table name
        echo 'SELECT 1 FROM RDB$DATABASE;' \
            | isql-fb -q -bail -user SYSDBA -password "$password" "localhost:$probe_db" >/dev/null 2>&1
    else
        echo "CREATE DATABASE 'localhost:$probe_db' USER 'SYSDBA' PASSWORD '$password';" \
            | isql-fb -q -bail >/dev/null 2>&1
    fi
}

stop_server() {
    server_running || return 0
    "$init_script" stop >/dev/null 2>&1 || true
    local _
    for _ in $(seq 50); do
        server_running || return 0
        sleep 0.2
    done
    fail "the server did not stop"
}

# The security database is written through the embedded engine while the
# server is down; a private lock folder keeps root-owned lock files out of the
# server's way.
set_password() {
    local password
    password=$(head -c 18 /dev/urandom | base64 | tr -dc 'A-Za-z0-9' | head -c 16)
    echo "ALTER USER SYSDBA PASSWORD '$password' USING PLUGIN Srp; COMMIT;" \
        | FIREBIRD_LOCK=$state_dir/setup-lock isql-fb -q -bail -user SYSDBA "$security_db" \
        || fail "cannot set the SYSDBA password in $security_db"
    chown firebird:firebird "$security_db"
    (umask 077 && printf '%s\n' "$password" > "$password_file")
}

prepare_folders() {
    mkdir -p "$state_dir" "$db_dir" "$state_dir/setup-lock"
    chmod 0755 "$state_dir"
    chown firebird:firebird "$db_dir"
    chmod 0770 "$db_dir"
    local dir
    for dir in "${lock_dirs[@]}"; do
        mkdir -p "$dir"
        chown -R firebird:firebird "$dir"
        chmod 0770 "$dir"
    done
}

start_server() {
    "$init_script" start >/dev/null 2>&1 || true
    local _
    for _ in $(seq 100); do
        probe && return 0
        sleep 0.2
    done
    fail "no TCP connection to localhost:$probe_db within 20 s"
}

export_variables() {
    [ -n "${TRAMEX_SERVICES_ENV:-}" ] || { say "TRAMEX_SERVICES_ENV is not set; variables not written"; return 0; }
    {
        echo "export TRAMEX_FB_SERVER_HOST=localhost"
        echo "export TRAMEX_FB_SERVER_USER=SYSDBA"
        echo "export TRAMEX_FB_SERVER_PASSWORD=$(cat "$password_file")"
        echo "export TRAMEX_FB_SERVER_DIR=$db_dir"
    } >> "$TRAMEX_SERVICES_ENV"
}

start() {
    [ "$(id -u)" = 0 ] || fail "must run as root"
    if [ ! -x /usr/sbin/fbguard ] || [ ! -x "$init_script" ] || ! command -v isql-fb >/dev/null; then
        fail "firebird3.0-server and firebird3.0-utils are not installed"
    fi
    id firebird >/dev/null 2>&1 || fail "the firebird user does not exist"
    if server_running && probe; then
        say "reusing the running server"
    else
        stop_server
        prepare_folders
        set_password
        start_server
        say "listening on localhost, databases in $db_dir"
    fi
    export_variables
}

case "${1:-}" in
    start) start ;;
    stop) stop_server ;;
    *) echo "usage: $0 start|stop" >&2; exit 2 ;;
esac
