#!/usr/bin/env bash
# Installs, builds and runs every test: once in a plain build, once under
# AddressSanitizer and UndefinedBehaviorSanitizer with checked array indices.
# Warnings in the project's own code are errors. A skipped test fails the run
# unless its message names a missing optional tool of the machine. The plain
# build's test programs also run once with all their tests in one process.
# Before any build, a C or C++ file that differs from .clang-format fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/check-format.sh
jobs=$(nproc)

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRELEASE_TESTS=ON -DRELEASE_SANITIZE=OFF -DRELEASE_WERROR=ON
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs" --output-junit junit.xml
python3 scripts/ci_checks.py skips build/junit.xml
python3 scripts/ci_checks.py whole build

cmake -S . -B build-san -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRELEASE_TESTS=ON -DRELEASE_SANITIZE=ON -DRELEASE_WERROR=ON
cmake --build build-san -j"$jobs"
ctest --test-dir build-san --output-on-failure -j"$jobs" --output-junit junit.xml
python3 scripts/ci_checks.py skips build-san/junit.xml
