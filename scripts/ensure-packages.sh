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
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq \
    --no-install-recommends "${missing[@]}"
}

# What building the whole project needs.
BUILD_PACKAGES=(cmake ninja-build g++ libgtest-dev libbenchmark-dev
  qt6-base-dev qt6-translations-l10n fonts-noto-cjk
  groff-base)  # the manual page's warnings check

# What building and serving the browser page needs (scripts/web.sh).
WEB_PACKAGES=(cmake ninja-build emscripten nodejs python3)
