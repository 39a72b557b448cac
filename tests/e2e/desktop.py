"""What the end-to-end tests need from a real desktop: the program's windows as
the accessibility tree (AT-SPI) shows them, and real mouse and keyboard input
through the X server (xdotool). Reading goes through AT-SPI, acting through X,
so the program is driven exactly as a user drives it.

The desktop is X11 with openbox, or, with TARVO_E2E_PLATFORM=wayland (run.sh
--wayland), the Wayland compositor weston drawing into a window of the same X
server: xdotool's input reaches the program through weston, and the screen
can be read in both cases. Weston places windows where it likes and tells
clients nothing of it; its scene graph (weston-debug) says where they are."""

import ctypes
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
from collections import namedtuple

import pyatspi

WAYLAND = os.environ.get("TARVO_E2E_PLATFORM") == "wayland"

# Qt exposes a plain top-level widget with the role "filler", dialogs and
# message boxes with their own roles; all of them are the application's children.
WINDOW_ROLES = ("frame", "window", "filler", "dialog", "alert")


class Failure(Exception):
    pass


def wait_for(what, probe, timeout=10.0, interval=0.1):
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
    def probe():
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.name == name:
                return app
        return None
    return wait_for(f"the application {name!r} on the accessibility bus", probe, timeout)


def shown_windows(app):
    return [w for w in children(app)
            if w is not None and w.getRoleName() in WINDOW_ROLES and "showing" in states(w)]


def window(app, caption, timeout=10.0):
    def probe():
        for w in shown_windows(app):
            if w.name == caption:
                return w
        return None
    return wait_for(f"the window {caption!r}", probe, timeout)


def no_window(app, caption, timeout=10.0):
    wait_for(f"the window {caption!r} to go",
             lambda: all(w.name != caption for w in shown_windows(app)), timeout)


def text_of(acc):
    """What the control shows: its name, or for editable text its content."""
    try:
        text = acc.queryText()
        content = text.getText(0, -1)
        if content:
            return content
    except NotImplementedError:
        pass
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


def centre(acc):
    """The middle of the control on the screen. A Wayland client does not know
    where its windows are: there, the control's place in its window is added to
    where the compositor put the window, and a window that another covers at
    that point is brought to the front first, as a user would."""
    extents = acc.queryComponent().getExtents(pyatspi.WINDOW_COORDS if WAYLAND else pyatspi.DESKTOP_COORDS)
    if extents.width <= 0 or extents.height <= 0:
        raise Failure(f"{acc.getRoleName()} {acc.name!r} has no area on screen")
    x, y = extents.x + extents.width // 2, extents.y + extents.height // 2
    if not WAYLAND:
        return x, y
    win = top_level(acc)
    size = win.queryComponent().getExtents(pyatspi.WINDOW_COORDS)

    def find():
        stack = views()
        for i, v in enumerate(stack):
            if v.title == win.name and (v.client[2], v.client[3]) == (size.width, size.height):
                return i, stack
        return None

    index, stack = wait_for(f"the window {win.name!r} in the compositor's scene", find)
    x, y = x + stack[index].client[0], y + stack[index].client[1]
    if any(inside(other.frame, x, y) for other in stack[:index]):
        bring_to_front(re.escape(win.name))
    return x, y


# One top-level window as weston shows it: its title, its frame (with the title
# bar Qt draws) and its client area, as left, top, width, height on the screen.
View = namedtuple("View", "title frame client")

VIEW = re.compile(r"View \d+ \(role xdg_toplevel, .*?top-level window '(?P<title>.*)' of .*\):\n"
                  r"\s+position: \((?P<x1>-?\d+), (?P<y1>-?\d+)\) -> \((?P<x2>-?\d+), (?P<y2>-?\d+)\)\n"
                  r"\s+\[(?:opaque: \((?P<cx1>-?\d+), (?P<cy1>-?\d+)\) -> \((?P<cx2>-?\d+), (?P<cy2>-?\d+)\))?")


def views():
    """The windows on screen, topmost first (Wayland). Qt declares a window's
    client area opaque, which is how it shows apart from the title bar."""
    dump = subprocess.run(["weston-debug", "scene-graph"], capture_output=True, text=True,
                          errors="replace", timeout=10).stdout
    found = []
    for m in VIEW.finditer(dump):
        x1, y1, x2, y2 = (int(m[k]) for k in ("x1", "y1", "x2", "y2"))
        frame = (x1, y1, x2 - x1, y2 - y1)
        client = frame
        if m["cx1"] is not None:
            cx1, cy1, cx2, cy2 = (int(m[k]) for k in ("cx1", "cy1", "cx2", "cy2"))
            client = (cx1, cy1, cx2 - cx1, cy2 - cy1)
        found.append(View(m["title"], frame, client))
    return found


