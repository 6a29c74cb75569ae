#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the libFuzzer targets with clang, ASan and UBSan in their own folder and fuzzes each
# for a while, starting from its committed seed corpus.
#   bench/fuzz.sh [seconds per target, default 180] [target ...]
# Findings are written to <build>/findings/<target>/ (crash-*, timeout-*); the corpus grown
# by a run stays in <build>/corpus/<target>/ and is not committed.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-180}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(hexhelpers intelhex settings telnet)
build=${TAVRO_FUZZ_BUILD:-/tmp/tavro-fuzz}

for p in clang-14 libclang-rt-14-dev; do
    dpkg -s "$p" >/dev/null 2>&1 || { echo "needs $p: sudo apt-get install $p" >&2; exit 2; }
done
CXX=/usr/bin/clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVRO_FUZZ=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]/#/fuzz_}"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=0 # short-lived inputs: leaks are the ctest run's concern
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
status=0
for t in "${targets[@]}"; do
    corpus="$build/corpus/$t" findings="$build/findings/$t"
    mkdir -p "$corpus" "$findings"
    echo "== $t: ${seconds} s"
    log="$build/fuzz_$t.log"
    if "$build/tests/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 -max_len=8192 \
        -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" "tests/fuzz/corpus/$t" >"$log" 2>&1; then
        result=ok
    else
        result="FOUND (see $findings and $log)"
        status=1
    fi
    execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo ?)
    rate=$(grep -o 'stat::average_exec_per_sec: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo ?)
    cov=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$log" | tail -1 || echo ?)
    echo "   $execs executions, $rate/s, $cov, corpus $(ls "$corpus" | wc -l) files: $result"
done
exit $status
