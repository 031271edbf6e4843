#!/usr/bin/env bash
# Runs every fuzz target (or the ones named) for SECONDS each, starting from its corpus in
# tests/fuzz/corpus/<name>/, then minimises what the run found into that folder again, so that
# the short runs of ./test start from it. Prints the executions of each target and stops with
# status 1 when a target found something (the input is kept under <build>/artifacts/) or its
# minimisation failed (the run's inputs are then kept in <build>/long/<name>.corpus).
#
#   tests/fuzz/run_long.sh [SECONDS] [TARGET...]      (default: 600 s, every target)
#
# Environment: MIRAVEL_FUZZ_BUILD (default build-test/fuzz; configured and built when missing),
# MIRAVEL_JOBS (targets run side by side; default: the number of processors).
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../.."

seconds=${1:-600}
shift $(($# > 0 ? 1 : 0))
build=${MIRAVEL_FUZZ_BUILD:-build-test/fuzz}
jobs=${MIRAVEL_JOBS:-$(nproc)}

case "$seconds" in
  '' | *[!0-9]*) echo "usage: $0 [SECONDS] [TARGET...]" >&2; exit 2 ;;
esac

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for src in tests/fuzz/*.cpp; do targets+=("$(basename "$src" .cpp)"); done
fi

if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja -DMIRAVEL_TESTS=ON -DCMAKE_C_COMPILER=clang \
    -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
    "-DCMAKE_C_FLAGS_DEBUG=-O1 -gline-tables-only" "-DCMAKE_CXX_FLAGS_DEBUG=-O1 -gline-tables-only" \
    -DMIRAVEL_FUZZ=ON -DMIRAVEL_SANITIZE=OFF -DMIRAVEL_BENCH=OFF -DMIRAVEL_WERROR=OFF >/dev/null ||
    exit 1
fi
ninja -C "$build" fuzz_all >/dev/null || { ninja -C "$build" fuzz_all | tail -n 30; exit 1; }

logs="$build/long"
mkdir -p "$logs" "$build/artifacts"
# Leaks are found by the sanitizer runs of ./test; the long runs look for crashes, reports and
# hangs. LeakSanitizer also cannot run where the process may not be traced.
export ASAN_OPTIONS="detect_leaks=0:abort_on_error=0:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# The targets' scratch folders go to memory when it can hold them: every save rewrite is
# flushed to disk, which would otherwise be most of a target's time.
[ -d /dev/shm ] && [ -w /dev/shm ] && export TMPDIR=/dev/shm

# run_one NAME: the long run, then the minimisation; writes $logs/NAME.result.
run_one() {
  local name=$1 bin="$build/fuzz/fuzz_$1" seeds="tests/fuzz/corpus/$1" work minimised rc
  local before=0 after execs
  [ -x "$bin" ] || { echo "$name missing 0 0 0 0" >"$logs/$name.result"; return; }
  work=$(mktemp -d)
  minimised=$(mktemp -d)
  if [ -d "$seeds" ]; then
    cp -r "$seeds/." "$work/"
    before=$(find "$seeds" -type f | wc -l)
  fi
  "$bin" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -detect_leaks=0 \
    -artifact_prefix="$build/artifacts/$name-" "$work" >"$logs/$name.log" 2>&1
  rc=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$logs/$name.log" | tail -n 1)
  if [ $rc -eq 0 ]; then
    mkdir -p "$minimised"
    if "$bin" -merge=1 -timeout=10 -rss_limit_mb=2048 "$minimised" "$work" >"$logs/$name.merge.log" 2>&1; then
      rm -rf "$seeds"
      mkdir -p "$seeds"
      cp "$minimised"/* "$seeds/" 2>/dev/null
      after=$(find "$seeds" -type f 2>/dev/null | wc -l)
      echo "$name ok ${execs:-0} $seconds $before $after" >"$logs/$name.result"
    else
      # The run found nothing, but what it kept must not be lost: it stays for a merge by hand.
      rm -rf "$logs/$name.corpus"
      mv "$work" "$logs/$name.corpus"
      echo "$name unmerged ${execs:-0} $seconds $before $before" >"$logs/$name.result"
    fi
  else
    echo "$name FINDING ${execs:-0} $seconds $before $before" >"$logs/$name.result"
  fi
  rm -rf "$work" "$minimised"
}

echo "fuzzing ${#targets[@]} targets for $seconds s each, $jobs at a time (logs in $logs)"
running=0
for name in "${targets[@]}"; do
  run_one "$name" &
  running=$((running + 1))
  if [ "$running" -ge "$jobs" ]; then
    wait -n
    running=$((running - 1))
  fi
done
wait

status=0
printf '%-20s %-8s %14s %10s %12s\n' target result executions exec/s corpus
for name in "${targets[@]}"; do
  read -r _ result execs secs before after <"$logs/$name.result"
  printf '%-20s %-8s %14s %10s %12s\n' "$name" "$result" "$execs" "$((execs / (secs > 0 ? secs : 1)))" \
    "$before -> $after"
  if [ "$result" = unmerged ]; then
    status=1
    echo "  the minimisation failed (log: $logs/$name.merge.log); the run's inputs are in $logs/$name.corpus"
  elif [ "$result" != ok ]; then
    status=1
    grep -m1 -E 'ERROR|deadly|Test unit written' "$logs/$name.log"
    echo "  (log: $logs/$name.log)"
  fi
done
exit $status
