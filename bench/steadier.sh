#!/bin/sh
# The index's spread over repeated runs of the command line, plain and with
# each steadier option, quiet and with another program busy on the machine;
# then --compare on pairs of same-machine documents.
#   bench/steadier.sh ZUREZIVE [RUNS] [PAIRS]
set -eu
program=$1; runs=${2:-20}; pairs=${3:-10}
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
cd "$work"
cv() { python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); s=d["summary"]["index"]; print("runs %d  cv %.2f %%  median %.1f  cpus %s" % (len(d["runs"]), s["cv_percent"], s["median"], sorted({r["cpu"] for r in d["runs"]})))' "$1"; }
session() { # name, options...
    name=$1; shift
    "$program" --run --json "$@" >"$name.json" || true
    printf '%-28s %s\n' "$name" "$(cv "$name.json")"
}
for load in quiet busy; do
    busy=
    if [ $load = busy ]; then sh -c 'while :; do :; done' & busy=$!; fi
    session "$load plain" --repeat="$runs"
    session "$load --warmup=1" --repeat="$runs" --warmup=1
    session "$load --cpu=1" --repeat="$runs" --cpu=1
    session "$load --repeat=auto" --repeat=auto
    if [ -n "$busy" ]; then kill "$busy"; fi
done
i=0; different=0
while [ $i -lt "$pairs" ]; do
    "$program" --run --repeat=5 --json >a.json; "$program" --run --repeat=5 --json >b.json
    verdict=$("$program" --compare a.json b.json --json | python3 -c 'import json,sys; d=json.load(sys.stdin); print(d["index"]["verdict"], "%.2f %%" % (100*(d["index"]["ratio"]-1)), "p=%.3f" % d["index"]["p_value"], "clock moves %s / %s" % tuple(json.load(open(f))["conditions"]["clock_move_percent"] for f in ("a.json","b.json")))')
    echo "pair $((i+1)): $verdict"
    case $verdict in faster*|slower*) different=$((different+1));; esac
    i=$((i+1))
done
echo "pairs called different: $different of $pairs"
