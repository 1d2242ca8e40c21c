#!/usr/bin/env bash
# Builds everything but the benchmark program with AddressSanitizer and
# UndefinedBehaviorSanitizer in build-asan and runs every test there; any sanitizer report
# fails its test. Tests that limit the process's memory skip themselves under the sanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZELVANOR_WERROR=ON \
  -DZELVANOR_SANITIZE=ON -DZELVANOR_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan -j2
# Undefined behaviour is reported and otherwise let go unless told to stop the process.
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
cd build-asan
ctest --output-on-failure -j2
