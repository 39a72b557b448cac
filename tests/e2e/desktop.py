"""What the real-window tests need from a desktop: the program started on it,
its windows as the accessibility tree (AT-SPI) shows them, real input sent to
the X server (XTEST), and the runner. No input goes blind: a mouse button goes
down once the desktop shows the pointer at its target over the window meant,
a button of the program is held until the program shows it pressed, keys go
to the window holding the keyboard; else the test fails saying what was
expected and what was seen."""

import os
import shutil
import subprocess
import sys
import tempfile
import time
import traceback

import pyatspi
import Xlib.display
from Xlib import X, XK
from Xlib.ext import xtest

# Qt exposes a plain top-level widget with the role "filler", dialogs and
# message boxes with their own roles; all of them are the application's children.
WINDOW_ROLES = ("frame", "window", "filler", "dialog", "alert")
QUIET = {"stdout": subprocess.DEVNULL, "stderr": subprocess.DEVNULL}


class Failure(Exception):
    pass


def wait_for(what, probe, timeout=10.0, interval=0.05):
    """Polls probe() until it returns something true. A probe may raise
    Failure to say what it sees instead, which the failure reports."""
    deadline = time.monotonic() + timeout
    seen = f"not within {timeout:.0f} s"
    while True:
        try:
            result = probe()
        except Failure as error:
            result, seen = None, error
        except Exception:  # the tree changes under our feet while windows come and go
            result = None
        if result:
            return result
        if time.monotonic() > deadline:
            raise Failure(f"expected {what}, but {seen}")
        time.sleep(interval)


def states(acc):
    return {pyatspi.stateToString(s) for s in acc.getState().getStates()}


def descendants(acc):
    for child in acc:
        if child is not None:
            yield child
            yield from descendants(child)


def application(name="zurezive"):
    return wait_for(f"the application {name!r} on the accessibility bus", lambda: next(
        (app for app in pyatspi.Registry.getDesktop(0) if app is not None and app.name == name), None), 20)


def shown_windows(app):
    return [w for w in app
            if w is not None and w.getRoleName() in WINDOW_ROLES and "showing" in states(w)]


def shown_message_box(app):
    """The message box on screen, or None."""
    return next((w for w in shown_windows(app) if w.getRoleName() == "alert"), None)


def window(app, caption, timeout=10.0):
    return wait_for(f"the window {caption!r}", lambda: next(
        (w for w in shown_windows(app) if w.name == caption), None), timeout)


def no_window(app, caption):
    wait_for(f"the window {caption!r} to go", lambda: all(w.name != caption for w in shown_windows(app)))


def text_of(acc):
    try:
        return acc.queryText().getText(0, -1) or acc.name
    except NotImplementedError:
        return acc.name


def controls(win, role):
    return [a for a in descendants(win) if a.getRoleName() == role]


def texts(win, role):
    return [text_of(a) for a in controls(win, role)]


def find(win, role, name):
    for acc in controls(win, role):
        if acc.name == name:
            return acc
    raise Failure(f"no {role} named {name!r} in the window {win.name!r}; there are {texts(win, role)}")


def top_level(acc):
    while acc.parent is not None and acc.parent.getRoleName() != "application":
        acc = acc.parent
    return acc


