# Sourced by the scripts that start a local FTP server.

# True once a 220 greeting comes from 127.0.0.1:$1 (up to ten seconds). With a
# server process id as $2, gives up as soon as that process has ended.
wait_for_greeting() {
    local port=$1 pid=${2:-} line
    for _ in $(seq 1 50); do
        if { exec 3<>"/dev/tcp/127.0.0.1/$port"; } 2>/dev/null; then
            line=""
            read -r -t 2 line <&3 || true
            exec 3<&- 3>&-
            [[ $line == 220* ]] && return 0
        fi
        if [ -n "$pid" ]; then kill -0 "$pid" 2>/dev/null || return 1; fi
        sleep 0.2
    done
    return 1
}

# The same for a server that speaks TLS from its first byte (implicit FTPS).
wait_for_tls_greeting() {
    local port=$1 line
    for _ in $(seq 1 50); do
        line=$(timeout 3 openssl s_client -connect "127.0.0.1:$port" -quiet </dev/null 2>/dev/null |
            head -c 3) || true
        [[ $line == 220 ]] && return 0
        sleep 0.2
    done
    return 1
}
