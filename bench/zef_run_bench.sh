#!/usr/bin/env bash
# Wall time of tools/zef_run on each example scenario next to the time the
# library's RELEASE call took inside it, so the program's own share (start,
# loading, the network check, the fluid tables, files and report) is
# visible. Not a test: it measures.
#
#   bash bench/zef_run_bench.sh [BUILD_DIR] [REPEATS]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
repeats=${2:-3}
zef_run="$build/bin/zef_run"
[ -x "$zef_run" ] || { echo "no $zef_run: build the target zef_run first" >&2; exit 2; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

printf '%-28s %12s %12s %12s\n' scenario wall_s release_s overhead_s
for src in examples/scenarios/*.zef; do
  zef="$scratch/$(basename "$src")"
  cp "$src" "$zef"
  best_wall=; best_rel=
  for _ in $(seq "$repeats"); do
    start=$(date +%s.%N)
    out=$("$zef_run" "$zef")
    end=$(date +%s.%N)
    wall=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.6f", b - a }')
    rel=$(echo "$out" | awk '$1 == "release_seconds" { print $2 }')
    if [ -z "$best_wall" ] || awk -v a="$wall" -v b="$best_wall" 'BEGIN { exit !(a < b) }'; then
      best_wall=$wall; best_rel=$rel
    fi
  done
  printf '%-28s %12.3f %12.3f %12.3f\n' "$(basename "$src")" "$best_wall" "$best_rel" \
    "$(awk -v a="$best_wall" -v b="$best_rel" 'BEGIN { printf "%.6f", a - b }')"
done
