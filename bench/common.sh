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
