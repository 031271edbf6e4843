# Installs missing Debian packages. Sourced by ./run and ./test.
#   ensure_packages PKG...   installs those of PKG that are not installed yet; when all are there
#                            it does nothing (no package-list update, no root needed).

ensure_packages() {
  local missing=() pkg status
  for pkg in "$@"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$pkg" 2>/dev/null || true)
    [ "$status" = installed ] || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0

  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null 2>&1; then
      echo "missing packages: ${missing[*]}" >&2
      echo "install them as root (apt-get install ${missing[*]}) or install sudo" >&2
      return 1
    fi
    sudo=(sudo)
  fi
  echo "installing: ${missing[*]}"
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# What building and running the engine needs.
RUN_PACKAGES=(
  g++ cmake ninja-build pkg-config
  libsdl2-dev libsdl2-mixer-dev libjpeg62-turbo-dev libfreetype-dev libfontconfig-dev libunibreak-dev
  libpng-dev fonts-ipafont-gothic timgm6mb-soundfont
)
# What the test run adds: test and benchmark libraries, clang with its sanitizer and fuzzer
# runtimes, llvm-symbolizer for readable sanitizer reports, a virtual X server, image tools,
# and for the install check the desktop-file and metainfo validators and dpkg-shlibdeps (which
# computes the Debian package's library dependencies).
TEST_PACKAGES=(
  "${RUN_PACKAGES[@]}"
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev llvm
  xvfb xauth imagemagick ccache
  desktop-file-utils appstream dpkg-dev
)
