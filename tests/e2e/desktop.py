"""What the end-to-end tests need from a real desktop: the program's windows as
the accessibility tree (AT-SPI) shows them, and real mouse and keyboard input
through the X server (xdotool). Reading goes through AT-SPI, acting through X,
so the program is driven exactly as a user drives it."""

import os
import shutil
import subprocess
import sys
import tempfile
import time

import pyatspi

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


def centre(acc):
    extents = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    if extents.width <= 0 or extents.height <= 0:
        raise Failure(f"{acc.getRoleName()} {acc.name!r} has no area on screen")
    return extents.x + extents.width // 2, extents.y + extents.height // 2


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


def type_text(text):
    xdotool("type", "--delay", 40, "--", text)


def key(*names):
    xdotool("key", "--delay", 40, *names)


def x_window_shown(pattern):
    """Whether the X server maps a window with this title: works while the
    program is busy and cannot answer the accessibility bus."""
    result = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{pattern}$"],
                            capture_output=True, text=True)
    return result.returncode == 0 and result.stdout.strip() != ""


class Session:
    """The program under test with what it needs around it on the X server: the
    accessibility bus (started first, so the program joins it) and a window
    manager. Everything started is ended by stop(), newest first."""

    def __init__(self, program, workdir, locale="fr_FR.UTF-8"):
        self.processes = []
        self.workdir = workdir
        self.env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", LC_ALL=locale, LANG=locale)
        self.env.pop("QT_QPA_PLATFORM", None)
        quiet = {"stdout": subprocess.DEVNULL, "stderr": subprocess.DEVNULL}
        self._start(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"], **quiet)
        self._start(["openbox"], **quiet)
        time.sleep(1)
        self.program = self._start([program], cwd=workdir)

    def _start(self, args, **kwargs):
        process = subprocess.Popen(args, env=self.env, **kwargs)
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


def bring_to_front(pattern):
    """Activates a window through the window manager, as a click on its task
    bar entry does: the program's windows are all centred and cover one another."""
    xdotool("search", "--onlyvisible", "--name", f"^{pattern}$", "windowactivate", "--sync")


def run_test(name, program, drive):
    """Runs drive(session) on the program in a new scratch folder and prints
    the verdict; on a failure the screen is saved beside the program.
    Returns the exit code."""
    workdir = tempfile.mkdtemp(prefix=f"tarvo-{name}-")
    session = None
    try:
        session = Session(program, workdir)
        drive(session)
        print(f"{name} test passed")
        return 0
    except Failure as failure:
        shot = os.path.join(os.path.dirname(program), f"{name}-failure.png")
        save_screen(shot)
        print(f"{name} test FAILED: {failure}\n(screen saved to {shot})", file=sys.stderr)
        return 1
    finally:
        if session:
            session.stop()
        shutil.rmtree(workdir, ignore_errors=True)
