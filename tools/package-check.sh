#!/usr/bin/env bash
# Builds the Debian package and checks it as a user would meet it: the desktop entry, the
# AppStream metainfo and lintian; then installs it, starts the installed program as an ordinary
# user with an empty home, and removes the package again.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/package.sh
version=$(sed -n 's/^project([A-Za-z]* VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
deb="build-package/zelvanor_${version}_amd64.deb"
[ -f "$deb" ] || { echo "missing: $deb" >&2; exit 1; }

echo "== desktop-file-validate"
desktop-file-validate resources/zelvanor.desktop
echo "== appstreamcli validate --no-net"
appstreamcli validate --no-net build-package/packaging/org.example.Zelvanor.metainfo.xml
echo "== lintian"
lintian --fail-on error --tag-display-limit 0 "$deb"

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "== install $deb"
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./$deb" >/dev/null
for f in /usr/bin/zelvanor /usr/share/applications/zelvanor.desktop \
  /usr/share/metainfo/org.example.Zelvanor.metainfo.xml \
  /usr/share/icons/hicolor/scalable/apps/zelvanor.svg \
  /usr/share/man/hu/man1/zelvanor.1.gz /usr/share/man/man1/zelvanor.1.gz \
  /usr/share/doc/zelvanor/copyright /usr/share/doc/zelvanor/changelog.gz; do
  [ -f "$f" ] || { echo "not installed: $f" >&2; exit 1; }
done
for size in 16 32 48 64 128 256; do
  f="/usr/share/icons/hicolor/${size}x${size}/apps/zelvanor.png"
  [ -f "$f" ] || { echo "not installed: $f" >&2; exit 1; }
done

answer=$(/usr/bin/zelvanor --version)
[ "$answer" = "Zelvanor $version" ] || { echo "--version said: $answer" >&2; exit 1; }
echo "$answer"

# The installed program, started by a user with an empty home, keeps its register in the
# user's data folder: /usr/bin is not the user's to write.
user=zelvanortest
created_user=""
if [ "$(id -u)" -eq 0 ]; then
  if ! id -u "$user" >/dev/null 2>&1; then
    useradd --create-home "$user"
    created_user=yes
  fi
  home=$(mktemp -d /tmp/zelvanor-home.XXXXXX)
  chown "$user" "$home"
  as_user=(runuser -u "$user" --)
else
  home=$(mktemp -d /tmp/zelvanor-home.XXXXXX)
  as_user=()
fi
data="$home/.local/share/Zelvanor/Telefon.dat"
echo "== first start as $(id -un "${user}" 2>/dev/null || id -un), HOME=$home"
"${as_user[@]}" env -i HOME="$home" PATH=/usr/bin:/bin LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen \
  timeout 300 /usr/bin/zelvanor &
program=$!
# The program runs until it is closed; it is done with the start-up once the file is there.
while [ ! -e "$data" ] && kill -0 "$program" 2>/dev/null; do sleep 0.5; done
kill "$program" 2>/dev/null || true
wait "$program" 2>/dev/null || true
if [ ! -f "$data" ] || [ -s "$data" ]; then
  echo "no empty Telefon.dat in $home/.local/share/Zelvanor" >&2
  exit 1
fi
if [ -e /usr/bin/Telefon.dat ]; then
  echo "Telefon.dat written beside the program" >&2
  exit 1
fi
echo "created $data"
rm -rf "$home"
if [ -n "$created_user" ]; then userdel --remove "$user" 2>/dev/null || true; fi

echo "== remove"
$sudo env DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq zelvanor >/dev/null
[ ! -e /usr/bin/zelvanor ] || { echo "/usr/bin/zelvanor still there" >&2; exit 1; }
echo "package check passed"
