#!/bin/sh
# The manual page: groff finds nothing to warn about, and it and the README
# describe each option and exit status in the words of --help.
set -u
cli=$1 page=$2 readme=$3
command -v groff >/dev/null || { echo "groff is not installed: skipped"; exit 77; }
warnings=$(groff -k -Tutf8 -ww -man -z "$page" 2>&1)
[ -z "$warnings" ] || { echo "$warnings" >&2; exit 1; }
failed=0
entries=$("$cli" --help | sed -n 's/^  [^ ][^ ]*\( [^ ][^ ]*\)*   *//p')
[ -n "$entries" ] || { echo "no options or exit statuses in --help" >&2; exit 1; }
while IFS= read -r entry; do
  for doc in "$page" "$readme"; do
    grep -qF -- "$entry" "$doc" || { echo "not in $doc: $entry" >&2 && failed=1; }
  done
done <<END
$entries
END
exit $failed
