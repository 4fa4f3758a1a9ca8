#!/usr/bin/env bash
# The main job: installs, builds and runs the bundled example cases.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build-main -DCMAKE_BUILD_TYPE=Release -DRELEASE_TESTS=OFF
cmake --build build-main -j"$(nproc)"
if [ -x build-main/examples/release_example ]; then
  build-main/examples/release_example examples/cases/*.json
else
  echo "no example program in this build"
fi
