#!/usr/bin/env bash
# Fails when a C or C++ file of the tree differs from what clang-format makes of
# it with the root .clang-format. Mend with:
#   git ls-files '*.c' '*.cpp' '*.h' | xargs clang-format -i
set -euo pipefail
cd "$(dirname "$0")/.."
if git ls-files -z '*.c' '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror --style=file; then
    echo "format: every C and C++ file matches .clang-format"
else
    echo "format: the files above differ from .clang-format (see the mend in scripts/check-format.sh)" >&2
    exit 1
fi
