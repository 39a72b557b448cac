#!/bin/sh
# Started where no display can be reached, the program says so in one French
# line on standard error and fails, instead of Qt's English abort.
expected="CPU Tarvo 32 ne peut pas démarrer : aucun affichage graphique n'est accessible (ni serveur X, ni Wayland)."
status=0
for wayland in "" "tarvo-absent-display"; do
    said=$(env -u DISPLAY -u QT_QPA_PLATFORM WAYLAND_DISPLAY="$wayland" "$1" 2>&1 >/dev/null)
    code=$?
    if [ "$code" -eq 0 ] || [ "$code" -gt 125 ] || [ "$said" != "$expected" ]; then
        printf 'WAYLAND_DISPLAY=%s: exit %s, said:\n%s\n' "$wayland" "$code" "$said"
        status=1
    fi
done
exit $status
