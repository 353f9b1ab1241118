# Sourced by scripts/windows-tests.sh inside its network namespace, after
# windows-run.sh: explicit TLS from the Windows tool, checked by what reached
# the servers (the stored bytes, the commands in their logs).

tls_state=""

# vsftpd (and pyftpdlib) demanding TLS for the login and every data
# connection, each data connection resuming the control connection's session,
# as scripts/services/ftp.sh starts them, from a state folder of our own.
start_tls_servers() {
    tls_state=$1
    local env_file=$tls_state.env
    : >"$env_file"
    TRAMEX_FTP_STATE_DIR=$tls_state TRAMEX_SERVICES_ENV=$env_file \
        "$root/scripts/services/ftp.sh" start-tls
    source "$env_file"
}

stop_tls_servers() {
    [ -n "$tls_state" ] && TRAMEX_FTP_STATE_DIR=$tls_state "$root/scripts/services/ftp.sh" stop
    tls_state=""
}

# The server's log shows AUTH TLS and not one USER: $2 is how the server
# writes a received command before its text.
expect_auth_without_user() {
    local log=$1 received=$2
    grep -q "${received}AUTH TLS" "$log" || fail_check "no AUTH TLS reached the server: $(cat "$log")"
    if grep -q "${received}USER" "$log"; then fail_check "USER was sent: $(cat "$log")"; fi
}

check_ftp_put_tls() {
    local program=$1 work
    work=$(dirname "$program")/ftp-put-tls-check
    rm -rf "$work"
    mkdir -p "$work"
    start_tls_servers "$work/servers"
    local local_file="$work/Ventas año.zip" errors=$work/errors.txt log=$work/servers/vsftpd-tls.log
    head -c 3000000 /dev/urandom >"$local_file"
    local login=(--host 127.0.0.1 --port "$TRAMEX_FTP_VSFTPD_TLS_PORT" --user "$TRAMEX_FTP_USER"
        --password "$TRAMEX_FTP_PASSWORD")

    # A configuration file that would allow no protocol version at all: the
    # programs read none, whatever the environment names.
    printf '%s\n' 'openssl_conf = init' '[init]' 'ssl_conf = ssl' '[ssl]' 'system_default = tls' \
        '[tls]' 'MaxProtocol = TLSv1' >"$work/openssl.cnf"
    OPENSSL_CONF=$(windows_path "$work/openssl.cnf") timeout 120 wine "$program" \
        "${login[@]}" --fingerprint "$TRAMEX_FTP_TLS_FINGERPRINT" "$(windows_path "$local_file")" \
        ventas.zip || fail_check "--fingerprint upload failed"
    cmp "$local_file" "$TRAMEX_FTP_VSFTPD_TLS_DIR/ventas.zip" || fail_check "stored other bytes under TLS"

    # The server appends to its log: emptied, it holds this session alone.
    local wrong=sha256:$(printf '0%.0s' {1..64})
    : >"$log"
    expect_ftp_put_failure "$program" 1 \
        "El certificado del servidor 127.0.0.1 no es de confianza (huella $TRAMEX_FTP_TLS_FINGERPRINT, se esperaba $wrong)"$'\r\n' \
        "$errors" "${login[@]}" --fingerprint "$wrong" "$(windows_path "$local_file")"
    expect_auth_without_user "$log" 'FTP command: Client "127.0.0.1", "'

    # The same certificate among the machine's authorities (Wine's ROOT store
    # is the host's bundle, replaced in this namespace alone): trusted without
    # a pin for the names it was made for, and for no other name.
    mount --bind "$tls_state/tls.crt" /etc/ssl/certs/ca-certificates.crt
    printf '127.0.0.1 localhost otro.tramex.test\n' >"$work/hosts"
    mount --bind "$work/hosts" /etc/hosts
    login[1]=localhost
    timeout 120 wine "$program" "${login[@]}" --tls "$(windows_path "$local_file")" raiz.zip \
        || fail_check "--tls upload trusted through the Windows store failed"
    cmp "$local_file" "$TRAMEX_FTP_VSFTPD_TLS_DIR/raiz.zip" || fail_check "stored other bytes under TLS"
    login[1]=otro.tramex.test
    expect_ftp_put_failure "$program" 1 \
        $'El certificado del servidor otro.tramex.test no es de confianza (hostname mismatch)\r\n' \
        "$errors" "${login[@]}" --tls "$(windows_path "$local_file")"
    stop_tls_servers

    # A server in clear refuses AUTH: the upload ends there.
    mkdir -p "$work/clear-home"
    start_ftp_server "$work/clear-home"
    expect_ftp_put_failure "$program" 1 $'Command "AUTH" not understood.\r\n' "$errors" \
        --host 127.0.0.1 --port "$ftp_port" --user "$ftp_user" --password "$ftp_password" --tls \
        "$(windows_path "$local_file")"
    expect_auth_without_user "$work/clear-home.log" '<- '
    stop_ftp_server
    say "tramex-ftp-put.exe uploaded under TLS and refused before USER under Wine"
}
