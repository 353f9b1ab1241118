# Shared by create-demo-db.sh and generate-sales.sh: where a company's
# database lives and how isql-fb reaches it (embedded or over TCP). Sourced.

erp_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

fail() { printf '%s: %s\n' "$(basename "$0")" "$*" >&2; exit 1; }

# Connection options; --server switches from the embedded engine to a server.
erp_server=
erp_user=SYSDBA
erp_password=masterkey

# Consumes one connection option from "$@"; returns the number of words used,
# 0 when the first word is not a connection option.
erp_take_connection_option() {
    case "$1" in
        --server)   [ $# -ge 2 ] || fail "$1 needs a value"; erp_server=$2; return 2 ;;
        --user)     [ $# -ge 2 ] || fail "$1 needs a value"; erp_user=$2; return 2 ;;
        --password) [ $# -ge 2 ] || fail "$1 needs a value"; erp_password=$2; return 2 ;;
    esac
    return 0
}

# Sets erp_db_file (the file on disk) and erp_db_target (what isql connects
# to) for data tree DIR and company COMPANY.
erp_locate() {
    local dir=$1 company=$2
    [ -n "$company" ] || fail "the company code is empty"
    case "$company" in */*|.|..) fail "bad company code: $company" ;; esac
    mkdir -p "$dir" || fail "cannot create $dir"
    dir=$(cd "$dir" && pwd)
    erp_db_file=$dir/datos/$company/quintor.fdb
    if [ -n "$erp_server" ]; then
        erp_db_target=$erp_server:$erp_db_file
    else
        erp_db_target=$erp_db_file
    fi
}

# Runs isql-fb on SQL read from stdin, stopping at the first error. Without a
# character set on the connection the Windows-1252 bytes go in unchanged.
erp_isql() {
    if [ -n "$erp_server" ]; then
        isql-fb -q -bail -user "$erp_user" -password "$erp_password" "$@"
    else
        isql-fb -q -bail -user "$erp_user" "$@"
    fi
}

# Quotes text as an SQL string literal.
erp_sql_quote() {
    printf "'%s'" "${1//\'/\'\'}"
}
