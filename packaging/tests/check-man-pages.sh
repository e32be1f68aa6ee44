#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Checks the built man pages: groff finds nothing to warn about, man renders
# them, no placeholder is left unfilled, and each program's page names
# exactly the long options that its --help names, in the synopsis and in
# the list; every program given has its page.
# Usage: check-man-pages.sh MAN_DIR PROGRAM...
set -euo pipefail
mandir=$1
shift

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
for program in "$@"; do
  name=$(basename "$program")
  page="$mandir/$name.1"
  [ -f "$page" ] || { fail "$name has no man page"; continue; }
  help=$("$program" --help) || fail "$name --help failed"
  help_listed=$(grep -oE '^ +--[a-z0-9-]+' <<<"$help" | tr -d ' ' | sort -u)
  # Every form of the usage block, up to its first empty line.
  help_usage=$(sed -n '/^usage:/,/^$/p' <<<"$help" | grep -oE -- '--[a-z0-9-]+' | sort -u)
  man_listed=$(sed -n '/^\.SH OPTIONS/,/^\.SH /p' "$page" | man_options)
  man_synopsis=$(sed -n '/^\.SH SYNOPSIS/,/^\.SH /p' "$page" | man_options)
  [ -n "$help_listed" ] || fail "$name --help lists no options"
  [ "$help_listed" = "$man_listed" ] ||
    fail "$name: options in --help and in the man page differ:"$'\n'"$(diff <(echo "$help_listed") <(echo "$man_listed") || true)"
  [ "$help_usage" = "$man_synopsis" ] ||
    fail "$name: usage and man synopsis differ:"$'\n'"$(diff <(echo "$help_usage") <(echo "$man_synopsis") || true)"
done

[ $status -eq 0 ] && echo "man pages: ${#pages[@]} checked"
exit $status
