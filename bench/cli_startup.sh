#!/usr/bin/env bash
# One conversion as a whole process: qorvane-switcher-cli with the C++
# runtime linked statically and shared, against a minimal C program that
# makes the same system calls (bench/minimal_convert.c). Then, under strace,
# what each process asks of the system and what the CLI reads and writes in
# the image. Needs hyperfine and strace; builds into build/bench-cli-*.
#
#   bash bench/cli_startup.sh [FOLDER]   # where to put the 1 MiB image
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

# The preset "release" (Release, the programs only), without the window.
for runtime in ON OFF; do
  cmake --preset release -B "build/bench-cli-$runtime" \
    -DQORVANE_STATIC_RUNTIME=$runtime -DQORVANE_BUILD_WINDOW=OFF >/dev/null
  cmake --build "build/bench-cli-$runtime" --target qorvane-switcher-cli \
    make-sample-rom >/dev/null
done
cc -O2 -Wall -o build/bench-cli-ON/minimal_convert bench/minimal_convert.c

folder=$(mktemp -d "${1:-${TMPDIR:-/tmp}}/qorvane-bench.XXXXXX")
trap 'rm -rf "$folder"' EXIT
rom=$folder/bench.gba
build/bench-cli-ON/tools/make-sample-rom "$rom" >/dev/null
minimal=(build/bench-cli-ON/minimal_convert "$rom")
static=(build/bench-cli-ON/cli/qorvane-switcher-cli --to traditional "$rom")
shared=(build/bench-cli-OFF/cli/qorvane-switcher-cli --to traditional "$rom")

hyperfine -N --warmup 50 --runs 500 \
  -n "minimal C program" "${minimal[*]}" \
  -n "CLI, static C++ runtime" "${static[*]}" \
  -n "CLI, shared C++ runtime" "${shared[*]}"

# System calls of a whole process, and those on the image's descriptor.
trace() {
  strace -qq -o "$folder/trace" "$@" >/dev/null
  awk -v rom="\"$rom\"" '
    /^openat\(/ && index($0, rom) { fd = $NF }
    fd != "" && index($0, "pread64(" fd ",") == 1 { reads++; read += $NF }
    fd != "" && index($0, "pwrite64(" fd ",") == 1 { writes++; put += $NF }
    fd != "" && index($0, "fsync(" fd ")") == 1 { syncs++ }
    END { printf "%3d system calls; image: %d reads (%d bytes), %d writes (%d bytes), %d syncs\n",
                 NR, reads, read, writes, put, syncs }' "$folder/trace"
}
echo
printf '%-34s' "minimal C program, convert:" && trace "${minimal[@]}"
printf '%-34s' "CLI static, convert:" && trace "${static[@]}"
printf '%-34s' "CLI shared, convert:" && trace "${shared[@]}"
printf '%-34s' "CLI static, inspect:" && trace "${static[0]}" "$rom"
