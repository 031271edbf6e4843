#!/usr/bin/env bash
# Checks what a player gets, from an already built build folder:
#   1. `cmake --install` into a temporary prefix writes exactly the expected files: the program,
#      every author tool with its manual page, the demo game as the build assembled it (without
#      save files), the icon at every size, the desktop entry, the metainfo, README and licence;
#   2. the desktop entry and the metainfo pass desktop-file-validate and appstreamcli validate;
#   3. the installed program, started with no game, plays the installed demo (a screenshot of it
#      is written and its save files appear);
#   4. CPack's Debian package is named miravel_<version>_<arch>.deb, holds the same files under
#      /usr and depends on the runtime packages the program uses.
# usage: packaging/check_install.sh BUILD-DIR
set -euo pipefail
build=$(cd "$1" && pwd)
src=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "check_install: $*" >&2; exit 1; }

# 1. the file list
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >"$work/install.log" || { cat "$work/install.log"; exit 1; }
app_id=$(sed -n 's/^set(MIRAVEL_APP_ID \(.*\))$/\1/p' "$src/packaging/CMakeLists.txt")
[ -n "$app_id" ] || fail "no application id in packaging/CMakeLists.txt"
{
  echo bin/miravel
  echo share/man/man6/miravel.6
  for tool in "$src"/tools/*.cpp; do
    name=miravel-$(basename "$tool" .cpp)
    echo "bin/$name"
    echo "share/man/man1/$name.1"
  done
  for n in 16 24 32 48 64 128 256; do echo "share/icons/hicolor/${n}x$n/apps/miravel.png"; done
  echo "share/applications/$app_id.desktop"
  echo "share/metainfo/$app_id.metainfo.xml"
  echo share/doc/miravel/README.md
  echo share/doc/miravel/LICENSE
  (cd "$build/demo-game" && find . -type f ! -iname '*.svd' | sed 's|^\./|share/miravel/demo/|')
} | sort >"$work/expected"
(cd "$prefix" && find . -type f | sed 's|^\./||' | sort) >"$work/installed"
if ! diff -u "$work/expected" "$work/installed"; then
  fail "installed files differ from the expected list (- missing, + unexpected)"
fi
grep -q '^share/miravel/demo/mscs.ssf$' "$work/installed" || fail "the demo game is not installed"
echo "installed: $(wc -l <"$work/installed") files"

# 2. the validators
desktop-file-validate "$prefix/share/applications/$app_id.desktop"
appstreamcli validate --no-net "$prefix/share/metainfo/$app_id.metainfo.xml"
grep -q "^Icon=miravel$" "$prefix/share/applications/$app_id.desktop" ||
  fail "the desktop entry does not name the icon miravel"

# 3. the installed program with no game argument: the demo, its saves in the data folder (also
# for the superuser, who could write the demo folder: nothing may be left there)
chmod -R a-w "$prefix/share/miravel/demo"
printf '1500 shot %s\n2000 quit\n' "$work/demo.bmp" >"$work/script.txt"
(cd "$work" && env -u XDG_DATA_HOME HOME="$work/home" XDG_DATA_HOME="$work/data" \
  SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy "$prefix/bin/miravel" --autoplay script.txt) ||
  fail "the installed miravel exited with status $?"
chmod -R u+w "$prefix/share/miravel/demo"
[ -s "$work/demo.bmp" ] || fail "the installed miravel wrote no screenshot"
saves=$work/data/miravel/demo
[ -f "$saves/orxrf.svd" ] || fail "the installed demo kept no save files in $saves"
[ -z "$(find "$prefix/share/miravel/demo" -iname '*.svd')" ] ||
  fail "the installed demo wrote save files into its own folder"
echo "the installed program played the installed demo (saves in ${saves#"$work"/})"

# 4. the Debian package
(cd "$build" && cpack -B "$work/package" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; exit 1; }
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
deb=$work/package/miravel_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || { ls "$work/package"; fail "no package $(basename "$deb")"; }
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $NF}' | sed 's|^\./usr/||' | sort >"$work/packaged"
diff -u "$work/installed" "$work/packaged" || fail "the package's files differ from the install"
depends=$(dpkg-deb -f "$deb" Depends)
echo "$(basename "$deb"): $(wc -l <"$work/packaged") files; Depends: $depends"
names=$(echo "$depends" | tr ',|' '\n\n' | awk '{print $1}')
for pkg in libsdl2-2.0-0 libsdl2-mixer-2.0-0 libfreetype6 libfontconfig1 libjpeg62-turbo \
  fonts-ipafont-gothic timgm6mb-soundfont; do
  grep -qx -- "$pkg" <<<"$names" || fail "the package does not depend on $pkg"
done
