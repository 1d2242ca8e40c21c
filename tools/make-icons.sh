#!/usr/bin/env bash
# Draws the program's icons into resources/icons from the one drawing in tools/icongen.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build >/dev/null
cmake --build build -j2 --target zelvanor_icongen
QT_QPA_PLATFORM=offscreen build/tools/icongen/zelvanor_icongen resources/icons
