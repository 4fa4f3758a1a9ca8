#!/usr/bin/env bash
# The main job: installs what is needed, builds, and starts Orvane on a
# bundled example scenario. Without a display it says so and runs the
# example scenarios through tools/zef_run instead, printing their summary
# reports; it ends with a non-zero status when a run fails.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build-main -DCMAKE_BUILD_TYPE=Release -DRELEASE_TESTS=OFF -DRELEASE_SANITIZE=OFF
cmake --build build-main -j"$(nproc)"

# The scenarios are copied, so that their results (.plt, .log, .brn) land in
# the build folder and not in the source tree.
work=build-main/scenarios
mkdir -p "$work"
cp examples/scenarios/*.zef "$work/"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "Starting Orvane on $work/oil_line.zef"
  exec build-main/bin/Orvane "$work/oil_line.zef"
fi

echo "No display (DISPLAY and WAYLAND_DISPLAY are unset): running the example scenarios without a window."
status=0
for zef in "$work"/*.zef; do
  echo
  echo "=== $(basename "$zef")"
  if ! build-main/bin/zef_run "$zef"; then
    echo "*** $(basename "$zef"): the run failed" >&2
    status=1
  fi
done
exit "$status"
