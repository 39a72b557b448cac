"""What the real-window tests need from a desktop: the program's windows as
the accessibility tree (AT-SPI) shows them, real mouse and keyboard input sent
to the X server (XTEST), and the runner. No input goes blind: a button goes
down once the desktop shows the pointer at its target over the window meant,
a button of the program is held until the program shows it pressed, a key
goes to the window holding the keyboard; else the test fails, saying what was
expected and what was seen. The desktop, chosen once per run, is X11 with
openbox (openbox.py) or weston in a window of the X server (weston.py, run.sh
--wayland)."""

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
    """Polls probe() until it returns something true; fails naming `what`."""
    deadline = time.monotonic() + timeout
    while True:
        try:
            result = probe()
        except Exception:  # the tree changes under our feet while windows come and go
            result = None
        if result:
            return result
        if time.monotonic() > deadline:
            raise Failure(f"timed out after {timeout:.0f} s waiting for {what}")
        time.sleep(interval)


def confirm(expected, check, timeout=10.0):
    """Waits until check() returns None; else check() says what it sees,
    which the failure reports."""
    seen = ["nothing readable"]

    def probe():
        seen[0] = check()
        return seen[0] is None
    try:
        wait_for(expected, probe, timeout)
    except Failure:
        raise Failure(f"expected {expected}, but {seen[0]}") from None


def states(acc):
    return {pyatspi.stateToString(s) for s in acc.getState().getStates()}


def children(acc):
    return [acc.getChildAtIndex(i) for i in range(acc.childCount)]


def walk(acc):
    yield acc
    for child in children(acc):
        if child is not None:
            yield from walk(child)


def application(name="zurezive", timeout=20.0):
    return wait_for(f"the application {name!r} on the accessibility bus", lambda: next(
        (app for app in pyatspi.Registry.getDesktop(0) if app is not None and app.name == name), None), timeout)


def shown_windows(app):
    return [w for w in children(app)
            if w is not None and w.getRoleName() in WINDOW_ROLES and "showing" in states(w)]


def window(app, caption, timeout=10.0):
    return wait_for(f"the window {caption!r}", lambda: next(
        (w for w in shown_windows(app) if w.name == caption), None), timeout)


def no_window(app, caption, timeout=10.0):
    wait_for(f"the window {caption!r} to go",
             lambda: all(w.name != caption for w in shown_windows(app)), timeout)


def text_of(acc):
    """What the control shows: its name, or for editable text its content."""
    try:
        return acc.queryText().getText(0, -1) or acc.name
    except NotImplementedError:
        return acc.name


def controls(win, role):
    return [a for a in walk(win) if a is not win and a.getRoleName() == role]


def texts(win, role):
    return [text_of(a) for a in controls(win, role)]


def find(win, role, name):
    for acc in controls(win, role):
        if acc.name == name:
            return acc
    raise Failure(f"no {role} named {name!r} in the window {win.name!r}; "
                  f"there are {texts(win, role)}")


def list_items(win):
    """The item texts of the window's list box, in the order shown."""
    lists = controls(win, "list")
    if len(lists) != 1:
        raise Failure(f"{len(lists)} lists in the window {win.name!r}")
    return [text_of(item) for item in children(lists[0]) if item is not None]


def top_level(acc):
    """The window that holds the control."""
    while acc.parent is not None and acc.parent.getRoleName() != "application":
        acc = acc.parent
    return acc


def extents(acc, coords):
    """The control's area (left, top, width, height) in DESKTOP_COORDS or WINDOW_COORDS."""
    e = acc.queryComponent().getExtents(coords)
    if e.width <= 0 or e.height <= 0:
        raise Failure(f"{acc.getRoleName()} {acc.name!r} has no area on screen")
    return e.x, e.y, e.width, e.height


MODIFIERS = {"ctrl": "Control_L", "alt": "Alt_L", "shift": "Shift_L", "super": "Super_L"}


