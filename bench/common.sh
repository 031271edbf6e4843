# Shared start of the measuring scripts, sourced by them.

# Checks that the program and the demo game are built in BUILD-DIR (default: build, as ./run
# makes it) and copies the game to "$work/game", a temporary folder removed when the script
# exits. Sets build, bin and work; exits with status 2 when something is missing.
prepare_demo_game() {  # script-name [BUILD-DIR]
  build=${2:-build}
  bin=$build/miravel
  [ -x "$bin" ] && [ -f "$build/demo-game/mscs.ssf" ] || {
    echo "$1: build the program and the demo game first ($bin)" >&2
    exit 2
  }
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  cp -r "$build/demo-game" "$work/game"
}

# Starts a virtual X display (Xvfb, 1920x1200x24) on the first free display number from 80 on
# and sets xdisplay to it (":N"); the server is stopped when the script exits. Exits with
# status 2 when Xvfb is missing or does not start.
start_xvfb() {
  command -v Xvfb >/dev/null || { echo "Xvfb is not installed" >&2; exit 2; }
  local n
  for n in $(seq 80 99); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || break
  done
  Xvfb ":$n" -screen 0 1920x1200x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  trap 'kill "$xvfb_pid" 2>/dev/null; rm -rf "$work"' EXIT
  for _ in $(seq 100); do
    [ -e "/tmp/.X11-unix/X$n" ] && break
    sleep 0.05
  done
  [ -e "/tmp/.X11-unix/X$n" ] || { echo "Xvfb :$n did not start" >&2; exit 2; }
  xdisplay=":$n"
}
