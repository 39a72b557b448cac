#!/bin/sh
# Fails when an ELF file under the given folders has a run path (RPATH or
# RUNPATH) entry that is empty or relative: the loader reads an empty entry as
# the current folder, and the program is started from a data folder that may
# hold files from other machines. With --none, any run path at all fails (the
# package's programs find Qt in the system's folders).
# Usage: tools/runpaths.sh [--none] FOLDER...
set -eu
none=no
if [ "${1:-}" = --none ]; then
    none=yes
    shift
fi
[ $# -gt 0 ] || { echo "usage: $0 [--none] FOLDER..." >&2; exit 2; }
checked=0
bad=0
# Programs and shared libraries: object files have no run path.
for file in $(find "$@" -type f \( -perm -u+x -o -name "*.so*" \) -size +4c | sort); do
    [ "$(head -c 4 "$file" | od -An -c | tr -d ' ')" = "177ELF" ] || continue
    checked=$((checked + 1))
    paths=$(readelf -d "$file" | sed -n 's/.*(R\(UN\)\{0,1\}PATH).*\[\(.*\)\]$/\2/p')
    [ -n "$paths" ] || continue
    if [ "$none" = yes ]; then
        echo "run path in $file: [$paths]" >&2
        bad=$((bad + 1))
        continue
    fi
    # Each entry, the empty ones included, on a line of its own.
    echo "$paths" | tr ':' '\n' | while IFS= read -r entry; do
        case $entry in
            /*) ;;
            *) echo "empty or relative run path entry '$entry' in $file: [$paths]" >&2; exit 1 ;;
        esac
    done || bad=$((bad + 1))
done
[ "$checked" -gt 0 ] || { echo "no ELF file under $*" >&2; exit 1; }
[ "$bad" -eq 0 ] || { echo "run paths: $bad of $checked ELF files fail" >&2; exit 1; }
if [ "$none" = yes ]; then
    echo "run paths: $checked ELF files under $*, none with a run path"
else
    echo "run paths: $checked ELF files under $*, none with an empty or relative entry"
fi
