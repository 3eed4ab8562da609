#!/usr/bin/env bash
# Checks the Debian package made from the test build (build/test, already
# built by scripts/test.sh). The test build is configured as the release
# package is (the "debian" base of the presets "test" and "dist-deb":
# Release, Debian's build flags, the shared C++ runtime), so this is the
# package as released, made without a second build. Unpacks it into a
# scratch folder without installing it, checks what it holds and how its
# programs were built, runs the CLI from there on a sample image, and runs
# lintian (failing on errors), desktop-file-validate and appstreamcli on it.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/ensure-packages.sh
ensure_packages "${PACKAGE_TEST_PACKAGES[@]}"

build=build/test
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

fail() {
  echo "test-package: $*" >&2
  exit 1
}

cpack --preset test -B "$scratch/cpack" >"$scratch/cpack.log" 2>&1 ||
  { cat "$scratch/cpack.log" >&2; fail "cpack failed"; }
deb=$scratch/cpack/qorvane-switcher_1.00_amd64.deb
[ -f "$deb" ] || fail "cpack made no $(basename "$deb")"
root=$scratch/root
dpkg-deb -x "$deb" "$root"

# What the package must hold, by path under /usr.
app_id=org.example.QorvaneSwitcher
expected=(
  bin/qorvane-switcher bin/qorvane-switcher-cli
  share/man/man1/qorvane-switcher.1.gz share/man/man1/qorvane-switcher-cli.1.gz
  "share/applications/$app_id.desktop" "share/metainfo/$app_id.metainfo.xml"
  share/doc/qorvane-switcher/copyright share/doc/qorvane-switcher/changelog.gz
)
for size in 48 64 96 128; do
  expected+=("share/icons/hicolor/${size}x$size/apps/$app_id.png")
done
for path in "${expected[@]}"; do
  [ -f "$root/usr/$path" ] || fail "the package lacks /usr/$path"
done
for size in 48 64 96 128; do
  file "$root/usr/share/icons/hicolor/${size}x$size/apps/$app_id.png" |
    grep -q "PNG image data, $size x $size," || fail "the $size px icon is not $size x $size"
done

# Both programs built as Debian builds its own (position-independent,
# relocations read-only and bound at start-up, the stack protector), against
# the shared C++ runtime.
built_with() { grep -qE -- "$1" <<<"$headers" || fail "/usr/bin/$program is not built with $2"; }
for program in qorvane-switcher qorvane-switcher-cli; do
  headers=$(readelf -hldW --dyn-syms "$root/usr/bin/$program")
  built_with 'Type: +DYN' 'position-independent code'
  built_with 'GNU_RELRO' 'read-only relocations'
  built_with '\(FLAGS\) +BIND_NOW' 'immediate binding'
  built_with ' __stack_chk_fail' 'the stack protector'
  built_with 'Shared library: \[libstdc\+\+\.so\.6\]' 'the shared C++ runtime'
done

dpkg-deb -f "$deb" Depends | grep -q 'fonts-noto-cjk' || fail "no dependency on fonts-noto-cjk"
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || fail "no library dependencies"

# The CLI from the unpacked package, on a sample image.
cli=$root/usr/bin/qorvane-switcher-cli
sample=$scratch/sample.gba
"$build/tools/make-sample-rom" "$sample" simplified >/dev/null
"$cli" --version | grep -q ' 1\.00$' || fail "the CLI does not say version 1.00"
[ "$("$cli" "$sample")" = "$sample: simplified" ] || fail "inspecting the sample failed"
[ "$("$cli" --to traditional "$sample")" = "$sample: simplified -> traditional" ] ||
  fail "converting the sample failed"
[ "$("$cli" "$sample")" = "$sample: traditional" ] || fail "the sample was not converted"

lintian --fail-on error "$deb" ||
  fail "lintian found errors"
desktop-file-validate "$root/usr/share/applications/$app_id.desktop" ||
  fail "desktop-file-validate failed"
# --no-net: the metainfo's web addresses are not fetched.
appstreamcli validate-tree --pedantic --no-net "$root" >"$scratch/appstream.log" ||
  { cat "$scratch/appstream.log" >&2; fail "appstreamcli found problems"; }
echo "test-package: $(basename "$deb") passed"
