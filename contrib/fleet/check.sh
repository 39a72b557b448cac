#!/bin/sh
# Runs the fleet playbook against this machine with the local connection and
# checks what it gathered: the host's JSON and results file, the merged
# results file with the host's line, the chart and the report. First on the
# program just built; then, given the package and run as root, through the
# playbook's own path on a host without the program: it installs the .deb,
# runs the installed program and removes the package and whatever it pulled
# in, and the machine's packages must be as they were before. That run holds
# /tmp/tarvo-apt.lock, which tools/package.sh takes around apt-get, so that no
# other check installs or removes the package meanwhile.
# Usage: contrib/fleet/check.sh build/ci/src/zurezive [cpu-tarvo-32_VERSION_ARCH.deb]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
program=$(realpath "$1")
deb=${2:+$(realpath "$2")}
gathered=$(mktemp -d)
trap 'rm -rf "$gathered"' EXIT
fail() { echo "fleet: $*" >&2; exit 1; }

# playbook FOLDER VARIABLE...: the playbook with the inventory's variables for this host.
playbook() {
    folder=$1
    shift
    ansible-playbook -i localhost, -c local "$here/fleet.yml" -e tarvo_repeat=1 -e tarvo_base_frequency=3000 \
        -e tarvo_overclock_frequency=3600 -e "fleet_dir=$folder" -e "controller_program=$program" "$@"
}

# gathered FOLDER: what one run of the playbook left on the controller.
gathered() {
    python3 -c 'import json, sys; sys.exit(json.load(open(sys.argv[1]))["program"] != "CPU Tarvo 32")' \
        "$1/localhost/run.json" || fail "no JSON of the program fetched"
    [ "$(wc -l <"$1/TARVODAT.TXT")" -eq 1 ] || fail "the merged results file does not hold the host's line"
    cmp -s "$1/TARVODAT.TXT" "$1/localhost/TARVODAT.TXT" || fail "the merged line differs from the host's"
    grep -q "3000 $(printf '\340') 3600" "$1/TARVODAT.TXT" || fail "the inventory's frequencies are not in the line"
    python3 -c 'import sys, xml.dom.minidom as m; m.parse(sys.argv[1])' "$1/fleet.svg" || fail "the chart is not SVG"
    grep -q "Graphique de 1 résultat" "$1/fleet.html" || fail "the report does not show the fleet's result"
}

playbook "$gathered/built" -e "tarvo_program=$program"
gathered "$gathered/built"
echo "fleet: the playbook ran on localhost with $1 and gathered one result"

if [ -z "$deb" ]; then
    echo "fleet: no package given, the playbook's install path not run"
    exit 0
elif [ "$(id -u)" -ne 0 ]; then
    echo "fleet: not root, the playbook's install path not run (it installs $deb with apt-get)"
    exit 0
fi
packages() { dpkg-query -W -f='${db:Status-Abbrev}${binary:Package} ${Version}\n' | sort; }
installs() { { grep -s " install cpu-tarvo-32:" /var/log/dpkg.log || true; } | wc -l; }
(
    flock 9
    if command -v zurezive >/dev/null; then
        echo "fleet: zurezive is already installed here ($(command -v zurezive)), the install path not run"
        exit 0
    fi
    packages >"$gathered/before"
    installed=$(installs)
    playbook "$gathered/deb" -e "tarvo_deb=$deb"
    gathered "$gathered/deb"
    [ "$(installs)" -gt "$installed" ] || fail "the playbook did not install the package"
    packages | diff "$gathered/before" - || fail "the machine's packages are not as they were"
    echo "fleet: the playbook installed $(basename "$deb") on localhost, ran it, gathered one result and removed it"
) 9>/tmp/tarvo-apt.lock
