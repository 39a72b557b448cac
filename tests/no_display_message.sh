#!/bin/sh
# Started where no display can be reached (neither X nor Wayland), the program
# says so in one French line on standard error and fails, not with Qt's abort.
# Usage: no_display_message.sh [emulator] program
said=$(env -u DISPLAY -u QT_QPA_PLATFORM WAYLAND_DISPLAY=tarvo-absent "$@" 2>&1 >/dev/null)
code=$?
printf 'exit %s, said:\n%s\n' "$code" "$said"
[ "$code" -eq 1 ] && [ "$said" = "CPU Tarvo 32 ne peut pas démarrer : aucun affichage graphique n'est accessible (ni serveur X, ni Wayland)." ]
