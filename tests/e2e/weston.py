"""Wayland: the compositor weston draws into a window of the X server and
takes that server's input for the program; its scene graph (weston-debug)
says where it put the windows and the pointer's cursor.

Weston follows the X pointer by the difference between two motions, and only
takes an absolute position when the pointer enters its window: its output is
smaller than the X screen and the pointer starts outside it, so that the
first move brings it in at a known place."""

import os
import re
import subprocess
from collections import namedtuple

import pyatspi
from Xlib import X

from desktop import Desktop, Failure, shown_windows, states, wait_for

MARGIN = 64  # pixels of the X screen right of and below weston's output

# One top-level window as weston shows it: its title, its frame (with the title
# bar Qt draws) and its client area, as left, top, width, height on the screen.
View = namedtuple("View", "title frame client")

POSITION = r":\n\s+position: \((?P<x1>-?\d+), (?P<y1>-?\d+)\) -> \((?P<x2>-?\d+), (?P<y2>-?\d+)\)"
VIEW = re.compile(r"View \d+ \(role xdg_toplevel, .*?top-level window '(?P<title>.*)' of .*\)" + POSITION
                  + r"\n\s+\[(?:opaque: \((?P<cx1>-?\d+), (?P<cy1>-?\d+)\) -> \((?P<cx2>-?\d+), (?P<cy2>-?\d+)\))?")
CURSOR = re.compile(r"View \d+ \(role wl_pointer-cursor, PID (?P<pid>\d+), .*\)" + POSITION)


def rect(m, c=""):
    return int(m[c + "x1"]), int(m[c + "y1"]), int(m[c + "x2"]) - int(m[c + "x1"]), int(m[c + "y2"]) - int(m[c + "y1"])


def inside(rect, x, y):
    return rect[0] <= x < rect[0] + rect[2] and rect[1] <= y < rect[1] + rect[3]


class Weston(Desktop):
    # Weston takes its keymap from the X server's layout names only: accented
    # letters are typed as a user of an English keyboard types them, with the
    # compose key (right Alt, as weston is told).
    composed = {"é": ("Alt_R", "apostrophe", "e"), "è": ("Alt_R", "grave", "e")}

    def start_desktop(self):
        config, self.log = os.path.join(self.scratch, "weston.ini"), os.path.join(self.scratch, "weston.log")
        with open(config, "w") as f:
            f.write("[input-method]\npath=\n")  # no on-screen keyboard
        self.env.update(XDG_RUNTIME_DIR=self.scratch, WAYLAND_DISPLAY="wayland-tarvo", QT_QPA_PLATFORM="wayland")
        width, height = self.screen_size
        self.send(X.MotionNotify, x=width - 1, y=height - 1)
        with open(self.log, "w") as log:
            self.spawn(["weston", "--backend=x11-backend.so", "--use-pixman", f"--config={config}", "--debug",
                        "--idle-time=0", "--socket=wayland-tarvo", f"--width={width - MARGIN}",
                        f"--height={height - MARGIN}"], env=dict(self.env, XKB_DEFAULT_OPTIONS="compose:ralt"),
                       stdout=subprocess.DEVNULL, stderr=log)
        wait_for("weston's desktop", lambda: "panel for output" in self.dump(), 20)
        x, y = (width - MARGIN) // 2, (height - MARGIN) // 2
        self.send(X.MotionNotify, x=x, y=y)
        wait_for(f"weston's pointer brought in at ({x}, {y})", lambda: self.aimed(x, y, None))

    def dump(self):
        return subprocess.run(["weston-debug", "scene-graph"], capture_output=True, text=True, errors="replace",
                              timeout=10, env=self.env).stdout

    def scene(self):
        """The windows on screen, topmost first, and the cursor: its image's
        area and the process that set it. Qt declares a window's client area
        opaque, which is how it shows apart from the title bar."""
        dump = self.dump()
        views = [View(m["title"], rect(m), rect(m, "c") if m["cx1"] else rect(m)) for m in VIEW.finditer(dump)]
        cursor = CURSOR.search(dump)
        return views, cursor and (rect(cursor), int(cursor["pid"]))

    def view(self, title):
        return next((v for v in self.scene()[0] if v.title == title), None)

    def client_rect(self, title):
        found = self.view(title)
        return found and found.client

    def aimed(self, x, y, title):
        """Whether weston's cursor covers (x, y), set by the program, with the
        window `title` on top there (None: weston's own desktop). The scene
        graph gives the cursor's image, not its hot spot in it."""
        views, cursor = self.scene()
        top = next((v.title for v in views if inside(v.frame, x, y)), None)
        area, pid = cursor or ((0, 0, 0, 0), None)
        owner = "the program" if self.program and pid == self.program.pid else f"process {pid}"
        if top != title or not inside(area, x, y) or (title is not None and owner != "the program"):
            raise Failure(f"weston shows the cursor of {owner} over {area} and {top!r} on top at ({x}, {y})")
        return True

    def keyboard(self, title):
        """Weston gives the keys to the window it activated, which the program shows active."""
        active = [w.name for app in pyatspi.Registry.getDesktop(0) if app for w in shown_windows(app)
                  if "active" in states(w)]
        if title not in active:
            raise Failure(f"the program's active windows are {active}")
        return True

    def bring_to_front(self, title):
        """Weston has no task bar: a click on the window's title bar, at its
        left end, away from the buttons."""
        view = wait_for(f"the window {title!r} on screen", lambda: self.view(title))
        self.click_at(view.frame[0] + 8, (view.frame[1] + view.client[1]) // 2, title)
        wait_for(f"the window {title!r} on top and active",
                 lambda: self.scene()[0][0].title == title and self.shown_active(title))

    def shown_active(self, title):
        """Qt draws the title bar: an active window's title is written in
        black rather than grey."""
        found = self.view(title)
        if found is None:
            return False
        x, y, width, _ = found.frame
        return any(max(pixel) < 40 for row in self.grab((x, y, width, found.client[1] - y)) for pixel in row)

    def close_window(self, title):
        """Qt draws the title bar, and its close button."""
        self.bring_to_front(title)
        frame = self.view(title).frame
        self.click_at(frame[0] + frame[2] - 17, frame[1] + 15, title)
