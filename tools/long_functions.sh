#!/usr/bin/env bash
# Lists the program's functions longer than LIMIT lines (80 unless given),
# longest first, and fails when there is one; else names the longest.
# Tests, benchmarks and fuzz targets are left out. Needs Universal Ctags;
# exits 77 without it.
#   tools/long_functions.sh [LIMIT]
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
LIMIT="${1:-80}"
if ! ctags --version 2>/dev/null | grep -q 'Universal Ctags'; then
  echo "long_functions: Universal Ctags is not installed" >&2
  exit 77
fi
cd "$ROOT"
# "LINES FILE:LINE NAME" for every function with a body, longest first.
lengths="$(ctags -R --languages=C++ --kinds-C++=f --fields=+ne -o - \
             app documents editors firmware readback net platform project table tools |
           awk -F'\t' '{
             start = ""; end = ""
             for (i = 4; i <= NF; i++) {
               if ($i ~ /^line:/) start = substr($i, 6)
               if ($i ~ /^end:/) end = substr($i, 5)
             }
             if (end != "") printf "%d %s:%s %s\n", end - start + 1, $2, start, $1
           }' | sort -rn)"
long="$(awk -v limit="$LIMIT" '$1 > limit' <<<"$lengths")"
if [ -n "$long" ]; then
  printf 'Functions over %s lines:\n%s\n' "$LIMIT" "$long"
  exit 1
fi
echo "No function over $LIMIT lines; the longest: $(head -1 <<<"$lengths")"
