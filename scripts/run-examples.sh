#!/usr/bin/env bash
# The main job: installs, builds and runs the bundled example cases. Fails
# (non-zero) when the build fails or any example case does not succeed.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build-main -DCMAKE_BUILD_TYPE=Release -DRELEASE_TESTS=OFF -DRELEASE_SANITIZE=OFF
cmake --build build-main -j"$(nproc)"
build-main/examples/release_example examples/cases/*.json
