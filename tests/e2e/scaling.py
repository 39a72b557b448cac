#!/usr/bin/python3
"""The windows on a scaled screen (Qt's scale factor, as a desktop set to 200 %
gives it), measured on the screen's pixels: at scale 2 a label's line of text
is twice as tall as at scale 1, and in the main window and the entry window
every text still fits its control, nothing cut at an edge.

    tests/e2e/run.sh scaling.py build/ci/src/zurezive"""

import os
import re
import subprocess
import sys

import desktop
from desktop import Failure, wait_for, window

SCALES = ("1", "2")


def ink_box(pixels, is_ink):
    """Left, top, right, bottom of the ink, or None."""
    points = [(x, y) for y, row in enumerate(pixels) for x, p in enumerate(row) if is_ink(p)]
    if not points:
        return None
    xs, ys = [p[0] for p in points], [p[1] for p in points]
    return min(xs), min(ys), max(xs), max(ys)


def dark(p):
    return max(p) < 100


def lime(p):  # the title's letters on its teal ground
    return p[1] > 200 and p[0] < 100 and p[2] < 100


class Window:
    """A window of the program with its client area on the screen, in the
    screen's pixels; the accessibility tree gives places in Qt's own units."""

    def __init__(self, d, app, caption, width):
        self.d = d
        self.acc = window(app, caption)
        self.client = wait_for(f"{caption!r} on screen", lambda: d.client_rect(caption))
        self.scale = self.client[2] / width
        self.origin = self.acc.queryComponent().getExtents(0)  # DESKTOP_COORDS

    def rect(self, control):
        e = control.queryComponent().getExtents(0)
        s = self.scale
        return (round(self.client[0] + (e.x - self.origin.x) * s),
                round(self.client[1] + (e.y - self.origin.y) * s), round(e.width * s), round(e.height * s))

    def check_texts_fit(self):
        """Every label's and button's text is drawn inside its control, one
        pixel clear of its right and bottom edges: a text that does not fit is
        cut there (texts start at the left and top)."""
        s = self.scale
        for role in ("label", "push button"):
            for control in desktop.controls(self.acc, role):
                if role == "push button" and "enabled" not in desktop.states(control):
                    continue
                x, y, w, h = self.rect(control)
                inset = round(3 * s) if role == "push button" else 0  # the button's frame
                pixels = self.d.grab((x + inset, y + inset, w - 2 * inset, h - 2 * inset))
                box = ink_box(pixels, lime if control.name == "CPU Tarvo 32 V1.0" else dark)
                if box is None:
                    raise Failure(f"no text drawn in {role} {control.name!r} at scale {s:g}")
                if box[2] > len(pixels[0]) - 2 or box[3] > len(pixels) - 2:
                    raise Failure(f"the text of {role} {control.name!r} does not fit at scale {s:g}: "
                                  f"ink {box} in {len(pixels[0])} x {len(pixels)}")


def line_height(d):
    """The height of the first line of a label of the main window, in the
    screen's pixels, once every text of the main and entry windows was seen
    to fit."""
    app = desktop.application()
    main = Window(d, app, "CPU Tarvo 32", 393)
    main.check_texts_fit()
    label = desktop.find(main.acc, "label", "Vous devez d'abord soumettre votre  machine aux différents "
                         "calculs qui constituent le Duduzovur.")
    rows = [y for y, row in enumerate(d.grab(main.rect(label))) if any(map(dark, row))]
    first_line = [y for i, y in enumerate(rows) if y - rows[0] == i]  # the first unbroken run of rows
    # "Tester" has the focus at start-up; Return runs the test.
    d.key("CPU Tarvo 32", "Return")
    entry = Window(d, app, "Votre machine", 250)
    entry.check_texts_fit()
    return len(first_line)


def main(program):
    """One program, and one python, per scale: the accessibility bus of a
    session is the one python met first."""
    heights = {}
    for scale in SCALES:
        child = subprocess.run([sys.executable, __file__, program, scale], capture_output=True, text=True,
                               timeout=600)
        print(child.stdout + child.stderr, end="")
        if child.returncode != 0:
            return 1
        heights[scale] = int(re.search(r"first line of a label: (\d+) pixels", child.stdout)[1])
    ratio = heights["2"] / heights["1"]
    if not 1.75 <= ratio <= 2.25:
        print(f"scaling test FAILED: at scale 2 a line of text is {ratio:.2f} times as tall", file=sys.stderr)
        return 1
    print("scaling test passed")
    return 0


def at(scale):
    def drive(d):
        print(f"-- scale {scale}: first line of a label: {line_height(d)} pixels")
    return drive


if __name__ == "__main__":
    if len(sys.argv) == 2:
        sys.exit(main(os.path.abspath(sys.argv[1])))
    if len(sys.argv) == 3:
        sys.exit(desktop.run_test(f"scaling at {sys.argv[2]}", sys.argv[1], at(sys.argv[2]),
                                  env={"QT_SCALE_FACTOR": sys.argv[2]}))
    sys.exit(__doc__)
