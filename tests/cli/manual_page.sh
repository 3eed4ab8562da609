#!/bin/sh
# The manual page: groff finds nothing to warn about; it and the README give
# each option and exit status in the words of --help.
command -v groff >/dev/null || exit 77
warnings=$(groff -k -Tutf8 -ww -man -z "$2" 2>&1) && [ -z "$warnings" ] || { echo "$warnings"; exit 1; }
"$1" --help | sed -n 's/^  [^ ][^ ]*\( [^ ][^ ]*\)*   *//p' | while IFS= read -r entry; do
  grep -qF -- "$entry" "$2" && grep -qF -- "$entry" "$3" || { echo "not in both: $entry"; exit 1; }
done
