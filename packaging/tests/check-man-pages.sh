#!/usr/bin/env bash
# Checks the built man pages: groff finds nothing to warn about, man renders
# them, no placeholder is left unfilled, and quillet-convert's page names
# exactly the options that its --help names, in the synopsis and in the list.
# Usage: check-man-pages.sh QUILLET_CONVERT MAN_DIR
set -euo pipefail
convert=$1
mandir=$2

if ! command -v groff >/dev/null || ! command -v man >/dev/null; then
  echo "groff or man is missing: skipped"
  exit 77
fi

status=0
fail() { echo "FAIL: $*"; status=1; }

pages=("$mandir"/*.1)
[ -e "${pages[0]}" ] || { echo "FAIL: no man pages in $mandir"; exit 1; }
for page in "${pages[@]}"; do
  warnings=$(groff -man -Tutf8 -ww -z "$page" 2>&1) || fail "$page: groff failed"
  [ -z "$warnings" ] || fail "$page: groff warns: $warnings"
  grep -n '@[A-Z_]*@' "$page" && fail "$page: unfilled placeholder"
  rendered=$(MANWIDTH=80 man -P cat -l "$page" 2>&1) || fail "$page: man failed"
  for section in NAME SYNOPSIS DESCRIPTION; do
    grep -q "^$section\$" <<<"$rendered" || fail "$page: no $section section"
  done
done

# Long options as the roff source writes them ("\-\-hide\-65530").
man_options() { grep -oE '\\-\\-[a-z0-9]([a-z0-9]|\\-)*' | sed 's/\\-/-/g' | sort -u; }
help=$("$convert" --help)
help_listed=$(grep -oE '^ +--[a-z0-9-]+' <<<"$help" | tr -d ' ' | sort -u)
# Every form of the usage block, up to its first empty line.
help_usage=$(sed -n '/^usage:/,/^$/p' <<<"$help" | grep -oE -- '--[a-z0-9-]+' | sort -u)
page="$mandir/quillet-convert.1"
man_listed=$(sed -n '/^\.SH OPTIONS/,/^\.SH /p' "$page" | man_options)
man_synopsis=$(sed -n '/^\.SH SYNOPSIS/,/^\.SH /p' "$page" | man_options)

[ -n "$help_listed" ] || fail "--help lists no options"
[ "$help_listed" = "$man_listed" ] ||
  fail "options in --help and in the man page differ:"$'\n'"$(diff <(echo "$help_listed") <(echo "$man_listed") || true)"
# The synopsis shows the usage forms and the --help form.
[ "$(sort -u <<<"$help_usage"$'\n--help')" = "$man_synopsis" ] ||
  fail "usage line and man synopsis differ:"$'\n'"$(diff <(sort -u <<<"$help_usage"$'\n--help') <(echo "$man_synopsis") || true)"

[ $status -eq 0 ] && echo "man pages: ${#pages[@]} checked"
exit $status
