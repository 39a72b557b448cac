#!/bin/sh
# What --save reports against what reached the disk, row by row: a history
# past the file-size limit (the others still tried, JSON and text), the
# results file past it (nothing saved), and standard output full after a save.
# Usage: save_status.sh [emulator] program
set -u
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL ($row): $*"; exit 1; }
save() { "$@" --run --save --processor=P --base-frequency=1 --overclock-frequency=2 --motherboard=M; }
big() { head -c 2000 /dev/zero | tr '\0' x >"$1"; }
fresh() { rm -rf "$work/d" && mkdir "$work/d" && cd "$work/d" && printf '2\r\n' >_FOVER.TXT; }
lines() { [ -f "$1" ] && grep -c . "$1" || echo 0; }

row="a history past the size limit, JSON"; fresh; big _FORIG.TXT
(ulimit -f 1; save "$@" --json 2>err.txt) | cat >out.json
[ "$(lines TARVODAT.TXT)" -eq 1 ] && [ "$(wc -c <_FORIG.TXT)" -eq 2000 ] || fail "disk: $(wc -c *.TXT)"
[ "$(cat _CPU.TXT _FOVER.TXT _CMERE.TXT)" = "$(printf 'P\r\n2\r\nM\r\n')" ] || fail "histories: $(wc -c *.TXT)"
if command -v python3 >/dev/null; then
    python3 - out.json <<'PY' || fail "the JSON document: $(cat out.json)"
import json, sys
h = json.load(open(sys.argv[1]))["saved"]["histories"]
assert [h[f]["status"] for f in ("_CPU.TXT", "_FORIG.TXT", "_FOVER.TXT", "_CMERE.TXT")] == \
    ["added", "failed", "present", "added"], h
PY
fi
grep -q "Le résultat est enregistré, mais l'historique ne l'est pas" err.txt || fail "said: $(cat err.txt)"

row="a history past the size limit, text"; fresh; big _CMERE.TXT
(ulimit -f 1; save "$@" 2>err.txt) | cat >out.txt
[ "$(lines TARVODAT.TXT)" -eq 1 ] && [ "$(wc -c <_CMERE.TXT)" -eq 2000 ] || fail "disk: $(wc -c *.TXT)"
grep -q '^Ajouté aux historiques : _CPU.TXT, _FORIG.TXT.$' out.txt && grep -q '^Déjà dans les historiques : _FOVER.TXT.$' out.txt &&
    grep -q '^Historiques non écrits : _CMERE.TXT.$' out.txt || fail "printed: $(tail -4 out.txt)"

row="the results file past the size limit"; fresh; big TARVODAT.TXT
(ulimit -f 1; save "$@" 2>err.txt; echo $? >rc.txt) | cat >out.txt; [ "$(cat rc.txt)" -eq 1 ] || fail "exit $(cat rc.txt)"
[ "$(wc -c <TARVODAT.TXT)" -eq 2000 ] && [ ! -e _CPU.TXT ] || fail "disk: $(wc -c *.TXT)"
grep -q 'enregistr' out.txt err.txt && fail "said saved: $(cat out.txt err.txt)"

row="standard output full after the save"; fresh
save "$@" >/dev/full 2>err.txt && fail "exit 0"
[ "$(lines TARVODAT.TXT)" -eq 1 ] || fail "disk: $(wc -c *.TXT)"
grep -q "le résultat est pourtant enregistré dans .*TARVODAT.TXT : ne l'enregistrez pas une seconde fois" err.txt ||
    fail "said: $(cat err.txt)"
echo "ok"
