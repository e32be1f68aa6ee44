#!/usr/bin/env bash
# Puts the licence tag "SPDX-License-Identifier: MIT" at the top of every
# source file of the project that lacks one: C++ sources and headers as a
# // comment on the first line, shell, Python and CMake files as a # comment
# (after the #! line where there is one). Files that carry a tag already are
# left as they are, so running it again changes nothing. Only files git
# knows are touched; data (samples, test inputs, fuzz seeds) and anything
# not ours is never a source file of these kinds.
# Usage: scripts/add-spdx.sh [--check]
#   --check  changes nothing; lists the files without a tag, exit 1 if any
set -euo pipefail
cd "$(dirname "$0")/.."

check=0
case ${1:-} in
  --check) check=1 ;;
  "") ;;
  *) echo "usage: scripts/add-spdx.sh [--check]" >&2; exit 2 ;;
esac

tag="SPDX-License-Identifier: MIT"
# Folders of data and of what others wrote: never tagged.
skip='^(samples|tests/data|tests/crashers|fuzz/seeds|third_party|build[^/]*)/'

comment_for() { # file -> the comment leader, or nothing for a file left alone
  case $1 in
    *.cpp | *.h) echo "//" ;;
    *.sh | *.py | */CMakeLists.txt | CMakeLists.txt | *.cmake) echo "#" ;;
  esac
}

missing=0
while IFS= read -r -d '' file; do
  [[ $file =~ $skip ]] && continue
  leader=$(comment_for "$file")
  [ -n "$leader" ] || continue
  [ -L "$file" ] && continue
  # A tag anywhere in the opening lines counts (after a #! or a coding line).
  head -n 5 "$file" | grep -q "SPDX-License-Identifier:" && continue
  missing=$((missing + 1))
  if [ "$check" -eq 1 ]; then
    echo "$file"
    continue
  fi
  line="$leader $tag"
  if head -n 1 "$file" | grep -q '^#!'; then
    # The interpreter line must stay first.
    sed -i "1a $line" "$file"
  elif [ -s "$file" ]; then
    sed -i "1i $line" "$file"
  else
    echo "$line" >"$file"
  fi
done < <(git ls-files -z)

if [ "$check" -eq 1 ]; then
  [ "$missing" -eq 0 ] || { echo "add-spdx: $missing files without a licence tag" >&2; exit 1; }
else
  echo "add-spdx: tagged $missing files"
fi
