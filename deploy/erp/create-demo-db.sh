#!/usr/bin/env bash
# Creates the demo company database DIR/datos/COMPANY/quintor.fdb: the ERP
# tables, the eight report procedures and the sample data, dated around today.
set -euo pipefail
# shellcheck source=erp-common.sh
source "$(dirname "$0")/erp-common.sh"

usage() {
    cat >&2 <<'TXT'
usage: create-demo-db.sh DIR COMPANY [options]
  --force             replace an existing database
  --date YYYY-MM-DD   reference date the sample sales are placed around (default: today)
  --ftp-server HOST   FTP host stored for families 01 and 02 (default: 127.0.0.1)
  --server HOST       create through a Firebird server instead of the embedded engine
  --user NAME         database user (default: SYSDBA)
  --password TEXT     database password (server only; default: masterkey)
TXT
    exit 2
}

[ $# -ge 2 ] || usage
data_dir=$1 company=$2
shift 2
force=0 reference_date=$(date +%F) ftp_server=127.0.0.1
while [ $# -gt 0 ]; do
    used=0; erp_take_connection_option "$@" || used=$?
    if [ "$used" -gt 0 ]; then shift "$used"; continue; fi
    case "$1" in
        --force) force=1; shift ;;
        --date) [ $# -ge 2 ] || usage; reference_date=$2; shift 2 ;;
        --ftp-server) [ $# -ge 2 ] || usage; ftp_server=$2; shift 2 ;;
        *) usage ;;
    esac
done
date -d "$reference_date" +%F >/dev/null 2>&1 || fail "bad date: $reference_date"
[[ "$ftp_server" =~ ^[A-Za-z0-9.:-]+$ ]] || fail "bad FTP host: $ftp_server"

erp_locate "$data_dir" "$company"

# Sample dates around the reference date R: the first of R's month, the day
# before R but never before that first, the last day of the previous month and
# about six weeks before R's month began.
sample_dates() {
    local today first yesterday
    today=$(date -d "$reference_date" +%F)
    first=$(date -d "$today" +%Y-%m-01)
    yesterday=$(date -d "$today -1 day" +%F)
    [[ "$yesterday" < "$first" ]] && yesterday=$first
    printf 's/@HOY@/%s/g;s/@INICIO_MES@/%s/g;s/@AYER@/%s/g;' "$today" "$first" "$yesterday"
    printf 's/@FIN_MES_ANTERIOR@/%s/g;' "$(date -d "$first -1 day" +%F)"
    printf 's/@HACE_SEIS_SEMANAS@/%s/g;' "$(date -d "$first -42 day" +%F)"
}

drop_existing() {
    [ -e "$erp_db_file" ] || return 0
    [ "$force" = 1 ] || fail "$erp_db_file already exists (use --force to replace it)"
    # Dropping through the engine also clears a server's cached pages; a file
    # the engine will not open is removed by hand.
    echo 'DROP DATABASE;' | erp_isql "$erp_db_target" >/dev/null 2>&1 || true
    rm -f "$erp_db_file"
}

prepare_folder() {
    mkdir -p "$(dirname "$erp_db_file")"
    # A server runs as its own user and must be able to create the file.
    if [ -n "$erp_server" ] && [ "$(id -u)" = 0 ] && id firebird >/dev/null 2>&1; then
        chown firebird:firebird "$(dirname "$erp_db_file")"
    fi
}

creation_script() {
    printf 'CREATE DATABASE %s USER %s PASSWORD %s PAGE_SIZE 8192 DEFAULT CHARACTER SET WIN1252;\n' \
        "$(erp_sql_quote "$erp_db_target")" "$(erp_sql_quote "$erp_user")" \
        "$(erp_sql_quote "$erp_password")"
    cat "$erp_dir/schema.sql" "$erp_dir/procedures.sql"
    echo 'COMMIT;'
    sed -e "$(sample_dates)" -e "s/@FTP_SERVER@/$ftp_server/g" "$erp_dir/demo-data.sql" \
        | iconv -f UTF-8 -t WINDOWS-1252
}

drop_existing
prepare_folder
sql=$(mktemp)
trap 'rm -f "$sql"' EXIT
creation_script > "$sql"
if ! erp_isql -i "$sql"; then
    rm -f "$erp_db_file"
    fail "creating $erp_db_file failed"
fi
echo "$erp_db_file"
