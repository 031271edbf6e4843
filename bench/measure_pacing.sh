#!/usr/bin/env bash
# Frame pacing of the real program on the real clock: the median interval between revealed
# characters at text speeds 0, 1 and 2, and between the frames of a transition. Runs the demo
# game once per speed with SDL's dummy video driver, an input script that plays the first node
# (after the name entry) and three lines after the first choice, and a timestamp trace
# (MIRAVEL_TRACE).
#   bench/measure_pacing.sh [BUILD-DIR]   (default: build, as ./run makes it)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
prepare_demo_game measure_pacing "${1:-}"
# Clicks leave each line about a second more than it needs at speed 0 (about 50 ms a
# character); the faster speeds simply wait longer. A click that still comes early completes
# its line at once, which the interval filter below leaves out. Title menu "はじめから" is at
# y 250-274, the first answer of the choice at y 376-404.
cat >"$work/script.txt" <<'SCRIPT'
# title picture -> title menu -> start; the name entry opens after the first fade and Enter
# keeps the names it offers
3000 click 320 150
4000 click 320 262
7500 key RETURN
# the eight lines of the first node (the sixth follows a 1.5 s bell loop), then the choice
10000 click 320 150
12500 click 320 150
15000 click 320 150
17500 click 320 150
20000 click 320 150
24000 click 320 150
26500 click 320 150
29000 click 320 150
# the seaside: two slit wipes before its first three lines
31500 click 100 390
39000 click 320 150
41500 click 320 150
44000 click 320 150
46500 quit
SCRIPT

# Read-flags file as the program creates it, all zero but for the text speed.
read_flags() {  # speed
  head -c 1026 /dev/zero
  printf "\\x0$1"
  head -c 1024 /dev/zero
}

# Median of the numbers on stdin, one a line: "<median-ms> <count>", or "- 0" for none.
median() {
  sort -n | awk '{ v[++n] = $1 }
    END {
      if (n == 0) { print "- 0"; exit }
      m = (n % 2) ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
      printf "%.1f %d\n", m, n
    }'
}

status=0
for speed in 0 1 2; do
  rm -f "$work"/game/*.svd
  read_flags "$speed" >"$work/game/orxrf.svd"
  trace=$work/trace-$speed.txt
  MIRAVEL_TRACE=$trace SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy} \
    "$bin" "$work/game" --autoplay "$work/script.txt" >"$work/log" 2>&1 || {
    echo "measure_pacing: program exit status $? at speed $speed" >&2
    cat "$work/log" >&2
    exit 1
  }
  touch "$trace"
  # A one- or two-byte step is one revealed character; other steps are a line completed by a
  # click or the start of the next line.
  read -r ms n < <(awk '$2 == "char" {
      if (seen && ($3 == last + 1 || $3 == last + 2)) printf "%.3f\n", ($1 - t) / 1000
      seen = 1; last = $3; t = $1
    }' "$trace" | median)
  printf 'speed-%d  median %s ms over %d intervals (goal %d)\n' "$speed" "$ms" "$n" \
    "$([ "$speed" = 0 ] && echo 50 || echo 16)"
  [ "$n" -gt 0 ] || status=1
done

# Frames of the same transition only: the value numbers the transitions of a run.
read -r ms n < <(for speed in 0 1 2; do
  awk '$2 == "frame" {
      if (seen && $3 == last) printf "%.3f\n", ($1 - t) / 1000
      seen = 1; last = $3; t = $1
    }' "$work/trace-$speed.txt"
done | median)
printf 'transition median %s ms over %d intervals (goal 30)\n' "$ms" "$n"
[ "$n" -gt 0 ] || status=1
[ "$status" = 0 ] || echo "measure_pacing: a measure has no intervals" >&2
exit "$status"