class Desktop:
    """The X server's screen and input, shared. A backend says where input
    lands (aimed, keyboard) and where windows are (centre, client_rect), and
    asks the window manager for things (bring_to_front, shown_active,
    close_window; minimise and frame_rect where the program sees them)."""

    minimise = frame_rect = program = None

    def __init__(self):
        self.display = Xlib.display.Display()
        self.root = self.display.screen().root

    def start(self, session):
        """Starts the desktop's processes; returns what the program's environment needs."""
        low, high = self.display.display.info.min_keycode, self.display.display.info.max_keycode
        self.keys = {}  # keysym -> key, shift level
        for code, row in enumerate(self.display.get_keyboard_mapping(low, high - low + 1), low):
            for level, keysym in enumerate(row[:2]):
                self.keys.setdefault(keysym, (code, level))
        return {}

    def close(self):
        pass

    def save_log(self, base):
        pass

    def screen_size(self):
        geometry = self.root.get_geometry()
        return geometry.width, geometry.height

    def grab(self, rect):
        """The pixels of a rectangle (left, top, width, height) as rows of
        (red, green, blue): fast enough to follow a progress bar."""
        x, y, width, height = rect
        data = self.root.get_image(x, y, width, height, X.ZPixmap, 0xFFFFFFFF).data
        return [[(data[i + 2], data[i + 1], data[i]) for i in range(4 * width * row, 4 * width * (row + 1), 4)]
                for row in range(height)]

    def on_screen(self, title):
        """Whether a window with this title is on screen (mapped, not minimised)."""
        return self.client_rect(title) is not None

    def send(self, kind, detail=0, x=0, y=0):
        xtest.fake_input(self.display, kind, detail, x=x, y=y)
        self.display.sync()
        time.sleep(0.02)  # as a quick user leaves between two events

    def click(self, acc):
        """A real click of the left button in the middle of the control."""
        x, y = self.centre(acc)
        button = acc.getRoleName() == "push button" and "enabled" in states(acc)
        self.click_at(x, y, top_level(acc).name, acc if button else None)

    def click_at(self, x, y, title, button=None):
        """Moves the pointer to (x, y), where the window `title` must be under
        it, and clicks; a button (accessible) is held down until the program
        shows it pressed."""
        self.send(X.MotionNotify, x=x, y=y)
        confirm(f"the pointer at ({x}, {y}) over {title!r}", lambda: self.aimed(x, y, title))
        self.send(X.ButtonPress, 1)
        try:
            if button is not None:
                confirm(f"{button.name!r} pressed by the click at ({x}, {y})", lambda: None if "pressed" in states(
                    button) else f"it shows {sorted(states(button))}; {self.aimed(x, y, title) or 'the pointer is there'}")
        finally:
            self.send(X.ButtonRelease, 1)

    def strokes(self, item):
        """The keys pressed together, in turn, for a key name or combination
        ("Return", "ctrl+a") or for a character to type (a Latin-1 keysym is
        the character's code, any other 0x1000000 above it)."""
        if len(item) > 1:
            keysyms = [XK.string_to_keysym(MODIFIERS.get(part, part)) for part in item.split("+")]
        else:
            keysyms = [ord(item) if ord(item) < 0x100 else 0x1000000 + ord(item)]
        if any(k not in self.keys for k in keysyms):
            raise Failure(f"no key of the X server's keyboard gives {item!r}")
        if len(item) == 1 and self.keys[keysyms[0]][1]:
            keysyms.insert(0, XK.XK_Shift_L)
        return [[self.keys[k][0] for k in keysyms]]

    def key(self, title, *items):
        """Keys (see strokes) for the window `title`, which must hold the keyboard."""
        confirm(f"the keyboard on {title!r}", lambda: self.keyboard(title))
        for item in items:
            for codes in self.strokes(item):
                for code in codes:
                    self.send(X.KeyPress, code)
                for code in reversed(codes):
                    self.send(X.KeyRelease, code)

    def type_text(self, title, text):
        self.key(title, *text)


class Session:
    """The program under test with what it needs around it on the X server: the
    accessibility bus (started first, so the program joins it) and the
    desktop. Everything started is ended by stop(), newest first. `env` adds
    to the program's environment."""

    def __init__(self, program, workdir, desktop, locale="fr_FR.UTF-8", env=None):
        self.processes = []
        self.workdir = workdir
        self.desktop = desktop
        self.env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", LC_ALL=locale, LANG=locale)
        self.env.pop("QT_QPA_PLATFORM", None)
        try:
            self.start(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"], **QUIET)
            program_env = desktop.start(self)
            self.program = self.start([program], cwd=workdir, env=dict(self.env, **program_env, **(env or {})))
            desktop.program = self.program
        except BaseException:
            self.stop()
            raise

    def start(self, args, **kwargs):
        kwargs.setdefault("env", self.env)
        process = subprocess.Popen(args, **kwargs)
        self.processes.append(process)
        return process

    def wait_for_exit(self, timeout=10.0):
        try:
            return self.program.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise Failure(f"the program is still running {timeout:.0f} s later")

    def stop(self):
        for process in reversed(self.processes):
            if process.poll() is None:
                process.terminate()
                try:
                    process.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()


def make_desktop():
    """The desktop of this run, chosen once: run.sh --wayland asks for weston."""
    if os.environ.get("TARVO_E2E_PLATFORM") == "wayland":
        from weston import Weston
        return Weston()
    from openbox import Openbox
    return Openbox()


def run_test(name, program, drive, env=None):
    """Runs drive(session) on the program in a new scratch folder and prints
    the verdict; on a failure the screen (and the desktop's log) is saved
    beside the program, numbered by run.sh --repeat. Returns the exit code."""
    workdir = tempfile.mkdtemp(prefix=f"tarvo-{name.replace(' ', '-')}-")
    desktop = session = None
    try:
        desktop = make_desktop()
        session = Session(program, workdir, desktop, env=env)
        drive(session)
        print(f"{name} test passed")
        return 0
    except Exception as error:
        run = os.environ.get("TARVO_E2E_RUN")
        base = os.path.join(os.path.dirname(program), name.replace(" ", "-") + "-failure" + (f"-{run}" if run else ""))
        subprocess.run(["import", "-window", "root", base + ".png"], check=False, timeout=30)
        message = error if isinstance(error, Failure) else traceback.format_exc()
        print(f"{name} test FAILED: {message}\n(screen saved to {base}.png)", file=sys.stderr)
        if desktop:
            desktop.save_log(base)
        return 1
    finally:
        if session:
            session.stop()
        if desktop:
            desktop.close()
        shutil.rmtree(workdir, ignore_errors=True)
