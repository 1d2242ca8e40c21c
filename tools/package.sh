#!/usr/bin/env bash
# Builds the Debian package build-package/zelvanor_<version>_amd64.deb.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
tools/install-deps.sh --packaging
# Debian's hardening flags, as a Debian build of the package would use them.
flags() { DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get "$1"; }
cmake -S . -B build-package -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_CXX_FLAGS="$(flags CPPFLAGS) $(flags CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(flags LDFLAGS)" \
  -DZELVANOR_BUILD_TESTS=OFF -DZELVANOR_BUILD_BENCH=OFF >/dev/null
cmake --build build-package -j2
(cd build-package && cpack -G DEB)
