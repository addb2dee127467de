#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz/ with clang (ASan + UBSan) in build/fuzz and runs
# each for the given number of seconds (default 30), starting from its seeds in
# tests/fuzz/seeds/<target>/, each of which must first reach the target's checks. Inputs that break a target land in build/fuzz/findings/; once its
# fault is mended, copy such an input into the target's seeds.
#   bash scripts/fuzz.sh [seconds] [target...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(ini_file clean_list record_name phone_path phone_ini manifest trash_index)

bash scripts/install-deps.sh
cmake -S tests/fuzz -B build/fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build/fuzz -j2 --target "${targets[@]/#/fuzz_}"

export UBSAN_OPTIONS=print_stacktrace=1
failed=()
for target in "${targets[@]}"; do
  corpus="build/fuzz/corpus/$target" # the seeds plus what the runs found interesting
  mkdir -p "$corpus" build/fuzz/findings
  echo "== fuzz_$target, ${seconds} s"
  # Each seed alone first: every one must reach the target's checks (FuzzCheck.h, OracleReach).
  if ! ZANDREL_FUZZ_SEEDS=1 "build/fuzz/fuzz_$target" "tests/fuzz/seeds/$target"/* \
      >"build/fuzz/$target-seeds.log" 2>&1; then
    failed+=("$target (its seeds)")
    grep -B2 -A2 "does not reach\|property broken" "build/fuzz/$target-seeds.log" | tail -n 20
    continue
  fi
  if ! "build/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -max_len=8192 -artifact_prefix="build/fuzz/findings/$target-" \
      "$corpus" "tests/fuzz/seeds/$target" >"build/fuzz/$target.log" 2>&1; then
    failed+=("$target")
    tail -n 40 "build/fuzz/$target.log"
  else
    grep -E "^Done|stat::number_of_executed_units" "build/fuzz/$target.log" | tail -n 1 || true
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "Fuzzing found faults in: ${failed[*]} (inputs in build/fuzz/findings/)" >&2
  exit 1
fi
