#!/usr/bin/env bash
# Installs what is missing, builds, starts the services the tests talk to
# (each script in scripts/services/), runs every test through ctest, then the
# Windows side: its build and its tests under Wine (scripts/windows-tests.sh).
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"

ensure_packages "$root"/scripts/deps/*.txt
build_project

# Each service script takes "start" or "stop"; on start it appends the
# variables the tests read (export NAME=value) to $TRAMEX_SERVICES_ENV.
export TRAMEX_SERVICES_ENV=$build_dir/test-services.env
: > "$TRAMEX_SERVICES_ENV"
services=("$root"/scripts/services/*.sh)
stop_services() {
    for svc in "${services[@]}"; do
        [ -x "$svc" ] && "$svc" stop || true
    done
}
if [ -e "${services[0]}" ]; then
    trap stop_services EXIT
    for svc in "${services[@]}"; do
        say "starting $(basename "$svc" .sh)"
        "$svc" start
    done
fi
set -a
source "$TRAMEX_SERVICES_ENV"
set +a

export QT_QPA_PLATFORM=offscreen
say "running the tests"
ctest --test-dir "$build_dir" --output-on-failure -j"${TRAMEX_JOBS:-2}" --timeout 300

say "the Windows programs and their tests under Wine"
"$root"/scripts/windows-tests.sh
