#!/usr/bin/env bash
# The main job: installs, builds and runs the bundled example cases.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DRELEASE_TESTS=OFF
cmake --build build -j"$(nproc)"
if [ -x build/examples/release_example ]; then
  build/examples/release_example examples/cases/*.json
else
  echo "no example program in this build"
fi
