"""The running program as a screen reader meets it on the desktop's accessibility bus
(AT-SPI): its windows and controls by role and accessible name, their actions, values
and texts, and where the keyboard focus is. Keys go in as X input (xdotool), as a
user's keyboard would.

Run as a program, it answers the real-window test's questions (see usage()).
The bus is the one of the session in DBUS_SESSION_BUS_ADDRESS, on the display in DISPLAY.
"""
import subprocess
import sys
import time

import pyatspi
from gi.repository import Atspi, GLib


class Failure(Exception):
    pass


def pump(seconds=0.0):
    """Lets the bus deliver its events for a while."""
    context = GLib.MainContext.default()
    end = time.monotonic() + seconds
    while True:
        while context.iteration(False):
            pass
        if time.monotonic() >= end:
            return
        time.sleep(0.02)


def wait_for(condition, seconds=10.0):
    """The condition's first true value within the time, else None."""
    end = time.monotonic() + seconds
    while True:
        pump()
        value = condition()
        if value or time.monotonic() >= end:
            return value or None
        time.sleep(0.05)


def key(*keys):
    """Keys or chords in xdotool's names, to the window that has the X focus."""
    subprocess.run(["xdotool", "key", "--delay", "40", *keys], check=True)
    pump(0.15)


def type_text(text):
    subprocess.run(["xdotool", "type", "--delay", "20", text], check=True)
    pump(0.15)


def has(obj, state):
    return obj.getState().contains(state)


def actions(obj):
    try:
        action = obj.queryAction()
    except NotImplementedError:
        return []
    return [action.getName(i) for i in range(action.nActions)]


def describe(obj):
    return f"{obj.getRoleName()} {obj.name!r}"


class Program:
    """The one application on the bus, found by its name."""

    def __init__(self, name="Solvara", seconds=30):
        self.events = []  # (type, source, detail1) as they came
        self.focus = None
        # Listening is what makes the program's bridge send these events at all.
        for kind in ("object:state-changed:focused", "object:property-change",
                     "object:state-changed:checked", "object:value-changed"):
            pyatspi.Registry.registerEventListener(self._on_event, kind)
        self.app = wait_for(lambda: next(
            (a for a in self.applications() if a.name == name and a.childCount > 0), None),
            seconds)
        if self.app is None:
            raise Failure(f"no application named {name} on the accessibility bus; "
                          f"there are {[a.name for a in self.applications()]}")
        # Every question goes to the program: what is asked is what it holds now.
        self.app.set_cache_mask(Atspi.Cache.NONE)

    def _on_event(self, event):
        self.events.append((event.type, event.source, event.detail1))
        if event.type.startswith("object:state-changed:focused") and event.detail1:
            self.focus = event.source

    @staticmethod
    def applications():
        desktop = pyatspi.Registry.getDesktop(0)
        return [a for a in desktop if a is not None]

    def windows(self):
        return [w for w in self.app if w is not None and has(w, pyatspi.STATE_SHOWING)]

    def window(self, name, seconds=10):
        found = wait_for(lambda: next((w for w in self.windows() if w.name == name), None),
                         seconds)
        if found is None:
            raise Failure(f"no window named {name!r}; there are "
                          f"{[describe(w) for w in self.windows()]}")
        return found

    @staticmethod
    def walk(root):
        """The showing objects below root (root included), depth first."""
        stack = [root]
        while stack:
            obj = stack.pop()
            if obj is None or not has(obj, pyatspi.STATE_SHOWING):
                continue
            yield obj
            stack.extend(reversed([obj.getChildAtIndex(i) for i in range(obj.childCount)]))

    def find_all(self, role, name=None, root=None, **tests):
        roots = [root] if root is not None else self.windows()
        found = []
        for top in roots:
            for obj in self.walk(top):
                if obj.getRoleName() == role and (name is None or obj.name.strip() == name) \
                        and all(getattr(obj, k).strip() == v for k, v in tests.items()):
                    found.append(obj)
        return found

    def find(self, role, name=None, root=None, seconds=10, **tests):
        found = wait_for(lambda: self.find_all(role, name, root, **tests), seconds)
        if not found:
            raise Failure(f"no {role} named {name!r} {tests or ''} is showing")
        if len(found) > 1:
            raise Failure(f"{len(found)} objects {role} {name!r} {tests or ''} are showing")
        return found[0]

    def focused(self, seconds=5):
        """The object the keyboard is on, as the last focus event told."""
        return wait_for(lambda: self.focus if self.focus is not None
                        and has(self.focus, pyatspi.STATE_FOCUSED) else None, seconds)


def x_window(name):
    """The X window of a top-level window of ours, for giving it the keyboard: with no
    window manager nobody else does when a box has closed."""
    ids = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{name}$"],
                         capture_output=True, text=True).stdout.split()
    if not ids:
        raise Failure(f"no X window named {name}")
    return ids[0]


def give_keyboard(name):
    subprocess.run(["xdotool", "windowfocus", "--sync", x_window(name)], check=True)
    pump(0.3)


def centre(obj):
    extents = obj.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return extents.x + extents.width // 2, extents.y + extents.height // 2


def usage():
    sys.exit("usage: a11y.py centre ROLE NAME [DESCRIPTION]   print the screen centre of a\n"
             "                                                showing control\n"
             "       a11y.py tab-to ROLE NAME [DESCRIPTION]   press Tab until the control has\n"
             "                                                the focus")


def main(args):
    if len(args) not in (3, 4):
        usage()
    command, role, name = args[:3]
    tests = {"description": args[3]} if len(args) == 4 else {}
    program = Program()
    target = program.find(role, name, **tests)
    if command == "centre":
        print(*centre(target))
    elif command == "tab-to":
        for _ in range(40):
            if has(target, pyatspi.STATE_FOCUSED):
                return
            key("Tab")
        raise Failure(f"Tab never reached {describe(target)}")
    else:
        usage()


if __name__ == "__main__":
    try:
        main(sys.argv[1:])
    except Failure as failure:
        sys.exit(f"a11y.py: {failure}")
