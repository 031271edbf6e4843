#!/usr/bin/env bash
# Checks that the source tree keeps the layering the folders promise:
#   - each host library's headers are included only in the platform folder that wraps it, so
#     the rest of the engine sees the layer's own types and never SDL, FreeType, fontconfig,
#     libjpeg, libpng, iconv or libunibreak;
#   - the product's code names no test double: fakes live in src/platform/backend/fake. The one
#     exception is the program entry, src/main.cpp, which picks the host: a headless run
#     (--headless) plays on the fake backend's virtual clock.
# Usage: layering.sh SOURCE-DIR [PLATFORM-LIBRARY [TOOL...]]
# With PLATFORM-LIBRARY (the built static library) it also checks that no fake symbol is in it;
# each TOOL (an author tool's program) must not hold the main form: tools need no window.
set -uo pipefail
root=${1:?usage: layering.sh SOURCE-DIR [PLATFORM-LIBRARY [TOOL...]]}
cd "$root" || exit 2
failed=0

# allowed HEADER-PATTERN WHERE...: every include of the header lies under one of WHERE.
allowed() {
  local pattern=$1 hit file ok where
  shift
  while IFS= read -r hit; do
    file=${hit%%:*}
    ok=0
    for where in "$@"; do
      [[ $file == "$where"* ]] && ok=1
    done
    if ((ok == 0)); then
      echo "layering: $hit: this header belongs to $*"
      failed=1
    fi
  done < <(grep -rnE "^[[:space:]]*#[[:space:]]*include[[:space:]]*<($pattern)" \
             src tools tests bench demo 2>/dev/null)
}

# The probe that must fail to compile is the one exception.
allowed 'SDL[^>]*\.h' src/platform/backend/sdl/ tests/structure/sdl_include_probe.cpp
allowed 'ft2build\.h|freetype/' src/platform/text/
allowed 'fontconfig/' src/platform/text/
allowed 'iconv\.h' src/platform/text/
allowed 'linebreak\.h|linebreakdef\.h|unibreakdef\.h' src/platform/text/
# The test support and the demo's asset generator encode JPEG pictures of their own.
allowed 'jpeglib\.h' src/platform/pictures/ tests/support/jpeg_encode.cpp demo/
# The test support decodes the screenshots it checks with libpng itself.
allowed 'png\.h' src/platform/pictures/ tests/support/png_decode.cpp

# Test doubles named in product code (comments aside).
while IFS= read -r hit; do
  code=$(sed -E 's://.*$::' <<<"${hit#*:*:}")
  if grep -qiE 'fake' <<<"$code"; then
    echo "layering: $hit: a test double in product code (it belongs in src/platform/backend/fake)"
    failed=1
  fi
done < <(grep -rniE 'fake' src --include='*.cpp' --include='*.h' |
           grep -v '^src/platform/backend/fake/' |
           grep -v '^src/main\.cpp:')

if [[ $# -ge 2 ]]; then
  symbols=$(nm -C "$2" 2>/dev/null | grep -iE ' [TtDdBbRrWV] .*fake')
  if [[ -n $symbols ]]; then
    echo "layering: the platform library defines test doubles:"
    head -5 <<<"$symbols"
    failed=1
  fi
fi

for tool in "${@:3}"; do
  if [[ $(nm -C "$tool" 2>/dev/null | grep -c 'TMainFrm::') != 0 ]]; then
    echo "layering: $tool links the main form (TMainFrm)"
    failed=1
  fi
done

((failed == 0)) && echo "layering: ok"
exit $failed
