#!/usr/bin/env bash
# Real FTP servers on loopback for the FTP client tests: pyftpdlib and
# vsftpd in clear, one of each that demands explicit TLS with a self-signed
# certificate made here, and a vsftpd with implicit TLS whose certificate
# comes from a test authority made here; one user, a password and an upload
# directory each.
#   ftp.sh start      starts all five, waits until each greets, appends the
#                     TRAMEX_FTP_* variables to $TRAMEX_SERVICES_ENV
#   ftp.sh start-tls  starts only the three TLS servers (beside servers in
#                     clear that run from another state directory)
#   ftp.sh stop       ends them
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
state=${TRAMEX_FTP_STATE_DIR:-/tmp/tramex-ftp-services}
user=${TRAMEX_FTP_USER:-tramexftp}
password=${TRAMEX_FTP_PASSWORD:-Tr4mex-ftp-test}
source "$root/scripts/lib/ftp-greeting.sh"

fail() { echo "ftp.sh: $*" >&2; exit 1; }

free_port() {
    /usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'
}

start_pyftpdlib() {
    local port home=$state/pyftpdlib-home
    port=$(free_port)
    mkdir -p "$home"
    nohup /usr/bin/python3 "$root/tests/support/ftp/pyftpdlib_server.py" \
        "$port" "$user" "$password" "$home" >"$state/pyftpdlib.log" 2>&1 &
    echo $! >"$state/pyftpdlib.pid"
    wait_for_greeting "$port" || { cat "$state/pyftpdlib.log" >&2; fail "pyftpdlib did not come up"; }
    echo "export TRAMEX_FTP_PYFTPDLIB_PORT=$port" >>"$env_file"
    echo "export TRAMEX_FTP_PYFTPDLIB_DIR=$home" >>"$env_file"
}

ensure_local_user() {
    local home=$1
    if ! id "$user" >/dev/null 2>&1; then
        useradd --home-dir "$home" --no-create-home --shell /bin/bash "$user"
    fi
    echo "$user:$password" | chpasswd
    mkdir -p "$home"
    chown "$user" "$home"
}

# One vsftpd: start_vsftpd NAME VARIABLE BANNER [EXTRA CONFIG LINES...]
# starts it with its own home and passive ports and exports its port and
# home as TRAMEX_FTP_<VARIABLE>_PORT and _DIR.
start_vsftpd() {
    local name=$1 variable=$2 banner=$3
    shift 3
    local port pasv home=$state/$name-home conf=$state/$name.conf
    port=$(free_port)
    pasv=$(free_port)
    ensure_local_user "$home"
    mkdir -p "$state/vsftpd-empty"
    # No seccomp filter, no namespaces, no chroot: the sandbox forbids them.
    cat >"$conf" <<CONF
listen=YES
listen_ipv6=NO
listen_address=127.0.0.1
listen_port=$port
background=NO
anonymous_enable=NO
local_enable=YES
write_enable=YES
local_umask=022
local_root=$home
chroot_local_user=NO
seccomp_sandbox=NO
isolate=NO
isolate_network=NO
secure_chroot_dir=$state/vsftpd-empty
pam_service_name=vsftpd
pasv_enable=YES
pasv_address=127.0.0.1
pasv_min_port=$pasv
pasv_max_port=$((pasv + 20))
ftpd_banner=$banner
delay_failed_login=0
xferlog_enable=NO
vsftpd_log_file=$state/$name.log
CONF
    printf '%s\n' "$@" >>"$conf"
    nohup /usr/sbin/vsftpd "$conf" >"$state/$name.out" 2>&1 &
    echo $! >"$state/$name.pid"
    local greeting=wait_for_greeting
    [[ " $* " == *" implicit_ssl=YES "* ]] && greeting=wait_for_tls_greeting
    $greeting "$port" || { cat "$state/$name.out" >&2; fail "$name did not come up"; }
    echo "export TRAMEX_FTP_${variable}_PORT=$port" >>"$env_file"
    echo "export TRAMEX_FTP_${variable}_DIR=$home" >>"$env_file"
}

# A self-signed certificate for localhost and 127.0.0.1; its SHA-256
# fingerprint is what a client pins to trust it.
make_certificate() {
    openssl req -x509 -newkey rsa:2048 -nodes -days 30 -subj /CN=localhost \
        -addext subjectAltName=DNS:localhost,IP:127.0.0.1 \
        -keyout "$state/tls.key" -out "$state/tls.crt" 2>/dev/null
    cat "$state/tls.key" "$state/tls.crt" >"$state/tls.pem"
    chmod 644 "$state/tls.pem" "$state/tls.crt"
    local fingerprint
    fingerprint=$(openssl x509 -in "$state/tls.crt" -noout -fingerprint -sha256 | cut -d= -f2 | tr -d :)
    echo "export TRAMEX_FTP_TLS_FINGERPRINT=sha256:$fingerprint" >>"$env_file"
}

