#!/usr/bin/env bash
# Searches with every fuzz target for SECONDS each (default 60), one after the
# other, or FUZZ_JOBS of them at a time: scripts/fuzz.sh SECONDS [TARGET...].
# Builds with clang into build-fuzz/ (or $WW_FUZZ_BUILD). New inputs go to the
# build folder's corpus, beside the seeds in fuzz/corpus/; a finding is
# written to <build>/findings/<target>/ and ends that target with an error.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${WW_FUZZ_BUILD:-$root/build-fuzz}
seconds=${1:-60}
shift || true
jobs=${FUZZ_JOBS:-1}

"$root/scripts/deps.sh"
cxx=$(command -v clang++-14 || command -v clang++)
CC=${cxx/clang++/clang} CXX=$cxx cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DWW_FUZZ=ON -DWW_TESTS=OFF -DWW_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target fuzz_targets

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for t in "$root"/fuzz/fuzz_*.cpp; do t=${t##*/fuzz_}; targets+=("${t%.cpp}"); done
fi

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=abort_on_error=1:detect_leaks=0
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

run() {
  local t=$1 log="$build/fuzz-logs/$1.log"
  mkdir -p "$build/corpus/$t" "$build/findings/$t" "$build/fuzz-logs"
  local dict=()
  [ -f "$root/fuzz/dict/$t.dict" ] && dict=(-dict="$root/fuzz/dict/$t.dict")
  if "$build/fuzz/fuzz_$t" "${dict[@]}" -max_total_time="$seconds" -timeout=10 \
       -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$build/findings/$t/" \
       "$build/corpus/$t" "$root/fuzz/corpus/$t" >"$log" 2>&1; then
    local execs rate
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
    echo "$t: no finding in ${seconds} s, $execs executions, $rate execs/s"
  else
    echo "$t: FINDING, see $log and $build/findings/$t/" >&2
    return 1
  fi
}

status=0
running=0
for t in "${targets[@]}"; do
  run "$t" &
  running=$((running + 1))
  if [ "$running" -ge "$jobs" ]; then
    wait -n || status=1
    running=$((running - 1))
  fi
done
while [ "$running" -gt 0 ]; do
  wait -n || status=1
  running=$((running - 1))
done
exit $status
