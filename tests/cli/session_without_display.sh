#!/bin/sh
# The command line where no display can be reached (ssh to a machine without
# one): help, a whole run saved and given as JSON, the list as CSV, a merge,
# and a refused option, all without X or Wayland.
# Usage: session_without_display.sh [emulator] program
set -u
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
run() { env -u DISPLAY -u QT_QPA_PLATFORM WAYLAND_DISPLAY=tarvo-absent "$@"; }
fail() { echo "FAIL: $*"; exit 1; }

run "$@" --help >help.txt 2>&1 || fail "--help: exit $?"
grep -q '^Usage : zurezive' help.txt || fail "--help said: $(cat help.txt)"

run "$@" --run --json --save --processor='Proc é' --base-frequency=300 --overclock-frequency=333 \
    --motherboard='Carte; "A"' >run.json 2>err.txt || fail "--run: exit $?, said: $(cat err.txt)"
[ -s err.txt ] && fail "--run wrote to standard error: $(cat err.txt)"
if command -v python3 >/dev/null; then
    python3 - run.json <<'PY' || fail "the JSON document: $(cat run.json)"
import json, sys
d = json.load(open(sys.argv[1]))
run = d["runs"][0]
assert len(d["runs"]) == 1 and len(run["kernels"]) == 8, "one run of eight kernels"
assert all(len(k["readings"]) == 5 for k in run["kernels"]), "five readings a kernel"
assert run["index"] > 0 and d["saved"]["run"] == 1, "a result, saved"
PY
fi

run "$@" --list --csv >list.csv || fail "--list: exit $?"
[ "$(wc -l <list.csv)" -eq 2 ] || fail "--list gave: $(cat list.csv)"
grep -q '"Carte; ""A"""' list.csv && grep -q 'Proc é' list.csv || fail "--list gave: $(cat list.csv)"

cp TARVODAT.TXT copy.txt
run "$@" --merge copy.txt >merge.txt || fail "--merge: exit $?"
grep -q ': 0 ligne(s) ajoutée(s), 1 déjà présente(s), 0 refusée(s)' merge.txt || fail "--merge said: $(cat merge.txt)"

# Past the file-size limit the write fails and is taken back: a message and
# exit 1, not the end of the program by SIGXFSZ.
size=$(wc -c <TARVODAT.TXT)
for i in 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16; do LC_ALL=C sed "s/\[CM /[CM $i/" TARVODAT.TXT; done >more.txt
(ulimit -f 1 && run "$@" --merge more.txt >/dev/null 2>err.txt)
code=$?
[ "$code" -eq 1 ] && grep -q 'Fichier trop gros' err.txt || fail "a merge past the size limit: exit $code, said: $(cat err.txt)"
[ "$(wc -c <TARVODAT.TXT)" -eq "$size" ] || fail "a merge past the size limit left $(wc -c <TARVODAT.TXT) bytes"

run "$@" --run --fast >/dev/null 2>err.txt
code=$?
[ "$code" -eq 2 ] && [ "$(wc -l <err.txt)" -eq 1 ] || fail "a bad option: exit $code, said: $(cat err.txt)"
run "$@" --list --csv >&- 2>err.txt
code=$?
[ "$code" -eq 1 ] && grep -q 'la sortie standard est fermée' err.txt || fail "standard output closed: exit $code, said: $(cat err.txt)"
echo "ok"