class Desktop:
    """One backend per desktop, chosen once per run (openbox.py for X11,
    weston.py for run.sh --wayland), starts it (start_desktop), says where
    input lands (aimed, keyboard) and where windows are (client_rect), and
    asks the window manager for things (bring_to_front, shown_active,
    close_window; minimise and frame_rect where the program sees them)."""

    minimise = frame_rect = program = log = None
    composed = {}  # a character -> the keys typed in turn for it

    def __init__(self):
        self.display = Xlib.display.Display()
        self.root = self.display.screen().root
        geometry = self.root.get_geometry()
        self.screen_size = geometry.width, geometry.height
        self.processes = []
        self.scratch = tempfile.mkdtemp(prefix="tarvo-e2e-")
        self.workdir = tempfile.mkdtemp(dir=self.scratch)
        self.env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", LC_ALL="fr_FR.UTF-8", LANG="fr_FR.UTF-8")
        self.env.pop("QT_QPA_PLATFORM", None)

    def spawn(self, args, **kwargs):
        kwargs.setdefault("env", self.env)
        self.processes.append(subprocess.Popen(args, **kwargs))
        return self.processes[-1]

    def launch(self, program, env):
        """The accessibility bus first, so that the program joins it, then the
        desktop, then the program in an empty working folder."""
        self.spawn(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"], **QUIET)
        self.start_desktop()
        self.program = self.spawn([program], cwd=self.workdir, env=dict(self.env, **env))

    def stop(self):
        for process in reversed(self.processes):
            process.terminate()  # nothing if it ended
            try:
                process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
        shutil.rmtree(self.scratch, ignore_errors=True)

    def grab(self, rect):
        """Rows of (red, green, blue) pixels: fast enough to follow a progress bar."""
        x, y, width, height = rect
        data = self.root.get_image(x, y, width, height, X.ZPixmap, 0xFFFFFFFF).data
        return [[(data[i + 2], data[i + 1], data[i]) for i in range(4 * width * row, 4 * width * (row + 1), 4)]
                for row in range(height)]

    def send(self, kind, detail=0, x=0, y=0):
        xtest.fake_input(self.display, kind, detail, x=x, y=y)
        self.display.sync()
        time.sleep(0.02)  # as a quick user leaves between two events

    def centre(self, acc):
        """The control's place in its window added to where the desktop shows
        the window, once at the size the program gave it: a Wayland client is
        not told where its windows are."""
        win = top_level(acc)
        box, win_box = (a.queryComponent().getExtents(pyatspi.WINDOW_COORDS) for a in (acc, win))
        if box.width <= 0 or box.height <= 0:
            raise Failure(f"{acc.getRoleName()} {acc.name!r} has no area on screen")
        size = win_box.width, win_box.height

        def placed():
            rect = self.client_rect(win.name)
            return rect if rect and rect[2:] == size else None
        left, top, _, _ = wait_for(f"the window {win.name!r} on screen, {size[0]} x {size[1]}", placed)
        return left + box.x - win_box.x + box.width // 2, top + box.y - win_box.y + box.height // 2

    def click(self, acc):
        x, y = self.centre(acc)
        button = acc.getRoleName() == "push button" and "enabled" in states(acc)
        self.click_at(x, y, top_level(acc).name, acc if button else None)

    def click_at(self, x, y, title, button=None):
        def pressed():
            if "pressed" in states(button):
                return True
            self.aimed(x, y, title)  # says where the pointer went instead
            raise Failure(f"it shows {sorted(states(button))} with the pointer there")

        self.send(X.MotionNotify, x=x, y=y)
        wait_for(f"the pointer at ({x}, {y}) over {title!r}", lambda: self.aimed(x, y, title))
        self.send(X.ButtonPress, 1)
        try:
            if button is not None:
                wait_for(f"{button.name!r} pressed by the click at ({x}, {y})", pressed)
        finally:
            self.send(X.ButtonRelease, 1)

    def chord(self, item):
        """The keys pressed together for a key name or combination ("Return",
        "Control_L+a") or for a character to type (a Latin-1 keysym is the
        character's code, any other 0x1000000 above it)."""
        if len(item) > 1:
            keysyms = [XK.string_to_keysym(part) for part in item.split("+")]
        else:
            keysyms = [ord(item) if ord(item) < 0x100 else 0x1000000 + ord(item)]
        # Each on a key, plain or shifted: (key, shift level).
        keys = [next((key for key in self.display.keysym_to_keycodes(k) if key[1] < 2), None) for k in keysyms]
        if None in keys:
            raise Failure(f"no key of the X server's keyboard gives {item!r}")
        shift = [self.display.keysym_to_keycode(XK.XK_Shift_L)] if len(item) == 1 and keys[0][1] else []
        return shift + [code for code, _ in keys]

    def key(self, title, *items):
        wait_for(f"the keyboard on {title!r}", lambda: self.keyboard(title))
        for item in items:
            for codes in map(self.chord, self.composed.get(item, [item])):
                for code in codes:
                    self.send(X.KeyPress, code)
                for code in reversed(codes):
                    self.send(X.KeyRelease, code)


def run_test(name, program, drive, env=None):
    """Runs drive(desktop) and prints the verdict; on a failure the screen and
    the desktop's log are saved beside the program, numbered by run.sh --repeat."""
    if os.environ.get("TARVO_E2E_PLATFORM") == "wayland":
        from weston import Weston as Backend
    else:
        from openbox import Openbox as Backend
    desktop = Backend()
    try:
        desktop.launch(program, env or {})
        drive(desktop)
        print(f"{name} test passed")
        return 0
    except Exception as error:
        run = os.environ.get("TARVO_E2E_RUN")
        base = os.path.join(os.path.dirname(program), name.replace(" ", "-") + "-failure" + (f"-{run}" if run else ""))
        subprocess.run(["import", "-window", "root", base + ".png"], check=False, timeout=30)
        message = error if isinstance(error, Failure) else traceback.format_exc()
        print(f"{name} test FAILED: {message}\n(screen saved to {base}.png)", file=sys.stderr)
        if desktop.log and os.path.exists(desktop.log):
            saved = shutil.copy(desktop.log, f"{base}-{os.path.basename(desktop.log)}")
            with open(saved, errors="replace") as log:
                print(f"the desktop's log ({saved}) ends with:\n" + "".join(log.readlines()[-15:]), file=sys.stderr)
        return 1
    finally:
        desktop.stop()
