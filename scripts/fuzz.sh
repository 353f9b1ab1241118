#!/usr/bin/env bash
# Builds the FTP client's libFuzzer target with clang and runs it.
#   scripts/fuzz.sh SECONDS
# Crashing inputs land in build-fuzz/artifacts/; copy each into
# fuzz/regressions/ once fixed, where the test suite replays it.
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"

seconds=${1:?usage: scripts/fuzz.sh SECONDS}
fuzz_dir=${TRAMEX_FUZZ_BUILD_DIR:-$root/build-fuzz}

ensure_packages "$root/fuzz/packages.txt"
say "building the fuzz target into $fuzz_dir"
CXX=clang++ cmake -S "$root/fuzz" -B "$fuzz_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$fuzz_dir" -j"${TRAMEX_JOBS:-2}"

mkdir -p "$fuzz_dir/corpus" "$fuzz_dir/artifacts"
say "fuzzing for $seconds s"
"$fuzz_dir/ftp_fuzz" "$fuzz_dir/corpus" "$root/fuzz/seeds" "$root/fuzz/regressions" \
    -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$fuzz_dir/artifacts/" -print_final_stats=1
