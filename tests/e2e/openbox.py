"""X11 with openbox: the X server says where the pointer is, which window is
under it and which holds the keyboard; openbox is asked for things through
the window manager hints (EWMH), as a task bar asks it, or by its keys."""

from Xlib import X, Xatom
from Xlib.error import XError
from Xlib.protocol import event

from desktop import QUIET, Desktop, Failure, wait_for

# Typed on spare keys of the X server's keyboard, given to them before the
# program starts: a key mapped while the program runs may reach it before it
# learns of the new map, and the character is lost.
ACCENTED = "àâçéèêëîïôùûü"


class Openbox(Desktop):
    def start_desktop(self):
        self.spawn(["openbox"], **QUIET)
        self.settle("openbox running")
        # One change of the map: openbox grabs its keys again after each.
        low, high = self.display.display.info.min_keycode, self.display.display.info.max_keycode
        rows = [list(row) for row in self.display.get_keyboard_mapping(low, high - low + 1)]
        spare = [code for code, row in enumerate(rows, low) if not any(row)][:len(ACCENTED)]
        for code, char in zip(spare, ACCENTED):
            rows[code - low] = [ord(char)] + [0] * (len(rows[0]) - 1)
        self.display.change_keyboard_mapping(spare[0], rows[spare[0] - low:spare[-1] - low + 1])
        self.settle("openbox taking the new keyboard map")
        while self.display.pending_events():  # the change of the map, as every client hears of it
            self.display.refresh_keyboard_mapping(self.display.next_event())

    def settle(self, what):
        """Waits until openbox has handled what came before: it answers a
        question about a window's frame in turn, once it runs. The program
        asks that question before showing a window, and gives up after a
        moment."""
        probe = self.root.create_window(0, 0, 1, 1, 0, X.CopyFromParent)
        try:
            wait_for(what, lambda: self.ask(probe, "_NET_REQUEST_FRAME_EXTENTS") or self.prop(
                probe, "_NET_FRAME_EXTENTS", Xatom.CARDINAL), 20, 0.2)
        finally:
            probe.destroy()

    def prop(self, window, name, kind=Xatom.WINDOW):
        found = window.get_full_property(self.display.intern_atom(name), kind)
        return found.value if found else None

    def name(self, window):
        try:
            title = self.prop(window, "_NET_WM_NAME", self.display.intern_atom("UTF8_STRING"))
        except XError:  # gone meanwhile
            return None
        return None if title is None else title.decode("utf-8", "replace")

    def client(self, title):
        for wid in reversed(self.prop(self.root, "_NET_CLIENT_LIST_STACKING") or []):
            window = self.display.create_resource_object("window", wid)
            try:
                if self.name(window) == title and window.get_attributes().map_state == X.IsViewable:
                    return window
            except XError:  # gone meanwhile
                pass
        return None

    def window(self, title):
        return wait_for(f"the window {title!r} on screen", lambda: self.client(title))

    def area(self, window):
        origin, geometry = self.root.translate_coords(window, 0, 0), window.get_geometry()
        return origin.x, origin.y, geometry.width, geometry.height

    def client_rect(self, title):
        """Works while the program is busy and cannot answer the accessibility bus."""
        try:
            found = self.client(title)
            return found and self.area(found)
        except XError:
            return None

    def frame(self, window):
        """Openbox's frame around a window: its ancestor just below the root."""
        while (parent := window.query_tree().parent) != self.root:
            window = parent
        return window

    def frame_rect(self, title):
        return self.area(self.frame(self.window(title)))

    def describe(self, window):
        if window in (X.NONE, X.PointerRoot, self.root):
            return "no window"
        if self.name(window) is not None:
            return repr(self.name(window))
        inner = self.named(self.frame(window))
        return f"openbox's frame of {inner!r}" if inner else "a frame of openbox whose window is gone"

    def named(self, window):
        """The first title in a window or in those it holds: a frame holds a
        window that left the screen until openbox lets it go."""
        return self.name(window) or next(filter(None, map(self.named, window.query_tree().children)), None)

    def aimed(self, x, y, title):
        pointer, under = self.root.query_pointer(), self.root
        while (child := under.query_pointer().child) != X.NONE:
            under = child
        if (pointer.root_x, pointer.root_y) != (x, y) or under != self.client(title):
            raise Failure(f"the pointer is at ({pointer.root_x}, {pointer.root_y}) over {self.describe(under)}")
        return True

    def keyboard(self, title):
        focus = self.display.get_input_focus().focus
        if focus != self.client(title):
            raise Failure(f"the keyboard goes to {self.describe(focus)}")
        return True

    def ask(self, window, message, *data):
        request = event.ClientMessage(window=window, client_type=self.display.intern_atom(message),
                                      data=(32, (list(data) + [0] * 5)[:5]))
        self.root.send_event(request, event_mask=X.SubstructureRedirectMask | X.SubstructureNotifyMask)
        self.display.flush()

    def shown_active(self, title):
        active = (self.prop(self.root, "_NET_ACTIVE_WINDOW") or [0])[0]
        return active != 0 and self.name(self.display.create_resource_object("window", active)) == title

    def bring_to_front(self, title):
        """Activates a window as a click on its task bar entry does: the
        program's windows cover one another."""
        self.ask(self.window(title), "_NET_ACTIVE_WINDOW", 2, X.CurrentTime)  # 2: asked by a pager
        wait_for(f"the window {title!r} active", lambda: self.shown_active(title))

    def minimise(self, title):
        self.ask(self.window(title), "WM_CHANGE_STATE", 3)  # IconicState
        wait_for(f"the window {title!r} minimised", lambda: not self.client_rect(title))

    def close_window(self, title):
        self.bring_to_front(title)
        self.key(title, "Alt_L+F4")
