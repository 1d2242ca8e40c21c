#!/usr/bin/env bash
# Builds everything with warnings as errors and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZELVANOR_WERROR=ON >/dev/null
cmake --build build -j2
cd build
ctest --output-on-failure -j2
