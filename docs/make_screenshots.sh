#!/usr/bin/env bash
# Remakes the README's screenshots of the demo game with the program's own autoplay "shot"
# command: the title, a line of the story and the ending roll (about a minute, no window
# needed), converted to PNG with ImageMagick.
#   docs/make_screenshots.sh [BUILD-DIR]    (default: build, the folder ./run builds)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
[ -x "$build/miravel" ] && [ -f "$build/demo-game/mscs.ssf" ] ||
  { echo "make_screenshots: no program or demo game in $build" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$build/demo-game" "$work/game"
rm -f "$work"/game/*.svd

# Title menu, "はじめから", the two names, the meadow held through to Mira's greeting, the
# seaside choice, then held through the seaside to the first credits of its ending roll.
cat >"$work/script.txt" <<SCRIPT
9000 shot $work/title.bmp
9500 click 320 150
11500 click 320 262
15000 text 山田
15500 key TAB
16000 text 花子
16500 click 323 392
19000 down 320 150
22000 shot $work/story.bmp
32000 up 320 150
33000 click 100 390
40500 down 320 150
52000 shot $work/ending.bmp
52500 terminate
SCRIPT
(cd "$work" && HOME="$work" XDG_DATA_HOME="$work/data" SDL_VIDEODRIVER=dummy \
  SDL_AUDIODRIVER=dummy "$build/miravel" game --autoplay script.txt >/dev/null) || true
for name in title story ending; do
  [ -s "$work/$name.bmp" ] || { echo "make_screenshots: no $name screenshot" >&2; exit 1; }
  convert "$work/$name.bmp" -strip -define png:compression-level=9 "$root/docs/$name.png"
  echo "docs/$name.png"
done
