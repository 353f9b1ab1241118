#!/usr/bin/env bash
# Export benchmark: creates a demo company with N sales lines (default one
# million) under WORKDIR once, then times exports of family 01 for today
# against a bare fetch of the same procedure runs, ROUNDS times each
# (default 3), and prints the medians.
# usage: bench/extract/run.sh [WORKDIR] [N] [ROUNDS]   (build first: extract_bench target)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build_dir=${TRAMEX_BUILD_DIR:-$root/build}
work=${1:-/tmp/tramex-extract-bench}
lines=${2:-1000000}
rounds=${3:-3}
database=$work/datos/BENCH/quintor.fdb

if [ ! -e "$database" ]; then
    "$root"/deploy/erp/create-demo-db.sh "$work" BENCH >/dev/null
    echo "generating $lines sales lines..." >&2
    "$root"/deploy/erp/generate-sales.sh "$work" BENCH "$lines"
fi
mkdir -p "$work/out"
exec "$build_dir"/bench/extract_bench --database "$database" --user SYSDBA \
    --date "$(date +%F)" --branch 0 --family 01 --out "$work/out" --rounds "$rounds"