start_pyftpdlib_tls() {
    local port home=$state/pyftpdlib-tls-home
    port=$(free_port)
    mkdir -p "$home"
    nohup /usr/bin/python3 "$root/tests/support/ftp/pyftpdlib_server.py" \
        "$port" "$user" "$password" "$home" "$state/tls.pem" >"$state/pyftpdlib-tls.log" 2>&1 &
    echo $! >"$state/pyftpdlib-tls.pid"
    wait_for_greeting "$port" || { cat "$state/pyftpdlib-tls.log" >&2; fail "pyftpdlib TLS did not come up"; }
    echo "export TRAMEX_FTP_PYFTPDLIB_TLS_PORT=$port" >>"$env_file"
    echo "export TRAMEX_FTP_PYFTPDLIB_TLS_DIR=$home" >>"$env_file"
}

# TLS is compulsory for the login and every data connection, and each data
# connection must resume the control connection's session and end with the
# closing alert: what careful servers demand. Every command the server
# received goes to $state/vsftpd-tls.log, for tests that check what was sent.
start_vsftpd_tls() {
    start_vsftpd vsftpd-tls VSFTPD_TLS "vsftpd TLS ready for Tramex2 tests" \
        ssl_enable=YES "rsa_cert_file=$state/tls.crt" "rsa_private_key_file=$state/tls.key" \
        ssl_ciphers=HIGH force_local_logins_ssl=YES force_local_data_ssl=YES \
        require_ssl_reuse=YES strict_ssl_read_eof=YES \
        xferlog_enable=YES xferlog_std_format=NO log_ftp_protocol=YES
}

# A test authority of our own and, issued by it, a certificate for 127.0.0.1
# and tramex-otro.invalid only: a client given this authority as its trust
# store trusts the server at 127.0.0.1 and must refuse it as localhost.
make_authority_certificate() {
    openssl req -x509 -newkey rsa:2048 -nodes -days 30 -subj "/CN=Tramex2 test authority" \
        -keyout "$state/ca.key" -out "$state/ca.crt" 2>/dev/null
    openssl req -newkey rsa:2048 -nodes -subj /CN=tramex-otro.invalid \
        -keyout "$state/issued.key" -out "$state/issued.csr" 2>/dev/null
    echo "subjectAltName=DNS:tramex-otro.invalid,IP:127.0.0.1" >"$state/issued.ext"
    openssl x509 -req -in "$state/issued.csr" -CA "$state/ca.crt" -CAkey "$state/ca.key" \
        -CAcreateserial -days 30 -extfile "$state/issued.ext" -out "$state/issued.crt" 2>/dev/null
    chmod 644 "$state/ca.crt" "$state/issued.crt"
    echo "export TRAMEX_FTP_TEST_CA=$state/ca.crt" >>"$env_file"
}

start_vsftpd_implicit() {
    start_vsftpd vsftpd-implicit VSFTPD_IMPLICIT "vsftpd implicit TLS ready for Tramex2 tests" \
        ssl_enable=YES implicit_ssl=YES "rsa_cert_file=$state/issued.crt" \
        "rsa_private_key_file=$state/issued.key" ssl_ciphers=HIGH force_local_logins_ssl=YES \
        force_local_data_ssl=YES require_ssl_reuse=YES
}

start_tls_servers() {
    make_certificate
    start_pyftpdlib_tls
    start_vsftpd_tls
    make_authority_certificate
    start_vsftpd_implicit
}

stop_all() {
    for server in pyftpdlib vsftpd pyftpdlib-tls vsftpd-tls vsftpd-implicit; do
        stop_one "$server"
    done
}

stop_one() {
    local pidfile=$state/$1.pid
    [ -f "$pidfile" ] || return 0
    kill "$(cat "$pidfile")" 2>/dev/null || true
    rm -f "$pidfile"
}

case "${1:-}" in
    start)
        env_file=${TRAMEX_SERVICES_ENV:?TRAMEX_SERVICES_ENV must name the variables file}
        stop_all
        rm -rf "$state"
        mkdir -p "$state"
        start_pyftpdlib
        start_vsftpd vsftpd VSFTPD "vsftpd ready for Tramex2 tests"
        start_tls_servers
        echo "export TRAMEX_FTP_USER=$user" >>"$env_file"
        echo "export TRAMEX_FTP_PASSWORD=$password" >>"$env_file"
        ;;
    start-tls)
        env_file=${TRAMEX_SERVICES_ENV:?TRAMEX_SERVICES_ENV must name the variables file}
        stop_one pyftpdlib-tls
        stop_one vsftpd-tls
        stop_one vsftpd-implicit
        mkdir -p "$state"
        start_tls_servers
        echo "export TRAMEX_FTP_USER=$user" >>"$env_file"
        echo "export TRAMEX_FTP_PASSWORD=$password" >>"$env_file"
        ;;
    stop)
        stop_all
        ;;
    *)
        fail "usage: $0 start|start-tls|stop"
        ;;
esac
