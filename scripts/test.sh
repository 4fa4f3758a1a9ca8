#!/usr/bin/env bash
# Installs, builds and runs every test: once in a plain build, once under
# AddressSanitizer and UndefinedBehaviorSanitizer with checked array indices.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
jobs=$(nproc)
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRELEASE_TESTS=ON -DRELEASE_SANITIZE=OFF
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"
cmake -S . -B build-san -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRELEASE_SANITIZE=ON -DRELEASE_TESTS=ON
cmake --build build-san -j"$jobs"
ctest --test-dir build-san --output-on-failure -j"$jobs"
