# shellcheck shell=bash
# shellcheck disable=SC2034  # the package lists, used where this file is sourced
# Installs, with apt-get, whichever of the named Debian packages are missing.
# Sourced by the run and test scripts.

ensure_packages() {
  local missing=()
  local package
  for package in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null |
        grep -q 'install ok installed'; then
      missing+=("$package")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0

  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || {
      echo "Missing packages: ${missing[*]}; run as root or install sudo." >&2
      return 1
    }
    sudo=(sudo)
  fi
  echo "Installing: ${missing[*]}"
  # Unattended: no question asked, nothing read from standard input, and
  # a wait for another apt or dpkg that holds the lock.
  local apt_get=("${sudo[@]}" env DEBIAN_FRONTEND=noninteractive
    apt-get -o DPkg::Lock::Timeout=600)
  "${apt_get[@]}" update -qq </dev/null
  "${apt_get[@]}" install -y -qq --no-install-recommends "${missing[@]}" </dev/null
}

# What building the whole project needs.
BUILD_PACKAGES=(cmake ninja-build g++ libgtest-dev libbenchmark-dev
  qt6-base-dev qt6-translations-l10n fonts-noto-cjk
  dpkg-dev     # dpkg-buildflags, for the builds made as the Debian package
  groff-base)  # the manual page's warnings check

# What cross-building the Windows programs and their zip needs (Wine runs
# the tools and tests the build makes).
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix wine strip-nondeterminism)

# What testing the Windows programs under Wine needs besides
# (scripts/test-windows.sh).
WINDOWS_TEST_PACKAGES=(cmake ninja-build googletest mingw-w64 wine64 fonts-wine
  fonts-noto-cjk xvfb)

# What checking the Debian package needs (scripts/test-package.sh).
PACKAGE_TEST_PACKAGES=(binutils file lintian desktop-file-utils appstream)

# What building and serving the browser page needs (scripts/web.sh).
WEB_PACKAGES=(cmake ninja-build emscripten nodejs python3)

# What driving the page in the three browser engines needs
# (scripts/test-web.sh): Chromium, Firefox ESR (which serves WebDriver BiDi
# itself), WebKitGTK's WebDriver with its MiniBrowser, under Xvfb.
WEB_TEST_PACKAGES=(chromium firefox-esr webkit2gtk-driver xvfb
  python3-websocket fonts-noto-cjk)

# Emscripten's system libraries are cached where the package keeps them, or
# under build/ when that is not writable. For the scripts that build the web
# presets, from the source folder. (The presets give Emscripten's JavaScript
# optimiser Debian's acorn, through NODE_PATH.)
use_emscripten_cache() {
  if [ -z "${EM_CACHE:-}" ] && [ ! -w /usr/share/emscripten/cache ]; then
    export EM_CACHE=$PWD/build/emscripten-cache
  fi
}
