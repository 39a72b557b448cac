#!/bin/sh
# Builds the Debian package from a build folder (build/ci by default) and checks
# it as a user would meet it: what it declares and holds, then, as root, that
# `apt-get install ./file.deb` installs it and that `zurezive` starts from any
# directory under Xvfb and shows its main window. A package that was not
# installed before is removed again afterwards.
# Usage: tools/package.sh [build folder]
set -eu
cd "$(dirname "$0")/.."
build=${1:-build/ci}

rm -rf "$build/package"
cpack --config "$build/CPackConfig.cmake" -B "$build/package" >/dev/null
deb=$(ls "$build"/package/cpu-tarvo-32_*.deb)
deb=$(cd "$(dirname "$deb")" && pwd)/$(basename "$deb")
echo "package: $deb"

fail() {
    echo "package check failed: $*" >&2
    exit 1
}

depends=$(dpkg-deb -f "$deb" Depends)
for needed in qt6-translations-l10n libqt6widgets6 libqt6gui6 libqt6core6; do
    echo "$depends" | grep -q "$needed" || fail "Depends lacks $needed: $depends"
done
[ "$(dpkg-deb -f "$deb" Recommends)" = "fonts-wine, qt6-wayland" ] ||
    fail "Recommends is not fonts-wine, qt6-wayland: $(dpkg-deb -f "$deb" Recommends)"
contents=$(dpkg-deb -c "$deb")
for file in ./usr/bin/zurezive ./usr/share/applications/fr.tarvo.CpuTarvo32.desktop \
    ./usr/share/icons/hicolor/scalable/apps/fr.tarvo.CpuTarvo32.svg \
    ./usr/share/metainfo/fr.tarvo.CpuTarvo32.metainfo.xml; do
    echo "$contents" | grep -q " $file\$" || fail "$file is not in the package"
done
desktop-file-validate packaging/fr.tarvo.CpuTarvo32.desktop
appstreamcli validate --no-net --explain packaging/fr.tarvo.CpuTarvo32.metainfo.xml >/dev/null ||
    fail "the metainfo does not validate"

if [ "$(id -u)" -ne 0 ]; then
    echo "not root: the package was built and checked, not installed"
    exit 0
fi

installed_before=no
dpkg-query -W -f='${Status}' cpu-tarvo-32 2>/dev/null | grep -q "install ok installed" && installed_before=yes
DEBIAN_FRONTEND=noninteractive apt-get install -y -q --reinstall "$deb" >/dev/null
[ "$(command -v zurezive)" = /usr/bin/zurezive ] || fail "zurezive is not on the PATH"

# Started from a directory of its own, the program must come up and write nothing.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cat >"$scratch/start.sh" <<'SCRIPT'
cd "$1"
zurezive & pid=$!
found=$(timeout 30 xdotool search --sync --onlyvisible --name '^CPU Tarvo 32$' | head -n 1) || true
kill "$pid"
wait "$pid" || true
[ -n "$found" ]
SCRIPT
mkdir "$scratch/work"
xvfb-run -a sh "$scratch/start.sh" "$scratch/work" || fail "the main window did not come up"
[ -z "$(ls -A "$scratch/work")" ] || fail "the program wrote files at start-up: $(ls -A "$scratch/work")"
echo "installed with apt-get, started from $scratch/work: main window shown"

if [ "$installed_before" = no ]; then
    DEBIAN_FRONTEND=noninteractive apt-get remove -y -q cpu-tarvo-32 >/dev/null
fi
