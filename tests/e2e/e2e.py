#!/usr/bin/python3
"""End-to-end test on a real X server with a window manager, or on Wayland:
starts the program in a scratch working directory and drives it with real
clicks and keystrokes, as a user would, reading every window through the
accessibility tree.

    "Consulter" before any result (message, then an empty list), "Tester"
    (the bar followed on the screen), four values through the input boxes and
    one cancelled box, "OK" by Return, "Comparer", "Détails", back, "Comparer"
    again, the window manager's close, "Quitter"

then checks the bytes of the five data files against what the windows showed:
the same bytes on both platforms. With a window manager, focus moves and
activations come from the window system, so this is where the forms'
activation rules meet reality.

Run through run.sh, which provides Xvfb and a session D-Bus (and weston):
    tests/e2e/run.sh [--wayland] e2e.py PROGRAM"""

import os
import re
import sys
import time

import a11y
import desktop
from desktop import Failure, wait_for, window

# What the user types. The accented letters check the Windows-1252 bridge from
# the keyboard to the files; 0450 is stored as the number 450.
PROCESSEUR = "Athlé % [x] 850"
FREQ_ORIGINE_TYPED, FREQ_ORIGINE = "0450", 450
FREQ_OVERCLOCK = 500
CARTE_MERE = "Carte mère A7V"
LINE_END = b"\r\n"

MAIN = "CPU Tarvo 32"
CONSULTER = "Données stockées"
TEST = "Procédure de test"
ENTRY = "Votre machine"

# Where the test window shows its notice and its bar (left, top, width, height).
NOTICE = (14, 20, 323, 29)
BAR = (16, 62, 321, 16)


def step(text):
    print(f"-- {text}", flush=True)


def entry_button(d, win, row):
    """The entry window's buttons have no unique captions ("Nouvelle" three
    times): pick the one on the same row as its label."""
    labels = {"ButtonCPU": "Processeur", "ButtonFreqOrigine": "Fréq. d'origine",
              "ButtonFreqOverclock": "Fréq. d'overclock", "ButtonCarteMere": "Carte mère"}
    label = desktop.find(win, "label", labels[row])
    _, label_y = d.centre(label)
    buttons = [b for b in desktop.controls(win, "push button") if b.name in ("Nouveau", "Nouvelle")]
    return min(buttons, key=lambda b: abs(d.centre(b)[1] - label_y))


def answer_input_box(d, app, button, caption, text):
    """Clicks a "Nouveau"/"Nouvelle" button and answers the modal input box it
    opens: types the text over the default and confirms, or cancels when text
    is None."""
    d.click(button)
    box = window(app, caption)
    prompts = desktop.texts(box, "label")
    if not any(p.startswith("Veuillez entrer votre") for p in prompts):
        raise Failure(f"the input box {caption!r} shows no prompt: {prompts}")
    if text is None:
        d.key(caption, "Escape")
    else:
        d.key(caption, "Control_L+a")
        d.key(caption, *text)
        wait_for(f"{text!r} in the input box {caption!r}", lambda: text in desktop.texts(box, "text"), 3)
        d.key(caption, "Return")
    desktop.no_window(app, caption)


def message_box(app):
    """The one message box on screen, and its text."""
    box = wait_for("a message box", lambda: desktop.shown_message_box(app))
    return box, " ".join(t for t in desktop.texts(box, "label") if t)


def expect(condition, message):
    if not condition:
        raise Failure(message)


def open_descriptors(pid, workdir):
    """The data files the program holds open, by name."""
    names = set()
    fd_dir = f"/proc/{pid}/fd"
    for fd in os.listdir(fd_dir):
        try:
            target = os.readlink(os.path.join(fd_dir, fd))
        except OSError:
            continue
        if os.path.dirname(target) == workdir:
            names.add(os.path.basename(target))
    return names


def read(workdir, name):
    with open(os.path.join(workdir, name), "rb") as f:
        return f.read()


