#!/bin/sh
# Builds the Debian package with dpkg-buildpackage and checks it as a user would
# meet it. For this machine's architecture the source package is built too and
# the package's build runs the tests; arm64 is cross-built (profiles cross and
# nocheck). Then: lintian, the desktop entry's and the metainfo's validators, what
# the package declares and holds, and, as root, that `apt-get install` installs
# it, that `zurezive` starts from any directory under Xvfb and shows its main
# window, writing nothing, and that the desktop entry's command line starts it in
# its data folder. A package that was not installed before is removed again
# afterwards. A package for another architecture is checked the same way,
# unpacked rather than installed, its programs run through qemu's user-mode
# emulator.
# dpkg-buildpackage writes its results beside the source folder, so the build
# runs in a copy of the repository's files, build/deb-ARCH/cpu-tarvo-32-VERSION,
# and the packages stay in build/deb-ARCH. apt-get runs under the lock
# /tmp/tarvo-apt.lock, taken here: do not run this script under that lock.
# Usage: tools/package.sh [amd64|arm64]    (this machine's architecture by default)
set -eu
cd "$(dirname "$0")/.."
native=$(dpkg --print-architecture)
arch=${1:-$native}

fail() {
    echo "package check failed: $*" >&2
    exit 1
}

case $arch in
    amd64) machine="x86-64" ;;
    arm64) machine="ARM aarch64" ;;
    *) fail "no check for the architecture $arch" ;;
esac
cpu=$(dpkg-architecture -a "$arch" -q DEB_HOST_GNU_CPU 2>/dev/null)
emulator=""
[ "$arch" = "$native" ] || emulator=qemu-$cpu-static

# The repository's files as a clean clone holds them: tracked, or new and not ignored.
version=$(dpkg-parsechangelog -S Version)
out=build/deb-$arch
source=$out/cpu-tarvo-32-$version
rm -rf "$out"
mkdir -p "$source"
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files -z --cached --others --exclude-standard |
        tar --null --ignore-failed-read -T - -cf - | tar -xf - -C "$source"
else
    tar --exclude=./build --exclude=./.git -cf - . | tar -xf - -C "$source"
fi

