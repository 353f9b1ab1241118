#!/usr/bin/env bash
# Adds N sales lines to a demo company database for benchmarks: invoices of
# families 01 and 02, ten lines each, spread from the first of the reference
# date's month to that date over every customer. The rows are made inside the
# engine, one EXECUTE BLOCK per batch, rather than sent as N INSERT lines.
set -euo pipefail
# shellcheck source=erp-common.sh
source "$(dirname "$0")/erp-common.sh"

usage() {
    cat >&2 <<'TXT'
usage: generate-sales.sh DIR COMPANY N [options]
  --date YYYY-MM-DD   last day sales are dated (default: today)
  --server HOST, --user NAME, --password TEXT   as for create-demo-db.sh
TXT
    exit 2
}

[ $# -ge 3 ] || usage
data_dir=$1 company=$2 line_count=$3
shift 3
reference_date=$(date +%F)
while [ $# -gt 0 ]; do
    used=0; erp_take_connection_option "$@" || used=$?
    if [ "$used" -gt 0 ]; then shift "$used"; continue; fi
    case "$1" in
        --date) [ $# -ge 2 ] || usage; reference_date=$2; shift 2 ;;
        *) usage ;;
    esac
done
[[ "$line_count" =~ ^[0-9]{1,9}$ ]] || fail "bad line count: $line_count"
line_count=$((10#$line_count))
last_day=$(date -d "$reference_date" +%F 2>/dev/null) || fail "bad date: $reference_date"
first_day=$(date -d "$last_day" +%Y-%m-01)

erp_locate "$data_dir" "$company"
[ -e "$erp_db_file" ] || fail "$erp_db_file does not exist (create it with create-demo-db.sh)"

lines_per_document=10
# Each batch is its own transaction, so the engine's undo log stays small.
batch_lines=200000

# One batch: BATCH lines in documents of up to ten lines. Customers and
# articles are taken in turn by their position; every 25th document is a
# credit note with negative quantities and amounts.
batch_block() {
    local batch=$1
    cat <<SQL
SET TERM ^ ;
EXECUTE BLOCK AS
  DECLARE LINES_LEFT INTEGER = $batch;
  DECLARE PER_DOCUMENT INTEGER = $lines_per_document;
  DECLARE FIRST_DAY DATE = DATE '$first_day';
  DECLARE DAY_SPAN INTEGER;
  DECLARE CUSTOMERS INTEGER;
  DECLARE ARTICLES INTEGER;
  DECLARE DOC INTEGER;
  DECLARE DOC_LINES INTEGER;
  DECLARE LINE_NO INTEGER;
  DECLARE SIGN_ INTEGER;
  DECLARE QTY INTEGER;
  DECLARE CUSTOMER VARCHAR(20);
  DECLARE BRANCH INTEGER;
  DECLARE SELLER VARCHAR(22);
  DECLARE ARTICLE VARCHAR(15);
  DECLARE PRICE NUMERIC(15,2);
  DECLARE COST NUMERIC(15,2);
BEGIN
  DAY_SPAN = DATE '$last_day' - FIRST_DAY + 1;
  SELECT COUNT(*) FROM CLIENTES INTO :CUSTOMERS;
  SELECT COUNT(*) FROM ARTICULOS WHERE FAMI_COD IN ('01', '02') INTO :ARTICLES;
  IF (CUSTOMERS = 0 OR ARTICLES = 0) THEN
    EXCEPTION E_SIN_DATOS_DE_MUESTRA;
  WHILE (LINES_LEFT > 0) DO
  BEGIN
    DOC = NEXT VALUE FOR SEQ_DOCUMENTOS;
    SELECT FIRST 1 SKIP (MOD(:DOC, :CUSTOMERS)) K.CLIE_COD, K.SUCU_ID
      FROM CLIENTES K ORDER BY K.CLIE_COD INTO :CUSTOMER, :BRANCH;
    SELECT FIRST 1 V.VEND_COD FROM VENDEDORES V WHERE V.SUCU_ID = :BRANCH
     ORDER BY V.VEND_COD INTO :SELLER;
    SIGN_ = IIF(MOD(DOC, 25) = 0, -1, 1);
    INSERT INTO DOCUMENTOS (DOCU_ID, SUCU_ID, DOCU_NUMERO, DOCU_TIPO, DOCU_FECHA, CLIE_COD, VEND_COD)
    VALUES (:DOC, :BRANCH, IIF(:SIGN_ < 0, 'M', 'G') || LPAD(:DOC, 7, '0'), IIF(:SIGN_ < 0, 'N', 'F'),
            :FIRST_DAY + MOD(:DOC, :DAY_SPAN), :CUSTOMER, :SELLER);
    DOC_LINES = MINVALUE(PER_DOCUMENT, LINES_LEFT);
    LINE_NO = 0;
    WHILE (LINE_NO < DOC_LINES) DO
    BEGIN
      SELECT FIRST 1 SKIP (MOD(:DOC + :LINE_NO, :ARTICLES)) A.ARTI_COD, A.ARTI_PRECIO, A.ARTI_COSTO
        FROM ARTICULOS A WHERE A.FAMI_COD IN ('01', '02') ORDER BY A.ARTI_COD
        INTO :ARTICLE, :PRICE, :COST;
      QTY = SIGN_ * (1 + MOD(DOC + 7 * LINE_NO, 12));
      INSERT INTO DOCUMENTOS_DET (DETA_ID, DOCU_ID, ARTI_COD, DETA_CANT, DETA_TOTAL, DETA_COSTO)
      VALUES (NEXT VALUE FOR SEQ_DOCUMENTOS_DET, :DOC, :ARTICLE, :QTY, :QTY * :PRICE, :QTY * :COST);
      LINE_NO = LINE_NO + 1;
    END
    LINES_LEFT = LINES_LEFT - DOC_LINES;
  END
END^
SET TERM ; ^
COMMIT;
SQL
}

generation_script() {
    local left=$line_count batch
    echo "CREATE OR ALTER EXCEPTION E_SIN_DATOS_DE_MUESTRA 'No hay clientes o articulos de las familias 01 y 02';"
    while [ "$left" -gt 0 ]; do
        batch=$(( left < batch_lines ? left : batch_lines ))
        batch_block "$batch"
        left=$(( left - batch ))
    done
}

erp_isql "$erp_db_target" < <(generation_script) || fail "generating sales in $erp_db_file failed"
