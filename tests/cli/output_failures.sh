#!/bin/sh
# Output that cannot be written (a full disk, a closed pipe) is a failure:
# status 3, said on standard error where that still works.
set -u
cli=$1 make_rom=$2
dir=$(mktemp -d) && trap 'rm -rf "$dir"' EXIT
"$make_rom" "$dir/rom.gba" >/dev/null || exit 1
failed=0
check() { # status, message on standard error, command...
  want=$1 message=$2 && shift 2
  "$@" 2>"$dir/err"
  got=$?
  if [ "$got" != "$want" ] || ! grep -qF -- "$message" "$dir/err"; then
    echo "FAILED: $* gave $got: $(cat "$dir/err")" >&2 && failed=1
  fi
}
closed_pipe() { perl -e 'pipe R, W; close R; open STDOUT, ">&", \*W; exec @ARGV' -- "$@"; }
full=": cannot write to standard output: No space left on device"
check 3 "$full" "$cli" --to traditional "$dir/rom.gba" "$dir/rom.gba" >/dev/full
check 3 "$full" "$cli" --help >/dev/full
check 3 ": cannot write to standard output: Broken pipe" closed_pipe "$cli" "$dir/rom.gba"
"$cli" --frobnicate 2>/dev/full # a usage error that cannot be told
[ $? = 3 ] || { echo "FAILED: a full standard error" >&2 && failed=1; }
exit $failed
