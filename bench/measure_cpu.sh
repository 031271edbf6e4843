#!/usr/bin/env bash
# CPU use of the real program while it waits for the player: 10 s each on the title menu, in the
# story's click wait and in the in-game menu, as a percentage of one core. Runs the demo game
# with SDL's dummy video driver and an input script; reads utime+stime from /proc/PID/stat for
# the whole process and from /proc/PID/task/PID/stat for its main (game) thread alone: the rest
# is SDL's audio thread, which synthesises the demo's MIDI music while it plays.
#   bench/measure_cpu.sh [BUILD-DIR]      (default: build, as ./run makes it)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
prepare_demo_game measure_cpu "${1:-}"
rm -f "$work"/game/*.svd
cat >"$work/script.txt" <<'SCRIPT'
9000 click 320 150
21500 click 320 262
38500 rclick 320 150
50500 quit
SCRIPT
# Phases: name start-ms end-ms (counted from the program's start).
phases=("title-menu 11000 21000" "click-wait 28000 38000" "in-game-menu 40000 50000")

hz=$(getconf CLK_TCK)
SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy} \
  "$bin" "$work/game" --autoplay "$work/script.txt" >"$work/log" 2>&1 &
pid=$!
t0=$(date +%s%N)

ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
main_ticks() { awk '{print $14 + $15}' "/proc/$pid/task/$pid/stat"; }
wait_until() {  # ms since start
  local now
  while :; do
    now=$((($(date +%s%N) - t0) / 1000000))
    [ "$now" -ge "$1" ] && return
    sleep 0.01
  done
}
for p in "${phases[@]}"; do
  read -r name from to <<<"$p"
  wait_until "$from"
  a=$(ticks); ma=$(main_ticks); ta=$(date +%s%N)
  wait_until "$to"
  b=$(ticks); mb=$(main_ticks); tb=$(date +%s%N)
  awk -v n="$name" -v d=$((b - a)) -v md=$((mb - ma)) -v hz="$hz" -v ns=$((tb - ta)) \
    'BEGIN { s = ns / 1e9; printf "%-13s %5.2f %% of one core, game thread %5.2f %% (%d ticks in %.2f s)\n", n, 100 * d / hz / s, 100 * md / hz / s, d, s }'
done
wait "$pid" || { echo "measure_cpu: program exit status $?" >&2; cat "$work/log" >&2; exit 1; }
