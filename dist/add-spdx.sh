#!/usr/bin/env bash
# Puts the licence's SPDX line first in C++ source files that lack it.
#   dist/add-spdx.sh                 every .cpp and .h under src, tests, bench
#   dist/add-spdx.sh --on REF        only those that also exist in the git tree REF
#   dist/add-spdx.sh FILE...         only these
# Safe to run again: a file that has the line is left as it is.
set -euo pipefail
cd "$(dirname "$0")/.."
line='// SPDX-License-Identifier: GPL-3.0-or-later'
files=()
if [ $# -ge 2 ] && [ "$1" = --on ]; then
    while IFS= read -r f; do [ -f "$f" ] && files+=("$f"); done < <(git ls-tree -r --name-only "$2" -- src tests bench |
        grep -E '\.(cpp|h)$')
elif [ $# -gt 0 ]; then
    files=("$@")
else
    while IFS= read -r -d '' f; do files+=("$f"); done < <(find src tests bench -type f \( -name '*.cpp' -o -name '*.h' \) -print0 2>/dev/null | sort -z)
fi
count=0
for f in "${files[@]}"; do
    if ! head -n 3 "$f" | grep -q 'SPDX-License-Identifier:'; then
        { printf '%s\n' "$line"; cat "$f"; } >"$f.spdx" && mv "$f.spdx" "$f"
        count=$((count + 1))
    fi
done
echo "SPDX line added to $count files"
