#!/usr/bin/env bash
# Runs one fuzz target for a bounded time and sums it up in one line, also kept in WORK/summary:
#   fuzz_<name>: <N> executions, <K> findings
# The run starts from a fresh WORK folder: new inputs go to WORK/corpus, findings (the inputs
# that broke a property or a sanitizer's check) to WORK/findings; the committed seed corpus is
# only read. Exits non-zero on a finding, with the report.
#   run_target.sh FUZZER SECONDS SEED_CORPUS WORK [DICTIONARY]
# KESTRION_FUZZ_SECONDS, when set, replaces SECONDS.
set -euo pipefail
fuzzer=$1
seconds=${KESTRION_FUZZ_SECONDS:-$2}
seeds=$3
work=$4
dict=${5:-}
name=$(basename "$fuzzer")

rm -rf "$work"
mkdir -p "$work/corpus" "$work/findings"
args=(-max_total_time="$seconds" -timeout=10 -print_final_stats=1
      -artifact_prefix="$work/findings/")
[ -z "$dict" ] || args+=(-dict="$dict")
# Reports name functions and lines through clang's own symbolizer (package llvm-14).
symbolizer=/usr/lib/llvm-14/bin/llvm-symbolizer
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:external_symbolizer_path=$symbolizer}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:external_symbolizer_path=$symbolizer}

status=0
"$fuzzer" "${args[@]}" "$work/corpus" "$seeds" >"$work/fuzz.log" 2>&1 || status=$?

runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/fuzz.log" | tail -n 1)
findings=$(find "$work/findings" -type f | wc -l)
[ "$findings" = 0 ] || [ "$status" != 0 ] || status=1
summary="$name: ${runs:-?} executions, $findings findings"
if [ "$status" != 0 ]; then
  # The report: the sanitizer's or the broken property's lines with the first frames of each
  # stack, without libFuzzer's progress lines.
  grep -v -E '^(#[0-9]+|INFO:|Dictionary:|stat::|Done)' "$work/fuzz.log" |
    awk '!/^ +#[0-9]+ / || substr($1, 2) + 0 < 24' | tail -n 80 || true
  [ "$findings" != 0 ] || summary="$summary (the fuzzer failed: exit status $status)"
  find "$work/findings" -type f -printf '  finding: %p\n'
fi
echo "$summary" | tee "$work/summary"
exit "$status"
