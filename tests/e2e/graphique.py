#!/usr/bin/python3
"""The "Graphique" window on a real desktop: opened from the stored results
window's list by its context menu, then by Ctrl+G; closing the menu is no
activation of the list's window (no reload); the bars read from the keyboard
through the accessibility tree; the window's description summarises the
picture; "Enregistrer l'image…" writes a PNG through the file dialog. With
TARVO_E2E_SCALE=2 the program runs at Qt's scale 2, where the window is too
low for its bars and scrolls as the keyboard moves, and the window's
screenshot is saved beside the program.

    tests/e2e/run.sh [--wayland] graphique.py build/ci/src/zurezive"""

import os
import subprocess
import sys
import time

import desktop
from desktop import Failure, wait_for, window
from Xlib import X

CONSULTER = "Données stockées"
GRAPHIQUE = "Graphique des résultats"
SCALE = os.environ.get("TARVO_E2E_SCALE", "1")


def result_line(index, cpu):
    return (f"{index:12.2f}{index * 1.2:12.2f}{index * 0.6:12.2f}            {cpu} 3000 à 3600     [CM Carte]"
            "\r\n").encode("cp1252")


def expect(condition, message):
    if not condition:
        raise Failure(message)


def raw_keys(d, *names):
    """Keys to whatever holds the keyboard grab (a popup menu has no title)."""
    for name in names:
        codes = d.chord(name)
        for code in codes:
            d.send(X.KeyPress, code)
        for code in reversed(codes):
            d.send(X.KeyRelease, code)


def scaled_centre(d, scale):
    """The harness's centre on a scaled screen: the accessibility tree gives
    places in Qt's own units, the desktop in the screen's pixels."""
    def centre(acc):
        win = desktop.top_level(acc)
        box, win_box = (a.queryComponent().getExtents(desktop.pyatspi.WINDOW_COORDS) for a in (acc, win))
        size = round(win_box.width * scale), round(win_box.height * scale)
        rect = wait_for(f"the window {win.name!r} on screen, {size[0]} x {size[1]}",
                        lambda: (r := d.client_rect(win.name)) and abs(r[2] - size[0]) <= 2 and r)
        return (rect[0] + round((box.x - win_box.x + box.width / 2) * scale),
                rect[1] + round((box.y - win_box.y + box.height / 2) * scale))
    return centre


def chart_of(win):
    return wait_for("the chart in the window", lambda: next(
        (a for a in desktop.descendants(win) if "Graphique de " in (a.description or "")), None))


def drive(d):
    path = os.path.join(d.workdir, "TARVODAT.TXT")
    with open(path, "wb") as f:
        for i in range(30):
            f.write(result_line(100.0 + 37.0 * i, f"Processeur <b>{i}</b> & co"))
        f.write(b"pas une ligne de resultats\r\n")
    app = desktop.application()
    main = window(app, "CPU Tarvo 32")

    print("-- the context menu of the stored results list opens the chart")
    d.click(desktop.find(main, "push button", "Consulter"))
    consulter = window(app, CONSULTER)
    wait_for("the 31 lines listed", lambda: len(desktop.texts(consulter, "list item")) == 31)
    lst = next(a for a in desktop.descendants(consulter) if a.getRoleName() == "list")
    x, y = d.centre(lst)
    d.send(X.MotionNotify, x=x, y=y)
    wait_for("the pointer over the list", lambda: d.aimed(x, y, CONSULTER))
    d.send(X.ButtonPress, 3)
    d.send(X.ButtonRelease, 3)
    time.sleep(1)
    # A line appended while the menu is up: closing the menu must not reload.
    with open(path, "ab") as f:
        f.write(result_line(5000.0, "Ajoutée pendant le menu"))
    raw_keys(d, "Escape")
    time.sleep(1.5)
    expect(len(desktop.texts(consulter, "list item")) == 31, "closing the context menu reloaded the list")
    d.send(X.ButtonPress, 3)
    d.send(X.ButtonRelease, 3)
    time.sleep(1)
    raw_keys(d, "Down", "Return")
    graphique = window(app, GRAPHIQUE)
    chart = chart_of(graphique)
    summary = graphique.description or chart.description
    expect("31 résultat(s)" in summary and "1 ligne(s) écartée(s)" in summary,
           f"the window's description says {summary!r}")

    print("-- the bars from the keyboard: the highest first, then the next")
    expect(chart.name.startswith("1e : Ajoutée pendant le menu"), f"the first bar reads {chart.name!r}")
    d.key(GRAPHIQUE, "Down")
    wait_for("the second bar read", lambda: chart.name.startswith("2e : Processeur <b>29</b> & co"))

    if SCALE != "1":
        print("-- too low for every bar: the window scrolls, following the keyboard")
        bar = wait_for("the chart's scroll bar", lambda: next(
            (a for a in desktop.descendants(graphique) if a.getRoleName() == "scroll bar"
             and a.queryComponent().getExtents(desktop.pyatspi.WINDOW_COORDS).height > 0), None))
        value = bar.queryValue()
        expect(value.maximumValue > 0 and value.currentValue == 0, "the chart does not scroll from its top")
        d.key(GRAPHIQUE, "End")
        wait_for("the last bar read", lambda: chart.name.startswith("31e : Processeur <b>0</b> & co"))
        wait_for("the chart scrolled to its end", lambda: value.currentValue == value.maximumValue)
        d.key(GRAPHIQUE, "Home", "Down")
        wait_for("back at the top", lambda: value.currentValue == 0 and chart.name.startswith("2e : "))
        shot = os.path.join(os.path.dirname(d.program_path), f"graphique-scale{SCALE}.png")
        left, top, width, height = d.client_rect(GRAPHIQUE)
        subprocess.run(["import", "-window", "root", "-crop", f"{width}x{height}+{left}+{top}", shot], check=True)
        print(f"   window saved to {shot}")

    print("-- \"Enregistrer l'image…\" writes a PNG through the file dialog")
    saved = os.path.join(d.workdir, "image.png")
    d.click(desktop.find(graphique, "push button", "Enregistrer l'image…"))
    dialog = window(app, "Enregistrer l'image")
    d.key("Enregistrer l'image", "Control_L+a", *saved, "Return")
    wait_for("the PNG written", lambda: os.path.exists(saved) and open(saved, "rb").read(8) == b"\x89PNG\r\n\x1a\n")
    desktop.no_window(app, "Enregistrer l'image")

    print("-- closed, then Ctrl+G from the list: the chart comes back reloaded")
    d.close_window(GRAPHIQUE)
    desktop.no_window(app, GRAPHIQUE)
    d.bring_to_front(CONSULTER)
    wait_for("the list reloaded", lambda: len(desktop.texts(consulter, "list item")) == 32)
    with open(path, "ab") as f:
        f.write(result_line(1.0, "Ajoutée avant Ctrl+G"))
    d.key(CONSULTER, "Control_L+g")
    graphique = window(app, GRAPHIQUE)
    wait_for("the new line in the chart", lambda: "32 résultat(s)" in (chart_of(graphique).description or ""))




if __name__ == "__main__":
    program = sys.argv[1]
    env = {"QT_SCALE_FACTOR": SCALE} if SCALE != "1" else {}

    def run(d):
        d.program_path = program
        if SCALE != "1":
            d.centre = scaled_centre(d, float(SCALE))
        drive(d)
    sys.exit(desktop.run_test("graphique", program, run, env))
