#!/usr/bin/env bash
# The full random-network sweep: every seed of a range (default 1-100) runs a
# random network of the drawn envelope through the whole library and must end
# with IERR 0 and its mass balance. Shards run side by side; prints one line
# per seed, the failures, and the totals. Usage: scripts/sweep.sh [first-last]
set -euo pipefail
cd "$(dirname "$0")/.."
seeds=${1:-1-100}
jobs=${SWEEP_JOBS:-$(nproc)}
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRELEASE_TESTS=ON -DRELEASE_SANITIZE=OFF -DRELEASE_WERROR=ON
cmake --build build -j"$jobs" --target release_tests
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
for ((i = 0; i < jobs; ++i)); do
  RELEASE_SWEEP_SEEDS=$seeds GTEST_TOTAL_SHARDS=$jobs GTEST_SHARD_INDEX=$i \
    build/tests/release_tests --gtest_filter='Discharge/Sweep.*' > "$out/$i.log" 2>&1 &
done
wait
grep -h '^sweep seed' "$out"/*.log | sort -k3n || true
grep -h -B2 -A6 'Failure$' "$out"/*.log | grep -v 'Google Test trace' | cut -c1-300 || true
failed=$(grep -h '^\[  FAILED  \] Discharge/Sweep.* (.* ms)$' "$out"/*.log | wc -l || true)
ran=$(grep -h '^\[ RUN      \] Discharge/Sweep' "$out"/*.log | wc -l || true)
worst=$(grep -h '^sweep seed' "$out"/*.log | sed 's/.*balance error \([^ ]*\).*/\1/' | sort -g | tail -1 || true)
echo "seeds ${seeds}: ${ran} run, ${failed} failed, worst balance error ${worst:-none} of the released mass"
[ "$failed" -eq 0 ]
