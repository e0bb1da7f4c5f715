#!/usr/bin/env bash
# The manual page of ombreltenc-cli names exactly the options that its --help names, and every
# manual page formats without a warning (as lintian and man --warnings check them).
# Usage: manual_test.sh CLI CLI_PAGE [OTHER_PAGE...]
set -euo pipefail
source "$(dirname "$0")/option_names.sh"

cli=$1
cli_page=$2
failed=0

# encrypt and inspect print the full help too; the union of all help texts must be described.
help_options=$(for command in "" encrypt decrypt inspect; do "$cli" $command --help; done | option_names)
page_options=$(manual_text "$cli_page" | option_names)
if [ "$help_options" != "$page_options" ]; then
  echo "Options of --help (<) and of $cli_page (>) differ:"
  diff <(echo "$help_options") <(echo "$page_options") | grep '^[<>]' || true
  failed=1
fi
[ -n "$help_options" ] || { echo "no option found in --help"; failed=1; }

for page in "${@:2}"; do
  warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
  if [ -n "$warnings" ]; then
    echo "$page formats with warnings:"
    echo "$warnings"
    failed=1
  fi
done

[ "$failed" -eq 0 ] && echo "$(wc -l <<<"$help_options") options agree; pages format cleanly"
exit "$failed"
