#!/usr/bin/env bash
# Builds the benchmarks and runs them; every row shows Zandrel's time (the Time column and
# zandrel_ms), the baseline's time taken in the same run (baseline_ms) and their ratio.
#   bash scripts/bench.sh [bench-name...]     e.g. bash scripts/bench.sh bench_sweep_list
# ZANDREL_BENCH_4M=1 adds four-million-entry rows to the list benchmarks. Extra Google Benchmark
# flags go in BENCH_FLAGS, e.g. BENCH_FLAGS=--benchmark_filter=Tick.
set -euo pipefail
cd "$(dirname "$0")/.."
all=(bench_sweep_list bench_clean_list bench_read_from_phone bench_phone_window bench_emulator bench_startup
     bench_sweep_list_view)
benches=("$@")
[ ${#benches[@]} -gt 0 ] || benches=("${all[@]}")
bash scripts/build.sh default "${benches[@]}"
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
for bench in "${benches[@]}"; do
  echo "== $bench"
  run=()
  # The start-up bench also times both programs on an X server; without one it makes its own.
  if [ "$bench" = bench_startup ] && [ -z "${DISPLAY:-}" ] && command -v xvfb-run >/dev/null; then
    run=(xvfb-run -a -s "-screen 0 1024x768x24")
  fi
  # shellcheck disable=SC2086
  "${run[@]}" "build/default/bin/$bench" --benchmark_counters_tabular=true ${BENCH_FLAGS:-}
  # The window's answers to the pointer and to pings while it works, on an X server of its own.
  if [ "$bench" = bench_phone_window ] && command -v xvfb-run >/dev/null; then
    QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1024x768x24" "build/default/bin/$bench" \
      --benchmark_counters_tabular=true --benchmark_filter=WindowAnswersUnderX
  fi
done