def view(pattern):
    return next((v for v in views() if re.fullmatch(pattern, v.title)), None)


def inside(rect, x, y):
    return rect[0] <= x < rect[0] + rect[2] and rect[1] <= y < rect[1] + rect[3]


def xdotool(*args):
    subprocess.run(["xdotool", *map(str, args)], check=True)


def click(acc):
    """A real click of the left button in the middle of the control."""
    x, y = centre(acc)
    xdotool("mousemove", "--sync", x, y)
    xdotool("click", 1)


def click_at(x, y):
    xdotool("mousemove", "--sync", x, y)
    xdotool("click", 1)


# Weston takes its keymap from the X server's layout names only: a key that
# xdotool maps for a moment to type a letter missing from the layout means
# nothing to it. There, accented letters are typed as a user of an English
# keyboard types them, with the compose key (right Alt, as weston is told).
COMPOSED = {"é": ("Alt_R", "apostrophe", "e"), "è": ("Alt_R", "grave", "e")}


def type_text(text):
    if not WAYLAND:
        xdotool("type", "--delay", 40, "--", text)
        return
    for part in re.split("([éè])", text):
        if part in COMPOSED:
            key(*COMPOSED[part])
        elif part:
            xdotool("type", "--delay", 40, "--", part)


def key(*names):
    xdotool("key", "--delay", 40, *names)


def client_rect(pattern):
    """Where the window with this title shows its client area, as the window
    system sees it (left, top, width, height), or None when it is not on
    screen: works while the program is busy and cannot answer the
    accessibility bus."""
    if WAYLAND:
        found = view(pattern)
        return found.client if found else None
    result = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{pattern}$"],
                            capture_output=True, text=True)
    ids = result.stdout.split()
    return screen().window_rect(int(ids[0])) if result.returncode == 0 and ids else None


def screen_size():
    width, height = subprocess.run(["xdotool", "getdisplaygeometry"], capture_output=True, text=True,
                                   check=True).stdout.split()
    return int(width), int(height)


def frame_rect(pattern):
    """Where the window manager put the frame of the window with this title
    (X11)."""
    result = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{pattern}$"],
                            capture_output=True, text=True)
    ids = result.stdout.split()
    return screen().frame_rect(int(ids[0])) if result.returncode == 0 and ids else None


def on_screen(pattern):
    """Whether a window with this title is on screen (mapped, not minimised)."""
    return client_rect(pattern) is not None


