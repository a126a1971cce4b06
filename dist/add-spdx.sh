#!/usr/bin/env bash
# Puts the licence's SPDX line first in every C++ source file that lacks it
# (src, tests, bench).  Safe to run again: a file that has the line is left
# as it is.  Usage: dist/add-spdx.sh [REPOSITORY_DIR]
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"
line='// SPDX-License-Identifier: GPL-3.0-or-later'
count=0
while IFS= read -r -d '' f; do
    if ! head -n 3 "$f" | grep -q 'SPDX-License-Identifier:'; then
        { printf '%s\n' "$line"; cat "$f"; } >"$f.spdx" && mv "$f.spdx" "$f"
        count=$((count + 1))
    fi
done < <(find src tests bench -type f \( -name '*.cpp' -o -name '*.h' \) -print0 2>/dev/null | sort -z)
echo "SPDX line added to $count files"