def nothing_within(what, happened, timeout):
    """Where the test expects nothing to happen and nothing tells that the
    program is done: waits, bounded, for what would show that something
    happened, and fails as soon as it shows."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if happened():
            raise Failure(what)
        time.sleep(0.05)


class Run:
    """What the steps share: the desktop, the program's windows as they come,
    and the results written."""

    def __init__(self, d):
        self.d = d
        self.workdir = d.workdir
        self.program = d.program
        self.app = self.main = self.consulter = self.saisie = self.comparaison = None
        self.results = self.line = self.other = None


def start_up(r):
    step("start-up: only the main window, \"Comparer\" disabled")
    r.app = desktop.application()
    r.main = window(r.app, MAIN)
    a11y.check(r.main)
    expect([w.name for w in desktop.shown_windows(r.app)] == [MAIN],
           f"windows at start-up: {[w.name for w in desktop.shown_windows(r.app)]}")
    expect_centred(r.d, MAIN)
    comparer = desktop.find(r.main, "push button", "Comparer")
    expect("enabled" not in desktop.states(comparer), "\"Comparer\" is enabled at start-up")
    expect(os.listdir(r.workdir) == [], f"files written at start-up: {os.listdir(r.workdir)}")


def consulter_before_any_result(r):
    step("\"Consulter\" before any result: one message, then an empty list")
    d, app = r.d, r.app
    d.click(desktop.find(r.main, "push button", "Consulter"))
    box, message = message_box(app)
    expect("TARVODAT.TXT" in message, f"the message does not name the results file: {message!r}")
    d.click(desktop.find(box, "push button", "OK"))
    r.consulter = window(app, CONSULTER)
    expect_centred(d, CONSULTER)
    # Closing the message box gives the focus back to the window beneath it: not
    # an activation, so the load is not tried again and no second message comes.
    # The program has handled that focus change once it shows the window active
    # again; a second load would have put its message up by then.
    seen = wait_for("the stored results window active again, or a second message box",
                    lambda: "alert" if desktop.shown_message_box(app) else "active" in desktop.states(r.consulter))
    expect(seen != "alert", "a second message box came after the first was closed")
    a11y.check(r.consulter)
    expect(desktop.texts(r.consulter, "list item") == [],
           f"the list is not empty: {desktop.texts(r.consulter, 'list item')}")


def tester(r):
    step("\"Tester\": the test window while the kernels run, then the entry window")
    # The stored results window is centred over the main window: come back to
    # the main window as a user would, through the window manager.
    r.d.bring_to_front(MAIN)
    r.d.click(desktop.find(r.main, "push button", "Tester"))
    watch_test_run(r.d)
    r.saisie = window(r.app, ENTRY, 30)
    desktop.no_window(r.app, TEST)
    a11y.check(r.saisie, ["", "", "", ""])
    for name in ["_CPU.TXT", "_FORIG.TXT", "_FOVER.TXT", "_CMERE.TXT"]:
        expect(read(r.workdir, name) == b"", f"{name} is not an empty new file")
    # The lists are made, then read by path: nothing is kept open.
    held = open_descriptors(r.program.pid, r.workdir)
    expect(not held, f"the entry window keeps data files open: {sorted(held)}")


def four_values(r):
    step("four values through the input boxes, one box cancelled")
    d, app, saisie = r.d, r.app, r.saisie
    # An activation makes a missing list: had closing the input box counted as
    # an activation of the entry window, the motherboards' list would be back.
    os.remove(os.path.join(r.workdir, "_CMERE.TXT"))
    answer_input_box(d, app, entry_button(d, saisie, "ButtonCPU"), "Nouveau processeur", PROCESSEUR)
    expect(not os.path.exists(os.path.join(r.workdir, "_CMERE.TXT")),
           "the entry window was activated again when the input box closed")
    answer_input_box(d, app, entry_button(d, saisie, "ButtonFreqOrigine"), "Nouvelle fréquence d'origine",
                     FREQ_ORIGINE_TYPED)
    answer_input_box(d, app, entry_button(d, saisie, "ButtonFreqOverclock"), "Nouvelle fréquence d'overclock",
                     None)
    a11y.check(saisie, [PROCESSEUR, str(FREQ_ORIGINE), "-1", ""])
    answer_input_box(d, app, entry_button(d, saisie, "ButtonFreqOverclock"), "Nouvelle fréquence d'overclock",
                     str(FREQ_OVERCLOCK))
    answer_input_box(d, app, entry_button(d, saisie, "ButtonCarteMere"), "Nouvelle carte mère", CARTE_MERE)
    a11y.check(saisie, [PROCESSEUR, str(FREQ_ORIGINE), str(FREQ_OVERCLOCK), CARTE_MERE])


def ok_by_keyboard(r):
    step("\"OK\" by the keyboard: the line is appended, the entry window goes, \"Comparer\" is enabled")
    # Return clicks the focused button, as Space does. (Weston leaves no window
    # active when an input box closes: the user clicks back into the window.)
    r.d.bring_to_front(ENTRY)
    ok = desktop.find(r.saisie, "push button", "OK")
    for _ in range(10):
        if "focused" in desktop.states(ok):
            break
        r.d.key(ENTRY, "Tab")
    expect("focused" in desktop.states(ok), "Tab does not reach \"OK\"")
    r.d.key(ENTRY, "Return")
    desktop.no_window(r.app, ENTRY)
    expect("enabled" in desktop.states(desktop.find(r.main, "push button", "Comparer")),
           "\"Comparer\" stays disabled after a result was recorded")
    r.results = read(r.workdir, "TARVODAT.TXT")
    r.line = check_results_line(r.results)


def consulter_reloads(r):
    step("the stored results window reloads when it becomes active again")
    # The window manager may hand the activation to it when the entry window
    # goes; otherwise it still shows the list of its last activation until the
    # user clicks into it.
    if "active" not in desktop.states(r.consulter):
        expect(desktop.texts(r.consulter, "list item") == [],
               "the stored results list changed without an activation")
        r.d.bring_to_front(CONSULTER)
    else:
        print("   (the window manager activated it when the entry window went)")
    wait_for("the new line in the stored results list",
             lambda: desktop.texts(r.consulter, "list item") == [r.line.decode("cp1252")])


def comparer(r):
    step("\"Comparer\": the machine record above the stored lines")
    r.d.bring_to_front(MAIN)
    r.d.click(desktop.find(r.main, "push button", "Comparer"))
    r.comparaison = window(r.app, "Comparaison")
    a11y.check(r.comparaison)
    check_comparison_row(r.comparaison, r.line)
    expect(desktop.texts(r.comparaison, "list item") == [r.line.decode("cp1252")],
           f"the comparison list shows {desktop.texts(r.comparaison, 'list item')}")


def details_and_back(r):
    step("\"Détails\", then back: the comparison window reloads its list")
    r.d.click(desktop.find(r.comparaison, "push button", "Détails"))
    details = window(r.app, "Détails du tableau")
    a11y.check(details)
    # A line recorded meanwhile by another copy of the program shows once the
    # comparison window is active again.
    r.other = b"      999.00      999.00      999.00            Autre 1 \xe0 2     [CM Autre]" + LINE_END
    with open(os.path.join(r.workdir, "TARVODAT.TXT"), "ab") as f:
        f.write(r.other)
    r.d.click(desktop.find(details, "push button", "OK"))
    desktop.no_window(r.app, "Détails du tableau")
    both = [line.decode("cp1252") for line in sorted([r.line, r.other[:-2]])]
    wait_for("the comparison list reloaded on coming back",
             lambda: desktop.texts(r.comparaison, "list item") == both)


def comparer_again(r):
    step("\"Comparer\" again: nothing for a window behind, back for a minimised one")
    d = r.d
    d.bring_to_front(MAIN)
    button = desktop.find(r.main, "push button", "Comparer")
    d.click(button)
    # The program shows the button released once the release and its handler
    # are done; openbox then handles in turn what the handler asked of it.
    # (Under Wayland the compositor alone activates windows.)
    wait_for("\"Comparer\" released", lambda: "pressed" not in desktop.states(button))
    if hasattr(d, "settle"):
        d.settle("openbox done with what the handler asked")
    expect(d.shown_active(MAIN) and "active" in desktop.states(r.main),
           "a window merely behind the main window came forward")
    if d.minimise is None:
        print("   (Wayland tells no program that its window was minimised: the compositor's business)")
    else:
        d.minimise("Comparaison")
        d.click(button)
        wait_for("the minimised comparison window back and active",
                 lambda: d.client_rect("Comparaison") and "active" in desktop.states(r.comparaison))


def window_manager_close(r):
    step("the window manager's close: a viewing window hides, the main window refuses")
    d = r.d
    d.close_window("Comparaison")
    desktop.no_window(r.app, "Comparaison")
    d.close_window(MAIN)
    # A refused close leaves no trace, and the program's handling of the window
    # manager's request cannot be ordered against this test's questions: once
    # the window manager has sent it, wait, bounded, for the program's end or
    # the main window going, which would show that the close was taken.
    if hasattr(d, "settle"):
        d.settle("openbox done with the close request")
    nothing_within("the program ended, or its main window went, on the window manager's close",
                   lambda: r.program.poll() is not None
                   or MAIN not in [w.name for w in desktop.shown_windows(r.app)], 1.5)


def quitter(r):
    step("\"Quitter\" ends the program whatever is open")
    r.d.bring_to_front(MAIN)
    r.d.click(desktop.find(r.main, "push button", "Quitter"))
    wait_for("the program's end", lambda: r.program.poll() is not None)
    expect(r.program.returncode == 0, f"the program ended with code {r.program.returncode}")


def data_files(r):
    step("the bytes of the five data files")
    expect(read(r.workdir, "TARVODAT.TXT") == r.results + r.other, "the results file changed after \"OK\"")
    expected = {
        "_CPU.TXT": PROCESSEUR.encode("cp1252") + LINE_END,
        "_FORIG.TXT": str(FREQ_ORIGINE).encode() + LINE_END,
        "_FOVER.TXT": b"-1" + LINE_END + str(FREQ_OVERCLOCK).encode() + LINE_END,
        "_CMERE.TXT": CARTE_MERE.encode("cp1252") + LINE_END,
    }
    for name, content in expected.items():
        actual = read(r.workdir, name)
        expect(actual == content, f"{name} holds {actual!r}, expected {content!r}")
    expect(sorted(os.listdir(r.workdir)) == sorted(["TARVODAT.TXT", *expected]),
           f"unexpected files: {sorted(os.listdir(r.workdir))}")


def drive(d):
    r = Run(d)
    for scenario_step in (start_up, consulter_before_any_result, tester, four_values, ok_by_keyboard,
                          consulter_reloads, comparer, details_and_back, comparer_again, window_manager_close,
                          quitter, data_files):
        scenario_step(r)


def expect_centred(d, title):
    """A window is placed by its frame in the middle of the screen, from its
    first showing on. Under Wayland the compositor places windows."""
    if d.frame_rect is None:
        return
    frame = wait_for(f"the window {title!r} on screen", lambda: d.frame_rect(title))
    x, y, width, height = frame
    screen_width, screen_height = d.screen_size
    off = (x + width / 2 - screen_width / 2, y + height / 2 - screen_height / 2)
    expect(max(abs(off[0]), abs(off[1])) <= 1, f"{title!r} is {off} pixels off the middle of the screen")


def watch_test_run(d):
    """Follows the test window on the screen while the kernels run. The program
    is busy for the whole test and answers no accessibility query: the window
    system and the screen's pixels tell what the user sees. Before the first
    kernel ends the window must be painted, active, its bar empty; then the bar
    must be seen growing, step by step, up to full."""
    rect = wait_for("the test window on screen", lambda: d.client_rect(TEST), 30, 0.02)
    bar = (rect[0] + BAR[0], rect[1] + BAR[1] + BAR[3] // 2, BAR[2], 1)
    lengths = []
    ready = False
    deadline = time.monotonic() + 600
    while time.monotonic() < deadline:
        # The bar's chunk is the one strongly blue thing in the window.
        length = sum(1 for r, g, b in d.grab(bar)[0] if b > r + 60)
        if not lengths or lengths[-1] != length:
            # The entry window comes over the test window once the test is over.
            if d.client_rect(ENTRY):
                break
            lengths.append(length)
        if length == 0 and not ready:
            notice = d.grab((rect[0] + NOTICE[0], rect[1] + NOTICE[1], NOTICE[2], NOTICE[3]))
            ink = sum(1 for line in notice for pixel in line if max(pixel) < 100)
            ready = ink > 100 and d.shown_active(TEST)
        if length >= BAR[2] - 4:  # full, within the bar's frame
            break
        time.sleep(0.01)
    print(f"   bar lengths seen, in pixels: {lengths}")
    expect(ready, "the test window was not seen painted and active with its bar empty")
    grown = [n for n in lengths if n > 0]
    # Kernels 3 and 4 take a few milliseconds, and the full bar shows only
    # until the entry window comes; the five other steps last long enough to
    # be seen. (A Wayland client that does not flush shows two or three.)
    expect(grown == sorted(grown) and len(grown) >= 5,
           f"the bar was not seen growing step by step: {lengths}")
    wait_for("the entry window after the test", lambda: d.client_rect(ENTRY), 30)


def check_results_line(results):
    """The results file after the first "OK": one line, CR LF, the three results
    in "%12.2f" with a decimal point whatever the locale, then the description."""
    expect(results.endswith(LINE_END) and results.count(b"\n") == 1,
           f"the results file is not one CR LF line: {results!r}")
    line = results[:-2]
    description = (PROCESSEUR.encode("cp1252") + b" " + str(FREQ_ORIGINE).encode() + b" \xe0 "
                   + str(FREQ_OVERCLOCK).encode() + b"     [CM " + CARTE_MERE.encode("cp1252") + b"]")
    expect(line[36:] == b" " * 12 + description, f"the description part reads {line[36:]!r}")
    fields = [line[0:12], line[12:24], line[24:36]]
    for field in fields:
        expect(re.fullmatch(rb" *\d+\.\d\d", field), f"a result field reads {field!r}")
    index, flottant, entier = (float(f) for f in fields)
    expect(flottant > 0 and entier > 0, f"results {flottant} and {entier} are not positive")
    # The index weighs the floating result three times; each field is rounded.
    expect(abs(index - (3 * flottant + entier) / 4) <= 0.02,
           f"index {index} does not follow from {flottant} and {entier}")
    return line


def check_comparison_row(win, line):
    """The row of labels shows the record of the line just written, with the
    regional (French) decimal comma and no padding."""
    labels = desktop.texts(win, "label")
    # "####.00": no leading zero, so 0.50 shows as ,50.
    numbers = [f.strip().replace(b".", b",").lstrip(b"0").decode() for f in (line[0:12], line[12:24], line[24:36])]
    for number in numbers:
        expect(number in labels, f"the row does not show {number!r}: labels are {labels}")
    configuration = line[48:].decode("cp1252")
    expect(configuration in labels, f"the row does not show {configuration!r}: labels are {labels}")


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    sys.exit(desktop.run_test("end-to-end", os.path.abspath(sys.argv[1]), drive))
