#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing the program need,
# skipping those already there. With --packaging: those that building and checking the
# Debian package needs besides; with --fuzz: the compiler and runtime of the fuzzing build
# (tools/fuzz.sh).
set -euo pipefail

packages=(
  g++ cmake make pkgconf
  qt6-base-dev qt6-base-dev-tools libgl-dev libvulkan-dev libicu-dev
  qt6-translations-l10n qt6-qpa-plugins
  qtkeychain-qt6-dev
  libbenchmark-dev
  fonts-liberation2 fonts-dejavu-core
  poppler-utils cups printer-driver-cups-pdf
  xvfb openbox x11-utils
  radicale
  openssl
)

# Building and checking the Debian package (tools/package.sh, tools/package-check.sh).
if [ "${1:-}" = "--packaging" ]; then
  packages=(
    dpkg-dev fakeroot file gzip lintian desktop-file-utils appstream
    passwd
  )
fi
if [ "${1:-}" = "--fuzz" ]; then
  packages=(clang libclang-rt-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
