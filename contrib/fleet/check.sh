#!/bin/sh
# Runs the fleet playbook against this machine with the local connection, on
# the program just built, and checks what it gathered: the host's JSON and
# results file, the merged results file with the host's line, the chart and
# the report.
# Usage: contrib/fleet/check.sh build/ci/src/zurezive
set -eu
here=$(cd "$(dirname "$0")" && pwd)
program=$(realpath "$1")
gathered=$(mktemp -d)
trap 'rm -rf "$gathered"' EXIT
ansible-playbook -i localhost, -c local "$here/fleet.yml" -e "tarvo_program=$program" -e tarvo_repeat=1 \
    -e tarvo_base_frequency=3000 -e tarvo_overclock_frequency=3600 -e "fleet_dir=$gathered"
fail() { echo "fleet: $*" >&2; exit 1; }
python3 -c 'import json, sys; json.load(open(sys.argv[1]))' "$gathered/localhost/run.json" || fail "no JSON fetched"
[ "$(wc -l < "$gathered/TARVODAT.TXT")" -eq 1 ] || fail "the merged results file does not hold the host's line"
cmp -s "$gathered/TARVODAT.TXT" "$gathered/localhost/TARVODAT.TXT" || fail "the merged line differs from the host's"
grep -q "3000 $(printf '\340') 3600" "$gathered/TARVODAT.TXT" || fail "the inventory's frequencies are not in the line"
python3 -c 'import sys, xml.dom.minidom as m; m.parse(sys.argv[1])' "$gathered/fleet.svg" || fail "the chart is not SVG"
grep -q "Graphique de 1 résultat" "$gathered/fleet.html" || fail "the report does not show the fleet's result"
echo "fleet: the playbook ran on localhost and gathered one result"
