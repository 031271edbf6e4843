#!/usr/bin/env bash
# CPU use of the real program while it waits for the player or plays a screen on its own, 10 s
# each, as a percentage of one core: the title menu, the name entry (the demo asks for the
# hero's name right after "はじめから"), the story's click wait and the in-game menu in one run of
# the demo; the ending roll in a second run whose story goes straight to the first roll. Runs
# with SDL's dummy video driver and an input script; reads utime+stime from /proc/PID/stat for
# the whole process and from /proc/PID/task/PID/stat for its main (game) thread alone: the rest
# is SDL's audio thread, which synthesises the demo's MIDI music while it plays. Each line also
# gives the resident memory (VmRSS of /proc/PID/status) at the phase's end.
#   bench/measure_cpu.sh [--x11] [BUILD-DIR]      (default: build, as ./run makes it)
# --x11 runs the program in a real window on a virtual X display (Xvfb) instead of SDL's dummy
# video driver: what a player's desktop without a GPU costs.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
x11=0
if [ "${1:-}" = --x11 ]; then
  x11=1
  shift
fi
prepare_demo_game measure_cpu "${1:-}"
if [ "$x11" = 1 ]; then
  start_xvfb
  video=(env -u SDL_VIDEODRIVER DISPLAY="$xdisplay")
else
  video=(env SDL_VIDEODRIVER=dummy)
fi
rm -f "$work"/game/*.svd
hz=$(getconf CLK_TCK)

# measure GAME-DIR SCRIPT PHASE...: runs the program on GAME-DIR driven by SCRIPT and prints
# one line per phase "name start-ms end-ms" (counted from the program's start).
measure() {
  local game=$1 script=$2 pid t0 p name from to a b ma mb ta tb rss
  shift 2
  "${video[@]}" SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}" \
    "$bin" "$game" --autoplay "$script" >"$work/log" 2>&1 &
  pid=$!
  t0=$(date +%s%N)
  ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
  main_ticks() { awk '{print $14 + $15}' "/proc/$pid/task/$pid/stat"; }
  wait_until() {  # ms since start
    while [ $((($(date +%s%N) - t0) / 1000000)) -lt "$1" ]; do sleep 0.01; done
  }
  for p in "$@"; do
    read -r name from to <<<"$p"
    wait_until "$from"
    a=$(ticks); ma=$(main_ticks); ta=$(date +%s%N)
    wait_until "$to"
    b=$(ticks); mb=$(main_ticks); tb=$(date +%s%N)
    rss=$(awk '/^VmRSS:/ {print int($2 / 1024)}' "/proc/$pid/status")
    awk -v n="$name" -v d=$((b - a)) -v md=$((mb - ma)) -v hz="$hz" -v ns=$((tb - ta)) -v rss="$rss" \
      'BEGIN { s = ns / 1e9; printf "%-13s %5.2f %% of one core, game thread %5.2f %% (%d ticks in %.2f s), %d MB resident\n", n, 100 * d / hz / s, 100 * md / hz / s, d, s, rss }'
  done
  wait "$pid" || { echo "measure_cpu: program exit status $?" >&2; cat "$work/log" >&2; exit 1; }
}

cat >"$work/script.txt" <<'SCRIPT'
9000 click 320 150
21500 click 320 262
36000 key RETURN
48500 rclick 320 150
60500 quit
SCRIPT
measure "$work/game" "$work/script.txt" "title-menu 11000 21000" "name-entry 25500 35500" \
  "click-wait 38000 48000" "in-game-menu 50000 60000"

# The ending roll: a story that shows the seaside and goes to the first roll at once.
cp -r "$work/game" "$work/ending"
rm -f "$work"/ending/*.svd
printf 'roll \n#LOADBKJPG=SEASIDE\n#DRAWBKGRP\n#GOENDING=1\n' >"$work/ending.txt"
"$build/miravel-pack" "$work/ending.txt" "$work/ending/mscs.ssf" >/dev/null
cat >"$work/script.txt" <<'SCRIPT'
9000 click 320 150
11000 click 320 262
31000 quit
SCRIPT
measure "$work/ending" "$work/script.txt" "ending-roll 18000 28000"
