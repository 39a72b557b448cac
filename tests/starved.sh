#!/bin/sh
# Started with fewer descriptors than a session needs, the program says so in
# one French line on standard error and fails before any window, where it would
# otherwise come up blank; with room for them, it starts and runs.
# Usage: starved.sh [emulator] program
export QT_QPA_PLATFORM=offscreen
said=$(timeout 10 prlimit --nofile=16 "$@" 2>&1 >/dev/null)
code=$?
printf 'under 16 descriptors: exit %s, said:\n%s\n' "$code" "$said"
[ "$code" -eq 1 ] || exit 1
[ "$said" = "CPU Tarvo 32 ne peut pas démarrer : le système ne lui laisse pas ouvrir les 32 fichiers dont il a besoin (Trop de fichiers ouverts)." ] || exit 1
timeout 3 prlimit --nofile=64 "$@" >/dev/null 2>&1
code=$?
echo "under 64 descriptors: exit $code (124: still running when stopped)"
[ "$code" -eq 124 ]