class Session:
    """The program under test with what it needs around it on the X server: the
    accessibility bus (started first, so the program joins it) and a window
    manager, or weston. Everything started is ended by stop(), newest first.
    `env` adds to the program's environment."""

    def __init__(self, program, workdir, locale="fr_FR.UTF-8", env=None):
        self.processes = []
        self.workdir = workdir
        self.weston_log = None
        self.env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", LC_ALL=locale, LANG=locale)
        self.env.pop("QT_QPA_PLATFORM", None)
        quiet = {"stdout": subprocess.DEVNULL, "stderr": subprocess.DEVNULL}
        try:
            self._start(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"], **quiet)
            if WAYLAND:
                self._start_weston()
            else:
                self._start(["openbox"], **quiet)
                time.sleep(1)
            self.program = self._start([program], cwd=workdir, env=dict(self.env, **(env or {})))
        except BaseException:
            self.stop()
            raise

    def _start_weston(self):
        """Weston in a window as large as the X screen, its scene graph open to
        weston-debug, no on-screen keyboard; the program then speaks Wayland
        to it."""
        runtime = os.environ["XDG_RUNTIME_DIR"]
        socket = f"tarvo-e2e-{os.getpid()}"
        config = os.path.join(runtime, "weston.ini")
        with open(config, "w") as f:
            f.write("[input-method]\npath=\n")
        self.weston_log = os.path.join(runtime, "weston.log")
        width, height = screen_size()
        with open(self.weston_log, "w") as log:
            self._start(["weston", "--backend=x11-backend.so", "--use-pixman", f"--config={config}", "--debug",
                         "--idle-time=0", f"--socket={socket}", f"--width={width}", f"--height={height}"],
                        env=dict(self.env, XKB_DEFAULT_OPTIONS="compose:ralt"),
                        stdout=subprocess.DEVNULL, stderr=log)
        try:
            wait_for("weston's socket", lambda: os.path.exists(os.path.join(runtime, socket)))
        except Failure as failure:
            with open(self.weston_log, errors="replace") as log:
                raise Failure(f"{failure}; weston's log ends with:\n" + "".join(log.readlines()[-15:]))
        os.environ["WAYLAND_DISPLAY"] = socket  # for weston-debug
        self.env.update(WAYLAND_DISPLAY=socket, QT_QPA_PLATFORM="wayland")
        wait_for("weston's desktop", lambda: "panel for output" in subprocess.run(
            ["weston-debug", "scene-graph"], capture_output=True, text=True, timeout=10).stdout)

    def _start(self, args, **kwargs):
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


def save_screen(path):
    subprocess.run(["import", "-window", "root", path], check=False)


class Screen:
    """Reads the X server's screen and window geometry directly (Xlib): fast
    enough to follow a progress bar, where `import` takes a third of a second
    a shot."""

    def __init__(self):
        c = ctypes
        self.xlib = c.CDLL("libX11.so.6")
        self.xlib.XOpenDisplay.restype = c.c_void_p
        self.xlib.XOpenDisplay.argtypes = [c.c_char_p]
        self.xlib.XDefaultRootWindow.restype = c.c_ulong
        self.xlib.XDefaultRootWindow.argtypes = [c.c_void_p]
        self.xlib.XGetImage.restype = c.c_void_p
        self.xlib.XGetImage.argtypes = [c.c_void_p, c.c_ulong, c.c_int, c.c_int, c.c_uint, c.c_uint,
                                        c.c_ulong, c.c_int]
        self.xlib.XGetPixel.restype = c.c_ulong
        self.xlib.XGetPixel.argtypes = [c.c_void_p, c.c_int, c.c_int]
        self.xlib.XDestroyImage.argtypes = [c.c_void_p]
        self.xlib.XGetGeometry.argtypes = [c.c_void_p, c.c_ulong, c.POINTER(c.c_ulong), c.POINTER(c.c_int),
                                           c.POINTER(c.c_int), c.POINTER(c.c_uint), c.POINTER(c.c_uint),
                                           c.POINTER(c.c_uint), c.POINTER(c.c_uint)]
        self.xlib.XTranslateCoordinates.argtypes = [c.c_void_p, c.c_ulong, c.c_ulong, c.c_int, c.c_int,
                                                    c.POINTER(c.c_int), c.POINTER(c.c_int),
                                                    c.POINTER(c.c_ulong)]
        self.xlib.XQueryTree.argtypes = [c.c_void_p, c.c_ulong, c.POINTER(c.c_ulong), c.POINTER(c.c_ulong),
                                         c.POINTER(c.c_void_p), c.POINTER(c.c_uint)]
        self.xlib.XFree.argtypes = [c.c_void_p]
        self.display = self.xlib.XOpenDisplay(None)
        if not self.display:
            raise Failure("cannot open the X display to read the screen")
        self.root = self.xlib.XDefaultRootWindow(self.display)

    def grab(self, rect):
        """The pixels of a rectangle (left, top, width, height) as rows of
        (red, green, blue), from the X server's 24-bit true colour screen."""
        x, y, width, height = rect
        image = self.xlib.XGetImage(self.display, self.root, x, y, width, height, 0xFFFFFFFF, 2)  # ZPixmap
        if not image:
            raise Failure(f"cannot read the screen at {rect}")
        try:
            pixels = [[self.xlib.XGetPixel(image, c, r) for c in range(width)] for r in range(height)]
            return [[(p >> 16 & 0xFF, p >> 8 & 0xFF, p & 0xFF) for p in row] for row in pixels]
        finally:
            self.xlib.XDestroyImage(image)

    def window_rect(self, window):
        """An X window's area on the screen, wherever its window manager's
        frame put it."""
        c = ctypes
        root, child = c.c_ulong(), c.c_ulong()
        x, y, ox, oy = c.c_int(), c.c_int(), c.c_int(), c.c_int()
        width, height, border, depth = c.c_uint(), c.c_uint(), c.c_uint(), c.c_uint()
        if not self.xlib.XGetGeometry(self.display, window, c.byref(root), c.byref(x), c.byref(y),
                                      c.byref(width), c.byref(height), c.byref(border), c.byref(depth)):
            return None
        self.xlib.XTranslateCoordinates(self.display, window, self.root, 0, 0, c.byref(ox), c.byref(oy),
                                        c.byref(child))
        return ox.value, oy.value, width.value, height.value

    def frame_rect(self, window):
        """The area of the window manager's frame around an X window: the
        window's ancestor just below the root."""
        c = ctypes
        while True:
            root, parent, children, count = c.c_ulong(), c.c_ulong(), c.c_void_p(), c.c_uint()
            if not self.xlib.XQueryTree(self.display, window, c.byref(root), c.byref(parent), c.byref(children),
                                        c.byref(count)):
                return None
            if children:
                self.xlib.XFree(children)
            if parent.value == root.value:
                return self.window_rect(window)
            window = parent.value


_screen = None


def screen():
    global _screen
    if _screen is None:
        _screen = Screen()
    return _screen


def bring_to_front(pattern):
    """Activates a window through the window manager, as a click on its task
    bar entry does: the program's windows cover one another. Weston has no task
    bar: there, a click on the window's title bar where no other window covers it."""
    if not WAYLAND:
        xdotool("search", "--onlyvisible", "--name", f"^{pattern}$", "windowactivate", "--sync")
        return
    stack = views()
    index = next((i for i, v in enumerate(stack) if re.fullmatch(pattern, v.title)), None)
    if index is None:
        raise Failure(f"no window {pattern!r} on screen")
    target = stack[index]
    y = (target.frame[1] + target.client[1]) // 2
    # Away from the buttons at the right end of the title bar.
    free = [x for x in range(target.frame[0] + 8, target.frame[0] + target.frame[2] - 80, 8)
            if not any(inside(other.frame, x, y) for other in stack[:index])]
    if free:
        click_at(free[0], y)
    else:
        # Weston's window switcher: Tab with the logo key held steps down the
        # stack of windows; letting the key go activates the one reached.
        xdotool("keydown", "super", *["key", "Tab"] * index, "keyup", "super")
    wait_for(f"the window {pattern!r} on top and active",
             lambda: re.fullmatch(pattern, views()[0].title) and shown_active(pattern))


def shown_active(pattern):
    """Whether the window with this title shows itself as the active one: to
    the X server, the window manager's active window; on Wayland, where Qt
    draws the title bar, its title written in black rather than grey."""
    if not WAYLAND:
        active = subprocess.run(["xdotool", "getactivewindow", "getwindowname"], capture_output=True,
                                text=True, errors="replace").stdout.strip()
        return re.fullmatch(pattern, active) is not None
    found = view(pattern)
    if found is None:
        return False
    x, y, width, _ = found.frame
    title_bar = screen().grab((x, y, width, found.client[1] - y))
    return any(max(pixel) < 40 for row in title_bar for pixel in row)


def minimise(pattern):
    """Minimises a window as its title bar's button does (X11)."""
    xdotool("search", "--onlyvisible", "--name", f"^{pattern}$", "windowminimize", "--sync")


def close_window(pattern):
    """The window manager's close, as the user asks for it: Alt+F4 under
    openbox; on Wayland, where Qt draws the title bar, its close button."""
    bring_to_front(pattern)
    if not WAYLAND:
        key("alt+F4")
        return
    frame = view(pattern).frame
    click_at(frame[0] + frame[2] - 17, frame[1] + 15)


def run_test(name, program, drive, env=None):
    """Runs drive(session) on the program in a new scratch folder and prints
    the verdict; on a failure the screen is saved beside the program.
    Returns the exit code."""
    workdir = tempfile.mkdtemp(prefix=f"tarvo-{name.replace(' ', '-')}-")
    session = None
    try:
        session = Session(program, workdir, env=env)
        drive(session)
        print(f"{name} test passed")
        return 0
    except Failure as failure:
        shot = os.path.join(os.path.dirname(program), f"{name.replace(' ', '-')}-failure.png")
        save_screen(shot)
        print(f"{name} test FAILED: {failure}\n(screen saved to {shot})", file=sys.stderr)
        if session and session.weston_log:
            with open(session.weston_log, errors="replace") as log:
                print("weston's log ends with:\n" + "".join(log.readlines()[-15:]), file=sys.stderr)
        return 1
    finally:
        if session:
            session.stop()
        shutil.rmtree(workdir, ignore_errors=True)
