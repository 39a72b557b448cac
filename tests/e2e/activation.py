#!/usr/bin/python3
"""The forms' activation rules under a real window manager, on the framework
alone (activation_probe: two forms that count their activations). With a
window manager, focus comes back to a form after a message box or an input box
closes, and moves to another form when one is hidden: the first two must not
count as activations, the last one must. Under Wayland (run.sh --wayland) the
same rules hold, whenever the compositor's activations arrive.

    tests/e2e/run.sh activation.py build/ci/tests/e2e/activation_probe"""

import os
import re
import sys
import time

import desktop
from desktop import Failure, wait_for, window

SETTLE = 1.5  # seconds for the window manager's focus changes to arrive


def activations(win):
    for text in desktop.texts(win, "label"):
        match = re.fullmatch(r"activations (\d+)", text)
        if match:
            return int(match.group(1))
    raise Failure(f"no activation count in {win.name!r}")


def expect_counts(a, b, count_a, count_b, why):
    """Waits for the counts, then checks they stay there once focus has settled."""
    try:
        wait_for(why, lambda: (activations(a), activations(b)) == (count_a, count_b), 5)
    except Failure:
        pass
    time.sleep(SETTLE)
    counts = (activations(a), activations(b))
    if counts != (count_a, count_b):
        raise Failure(f"{why}: activations of A and B are {counts}, expected {(count_a, count_b)}")
    print(f"-- {why}: A {count_a}, B {count_b}", flush=True)


def close_message(d, app):
    box = wait_for("a message box", lambda: desktop.shown_message_box(app))
    d.click(desktop.find(box, "push button", "OK"))
    wait_for("the message box to go", lambda: not desktop.shown_message_box(app))


def drive(d):
    app = desktop.application("activation_probe")
    a = window(app, "Sonde A")
    b = None

    def button(win, name):
        return desktop.find(win, "push button", name)

    # Counts start at 1 for A; B's label exists before it is shown.
    d.click(button(a, "Montrer B"))
    b = window(app, "Sonde B")
    expect_counts(a, b, 1, 1, "B shown by A: activated once, before the call returned")

    d.click(button(b, "Erreur"))
    close_message(d, app)
    expect_counts(a, b, 1, 1, "a message box over B closed")

    d.click(button(b, "Question"))
    window(app, "Question")
    d.key("Question", "Escape")
    desktop.no_window(app, "Question")
    expect_counts(a, b, 1, 1, "an input box over B cancelled")

    d.click(desktop.find(a, "label", "activations 1"))
    expect_counts(a, b, 2, 1, "the user clicked into A")

    d.click(desktop.find(b, "label", "activations 1"))
    expect_counts(a, b, 2, 2, "the user clicked into B")

    d.click(button(a, "Erreur"))
    close_message(d, app)
    expect_counts(a, b, 3, 2, "a click on A's button (A activated), its message box closed")

    d.click(button(b, "Cacher"))
    desktop.no_window(app, "Sonde B")
    expect_counts(a, b, 4, 3, "a click on B's button that hides B: B activated, then A again")

    d.click(button(a, "Montrer B"))
    window(app, "Sonde B")
    expect_counts(a, b, 4, 4, "B shown again")

    d.click(button(a, "Quitter"))
    wait_for("the probe's end", lambda: d.program.poll() is not None)
    if d.program.returncode != 0:
        raise Failure(f"the probe ended with code {d.program.returncode}")



if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    sys.exit(desktop.run_test("activation", os.path.abspath(sys.argv[1]), drive))
