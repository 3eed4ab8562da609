#!/bin/sh
# Unwritable output (a full disk, a closed pipe): status 3, told on stderr.
cli=$1 dir=$(mktemp -d) && trap 'rm -rf "$dir"' EXIT
"$2" "$dir/rom.gba" >/dev/null || exit 1
"$cli" --to traditional "$dir/rom.gba" >/dev/full 2>"$dir/full"; [ $? = 3 ] || exit 1
perl -e 'pipe R, W; close R; open STDOUT, ">&W"; exec @ARGV' "$cli" "$dir/rom.gba" 2>"$dir/pipe"
[ $? = 3 ] || exit 1
"$cli" --frobnicate 2>/dev/full; [ $? = 3 ] || exit 1 # an untold usage error
grep "output: No space left on device" "$dir/full" && grep "output: Broken pipe" "$dir/pipe"
