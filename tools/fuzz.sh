#!/usr/bin/env bash
# Builds the native fuzz targets and sanitizer tests of the portable core
# with clang (ASan + UBSan + libFuzzer) and runs them.
#
#   tools/fuzz.sh [target|all] [seconds]   run one or every target, each for
#                                          `seconds` (default 600), keeping new
#                                          corpus entries in build/fuzz/corpus
#   tools/fuzz.sh --ci                     the test run's stage: the sanitizer
#                                          unit tests, then every target for
#                                          20 s from its seed corpus
#
# Any crash, sanitizer report, failed check, leak, input slower than 1 s or
# use of more than 256 MB fails the run; the reproducer is left in
# build/fuzz/artifacts. QUORVEL_FUZZ_JOBS sets how many targets run at once
# (default: the number of cores for --ci, 4 otherwise).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_dir="$root/build/fuzz"
fuzz_dir="$root/tests/fuzz"

ci=0
if [[ "${1:-}" == "--ci" ]]; then
  ci=1
  shift
fi
selected="${1:-all}"
seconds="${2:-600}"
if ((ci)); then seconds=20; fi
jobs="${QUORVEL_FUZZ_JOBS:-$( ((ci)) && nproc || echo 4)}"

"$root/tools/setup.sh" --fuzz

if [[ ! -f "$build_dir/build.ninja" ]]; then
  cmake -S "$fuzz_dir" -B "$build_dir" -G Ninja \
        -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
fi
cmake --build "$build_dir"

read -r -a all_targets <<<"$(tr ';' ' ' <"$build_dir/fuzz_targets.txt")"
if [[ "$selected" == "all" ]]; then
  targets=("${all_targets[@]}")
else
  if [[ ! " ${all_targets[*]} " == *" $selected "* ]]; then
    echo "unknown target '$selected'; targets: ${all_targets[*]}" >&2
    exit 2
  fi
  targets=("$selected")
fi

# A small quarantine keeps the sanitizer's own memory out of the 256 MB budget.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:symbolize=1:quarantine_size_mb=16"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

if ((ci)); then
  echo "== sanitizer unit tests"
  "$build_dir/portable_sanitizer_tests" --gtest_brief=1
fi

mkdir -p "$build_dir/logs" "$build_dir/artifacts"

# One target: a working corpus in the build tree (new entries land there)
# next to the seeds; the summary line goes to logs/<target>.result.
run_target() {
  local target="$1"
  local work="$build_dir/corpus/$target"
  if ((ci)); then
    # Every test run starts from the seeds alone.
    work="$build_dir/ci-corpus/$target"
    rm -rf "$work"
  fi
  local log="$build_dir/logs/$target.log"
  local dictionary="$fuzz_dir/dictionaries/$target.dict"
  local options=(-max_total_time="$seconds" -timeout=1 -rss_limit_mb=256
                 -malloc_limit_mb=256 -print_final_stats=1
                 -artifact_prefix="$build_dir/artifacts/$target-")
  if [[ -f "$dictionary" ]]; then options+=(-dict="$dictionary"); fi
  mkdir -p "$work"
  local status=0
  nice "$build_dir/${target}_fuzz" "${options[@]}" "$work" "$fuzz_dir/corpus/$target" \
    >"$log" 2>&1 || status=$?
  local executions coverage result
  executions="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)"
  coverage="$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)"
  if ((status == 0)); then result="ok"; else result="FAILED ($status)"; fi
  printf '%s|%s|%s|%s\n' "$target" "${executions:-?}" "${coverage:-?}" "$result" \
    >"$build_dir/logs/$target.result"
  return "$status"
}

echo "== fuzzing ${targets[*]} for ${seconds} s each, $jobs at a time"
pids=()
failed=0
for target in "${targets[@]}"; do
  rm -f "$build_dir/logs/$target.result"
  run_target "$target" &
  pids+=("$!")
  while (($(jobs -rp | wc -l) >= jobs)); do wait -n || true; done
done
for pid in "${pids[@]}"; do wait "$pid" || true; done

echo "target | executions | coverage (edges) | result"
for target in "${targets[@]}"; do
  line="$(cat "$build_dir/logs/$target.result" 2>/dev/null || echo "$target|?|?|no result")"
  echo "${line//|/ | }"
  if [[ "$line" != *"|ok" ]]; then
    failed=1
    log="$build_dir/logs/$target.log"
    echo "--- $log"
    if grep -qE 'ERROR|fuzz check failed|runtime error' "$log"; then
      grep -E -A40 'ERROR|fuzz check failed|runtime error' "$log" | head -60
    else
      tail -20 "$log"
    fi
  fi
done
exit "$failed"