options=""
[ -z "$emulator" ] || options="-b -a$arch -Pcross,nocheck"
began=$(date +%s)
# shellcheck disable=SC2086 # the options are words
(cd "$source" && dpkg-buildpackage -us -uc -Jauto $options) >"$out/build.log" 2>&1 || {
    tail -n 60 "$out/build.log" >&2
    fail "dpkg-buildpackage $options failed; its whole output is in $out/build.log"
}
echo "built by dpkg-buildpackage -us -uc -Jauto $options in $(($(date +%s) - began)) s:"
for made in "$out"/*.deb "$out"/*.dsc "$out"/*.tar.xz; do
    [ ! -f "$made" ] || echo "  $(basename "$made"): $(stat -c %s "$made") bytes"
done
deb=$(pwd)/$out/cpu-tarvo-32_${version}_$arch.deb
[ -f "$deb" ] || fail "no $deb"

# Everything dpkg-buildpackage made: the binary packages, and the source package.
echo "lintian:"
lintian --fail-on error,warning --display-info "$out/cpu-tarvo-32_${version}_$arch.changes" ||
    fail "lintian gives errors or warnings"

scratch=$(mktemp -d)
installed_here=no
cleanup() {
    rm -rf "$scratch"
    if [ "$installed_here" = yes ]; then
        flock /tmp/tarvo-apt.lock env DEBIAN_FRONTEND=noninteractive apt-get remove -y -q cpu-tarvo-32 >/dev/null
    fi
}
trap cleanup EXIT

dpkg-deb -x "$deb" "$scratch/root"
# Programs found in the package build's tree have no empty or relative run
# path; the packaged ones have none at all.
tools/runpaths.sh "$source" || fail "a program built for the package has an empty or relative run path"
tools/runpaths.sh --none "$scratch/root" || fail "a packaged program has a run path"
metainfo=$scratch/root/usr/share/metainfo/fr.tarvo.CpuTarvo32.metainfo.xml
desktop-file-validate "$scratch/root/usr/share/applications/fr.tarvo.CpuTarvo32.desktop" ||
    fail "the desktop entry does not validate"
appstreamcli validate --pedantic --no-net "$metainfo" ||
    fail "the metainfo does not validate"

for program in zurezive zurezive-menu; do
    file "$scratch/root/usr/bin/$program" | grep -q "ELF.*, $machine," ||
        fail "$program in the package is not built for $arch"
done
depends=$(dpkg-deb -f "$deb" Depends)
for needed in qt6-translations-l10n libqt6widgets6 libqt6gui6 libqt6core6; do
    echo "$depends" | grep -q "$needed" || fail "Depends lacks $needed: $depends"
done
latest=$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' "$metainfo" | head -n 1)
[ "$latest" = "$version" ] || fail "the metainfo's latest release is '$latest', the package's version $version"
[ "$(dpkg-deb -f "$deb" Recommends)" = "fonts-wine, qt6-wayland" ] ||
    fail "Recommends is not fonts-wine, qt6-wayland: $(dpkg-deb -f "$deb" Recommends)"
contents=$(dpkg-deb -c "$deb")
for file in ./usr/bin/zurezive ./usr/bin/zurezive-menu ./usr/share/applications/fr.tarvo.CpuTarvo32.desktop \
    ./usr/share/icons/hicolor/scalable/apps/fr.tarvo.CpuTarvo32.svg \
    ./usr/share/metainfo/fr.tarvo.CpuTarvo32.metainfo.xml \
    ./usr/share/man/man1/zurezive.1.gz ./usr/share/man/man1/zurezive-menu.1.gz \
    ./usr/share/doc/cpu-tarvo-32/copyright ./usr/share/doc/cpu-tarvo-32/changelog.gz; do
    echo "$contents" | grep -q " $file\$" || fail "$file is not in the package"
done
echo "package for $arch checked: validators, programs' architecture, Depends, release, Recommends, files"

# A package for another architecture cannot be installed here: it depends on
# qt6-translations-l10n, which is for all architectures but not marked
# Multi-Arch: foreign, so dpkg lets only this machine's own architecture
# depend on it. Its files, unpacked above, are run from there.
if [ -n "$emulator" ]; then
    PATH=$scratch/root/usr/bin:$PATH
    applications=$scratch/root/usr/share/applications
    echo "package for $arch, machine $native: not installed, unpacked into $scratch/root"
elif [ "$(id -u)" -ne 0 ]; then
    echo "not root: the package was built and checked, not installed"
    exit 0
else
    dpkg-query -W -f='${Status}' cpu-tarvo-32 2>/dev/null | grep -q "install ok installed" || installed_here=yes
    flock /tmp/tarvo-apt.lock env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --reinstall "$deb" >/dev/null
    [ "$(command -v zurezive)" = /usr/bin/zurezive ] || fail "zurezive is not on the PATH"
    applications=/usr/share/applications
    echo "installed with apt-get"
fi

# Started from a directory of its own, the program must come up and write nothing.
cat >"$scratch/start.sh" <<'SCRIPT'
cd "$1"
if [ -n "$EMULATOR" ]; then "$EMULATOR" "$(command -v zurezive)" & else zurezive & fi
pid=$!
found=$(timeout 30 xdotool search --sync --onlyvisible --name '^CPU Tarvo 32$' | head -n 1) || true
kill "$pid"
wait "$pid" || true
[ -n "$found" ]
SCRIPT
mkdir "$scratch/work"
EMULATOR=$emulator xvfb-run -a sh "$scratch/start.sh" "$scratch/work" || fail "the main window did not come up"
[ -z "$(ls -A "$scratch/work")" ] || fail "the program wrote files at start-up: $(ls -A "$scratch/work")"
echo "started from $scratch/work${emulator:+ through $emulator}: main window shown"

# Started as a desktop menu starts it: the entry's command line, run from the
# home folder, with HOME and XDG_DATA_HOME in scratch folders. The program must
# run in its data folder, created for it, and leave the home folder as it was;
# where that folder cannot be created, the launcher says so and starts nothing.
# The launcher starts the program itself, so under emulation the kernel must
# run the target's programs (binfmt_misc).
if [ -n "$emulator" ] && ! grep -qx enabled "/proc/sys/fs/binfmt_misc/qemu-$cpu" 2>/dev/null; then
    echo "menu start not tried: this kernel does not run $arch programs (no qemu-$cpu in binfmt_misc)"
else
    command_line=$(sed -n 's/^Exec=//p' "$applications/fr.tarvo.CpuTarvo32.desktop" | sed 's/ %[a-zA-Z]//g')
    cat >"$scratch/menu.sh" <<'SCRIPT'
# Starts the command line $1 from the home folder, its standard error in $2;
# once a window shows, prints the working directory and program of the process.
cd "$HOME"
sh -c "exec $1" 2>"$2" & pid=$!
found=$(timeout 30 xdotool search --sync --onlyvisible --name '^CPU Tarvo 32$' | head -n 1) || true
[ -z "$found" ] || echo "$(readlink "/proc/$pid/cwd") $(readlink "/proc/$pid/exe")"
kill "$pid"
wait "$pid" || true
SCRIPT
    # menu HOME [XDG_DATA_HOME]: "working-directory program", or nothing.
    menu() {
        mkdir -p "$1"
        if [ $# -gt 1 ]; then
            HOME=$1 XDG_DATA_HOME=$2 xvfb-run -a sh "$scratch/menu.sh" "$command_line" "$scratch/stderr"
        else
            env -u XDG_DATA_HOME HOME="$1" xvfb-run -a sh "$scratch/menu.sh" "$command_line" "$scratch/stderr"
        fi
    }
    # What the process runs, where the kernel tells it (under binfmt_misc it is the emulator).
    program() {
        [ -n "$emulator" ] || [ "${1#* }" = "$2" ] || fail "the menu entry runs ${1#* }, not $2"
    }

    started=$(menu "$scratch/home" "$scratch/data")
    [ "${started%% *}" = "$scratch/data/cpu-tarvo-32" ] ||
        fail "started from the menu with XDG_DATA_HOME set, the program runs in '${started%% *}'"
    program "$started" "$(command -v zurezive)"
    [ -z "$(ls -A "$scratch/home")" ] || fail "the menu start wrote into the home folder: $(ls -A "$scratch/home")"

    started=$(menu "$scratch/home2")
    [ "${started%% *}" = "$scratch/home2/.local/share/cpu-tarvo-32" ] ||
        fail "started from the menu, the program runs in '${started%% *}'"
    left=$(cd "$scratch/home2" && find . -mindepth 1 | sort | tr '\n' ' ')
    [ "$left" = "./.local ./.local/share ./.local/share/cpu-tarvo-32 " ] ||
        fail "the menu start left more than its data folder in the home folder: $left"

    : >"$scratch/file"
    started=$(menu "$scratch/home3" "$scratch/file")
    [ "${started%% *}" = "$scratch/home3" ] || fail "with no data folder, something ran in '${started%% *}'"
    program "$started" "$(command -v zurezive-menu)"
    grep -q "n'a pas pu être créé" "$scratch/stderr" || fail "no message when the data folder cannot be created"
    [ -z "$(ls -A "$scratch/home3")" ] || fail "the failed menu start wrote into the home folder"
    echo "started from the menu entry ($command_line): runs in \$XDG_DATA_HOME/cpu-tarvo-32, else" \
        "~/.local/share/cpu-tarvo-32; a message and nothing started when that cannot be created"
fi
echo "package check passed: $deb, $(($(date +%s) - began)) s in all"
