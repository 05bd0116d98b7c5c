"""The real program as a person meets it, driven through the desktop's accessibility
bus (AT-SPI) as a screen reader drives it, and by X input (xdotool) where a real key or
mouse button is the point. "full" walks the program once (see full()); "one-app" shows
that under another platform theme it is still one application on the bus. run.sh sets
the environment it reads."""
import html
import os
import re
import subprocess
import sys
import time

import pyatspi
from gi.repository import Atspi, GLib

env = os.environ
BAR = ("News", "Start Check", "Help")
SALARY, MARKER = env.get("salary", "58213947.61"), env.get("marker", "H7")
# Page by page: the key and answer as solvara-report takes them, the question as a
# listener hears it, and for a choice the caption chosen. Every question is answered,
# none as it opens, and the applicant is declined, so that there are ways forward.
PAGES = [
    ("Introduction", []),
    ("About You", [("age", "40", "What age are you ?"),
                   ("marital", "married", "Marital Status:", "Married"),
                   ("salary", SALARY, "What is your annual salary ?")]),
    ("Address", [("residential", "owner", "Residential Status:", "Owner"),
                 ("address-years", "7", "How many years have you been at your current address ?"),
                 ("telephone", MARKER, "Enter your telephone number:")]),
    ("Occupation", [("occupation", "15", "What would best describe your occupation ?"),
                    ("job-years", "9", "Where applicable, how long have you been doing that job ?")]),
    ("Cards Held", [("visa", "yes", "Visa", "Yes"), ("mastercard", "no", "Access / Mastercard", "No"),
                    ("cheque-card", "yes", "Chequecard", "Yes"),
                    ("charge-cards", "2", "How many charge card accounts do you have ?")]),
    ("Miscellaneous", [
        ("live-accounts", "3", "How many live credit accounts do you have ?"),
        ("missed-payments", "yes", "Have you missed more than one payment recently ?", "Yes"),
        ("defaults", "yes", "Have you defaulted on any accounts ?", "Yes"),
        ("ccj", "no", "Have you any County Court Judgements against you (CCJ's) ?", "No"),
        ("settled", "1", "Have you settled any accounts ?", "1"),
        ("electoral", "over-5-years", "Are you on the electoral register ?",
         "Yes but last registered over 5 years ago")]),
]
ANSWERS = {q[0]: q[1] for _, questions in PAGES for q in questions}


class Failure(Exception):
    pass


def pump(seconds=0.0):
    """Lets the bus deliver its events for a while."""
    context, end = GLib.MainContext.default(), time.monotonic() + seconds
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


def xdotool(*args):
    return subprocess.run(["xdotool", *args], check=True, capture_output=True, text=True).stdout


def key(*keys):
    xdotool("key", "--delay", "40", *keys)
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


def cli(answers, *options):
    """What solvara-report prints for the answers."""
    return subprocess.run([env["SOLVARA_REPORT"], *options,
                           *(f"{k}={v}" for k, v in answers.items())],
                          check=True, capture_output=True, text=True).stdout


def words(text):
    return " ".join(text.split())


def html_words(text):
    """The words of an HTML text, as a reader of the shown document gets them."""
    text = re.sub(r"</?(br|h1|h2|p)>", " ", text, flags=re.I)
    return words(html.unescape(re.sub(r"<[^>]*>", "", text)))


def viewable_windows():
    """Our display's mapped top-level windows: a menu is one more of them."""
    tree = subprocess.run(["xwininfo", "-root", "-children"], capture_output=True,
                          text=True).stdout
    return {w for w in re.findall(r"^\s+(0x[0-9a-f]+)", tree, re.M)
            if "IsViewable" in subprocess.run(["xwininfo", "-id", w], capture_output=True,
                                               text=True).stdout}


def give_keyboard(name):
    """With no window manager nobody hands the keyboard back when a box has closed."""
    ids = xdotool("search", "--onlyvisible", "--name", f"^{name}$").split()
    xdotool("windowfocus", "--sync", ids[0])
    pump(0.3)


class Program:
    """The one application on the bus named Solvara, and where its keyboard focus is."""

    def __init__(self, seconds=30):
        self.events, self.focus = [], None
        # Listening is what makes the program's bridge send these events at all.
        for kind in ("object:state-changed:focused", "object:property-change"):
            pyatspi.Registry.registerEventListener(self.on_event, kind)
        self.app = wait_for(lambda: next((a for a in self.applications()
                                          if a.name == "Solvara" and a.childCount > 0), None),
                            seconds)
        if self.app is None:
            raise Failure(f"Solvara is not on the accessibility bus; there are "
                          f"{[a.name for a in self.applications()]}")
        self.app.set_cache_mask(Atspi.Cache.NONE)  # every question goes to the program

    def on_event(self, event):
        self.events.append((event.type, event.source))
        if event.type.startswith("object:state-changed:focused") and event.detail1:
            self.focus = event.source

    @staticmethod
    def applications():
        return [a for a in pyatspi.Registry.getDesktop(0) if a is not None]

    def windows(self):
        return [w for w in self.app if w is not None and has(w, pyatspi.STATE_SHOWING)]

    @staticmethod
    def walk(root, showing=True):
        """The objects below root (root included), depth first; only the showing ones
        if showing."""
        stack = [root]
        while stack:
            obj = stack.pop()
            if obj is not None and (not showing or has(obj, pyatspi.STATE_SHOWING)):
                yield obj
                stack.extend(reversed([obj.getChildAtIndex(i) for i in range(obj.childCount)]))

    def find_all(self, role, name=None, root=None, **tests):
        return [o for top in ([root] if root else self.windows()) for o in self.walk(top)
                if o.getRoleName() == role and name in (None, o.name.strip())
                and all(getattr(o, k).strip() == v for k, v in tests.items())]

    def find(self, role, name=None, root=None, seconds=10, **tests):
        found = wait_for(lambda: self.find_all(role, name, root, **tests), seconds)
        if not found or len(found) > 1:
            raise Failure(f"{len(found or [])} objects {role} {name!r} {tests or ''} showing")
        return found[0]

    def focused(self, seconds=10):
        return wait_for(lambda: self.focus if self.focus is not None
                        and has(self.focus, pyatspi.STATE_FOCUSED) else None, seconds)


class Drive:
    def __init__(self, program):
        self.p = program
        self.actions, self.without_effect, self.named, self.nameless = 0, [], set(), set()

    def act(self, obj, action, effect, what):
        """Takes the action and waits for its effect, a function true once it shows."""
        names = actions(obj)
        if action not in names:
            raise Failure(f"{describe(obj)} offers no {action}; it offers {names}")
        obj.queryAction().doAction(names.index(action))
        self.actions += 1
        if not wait_for(effect, 8):
            self.without_effect.append(f"{action} on {describe(obj)}: {what}")

    def names(self, root):
        """Every showing control one can act on below root has a name."""
        for obj in Program.walk(root):
            if actions(obj) or has(obj, pyatspi.STATE_FOCUSABLE):
                ident = (obj.getRoleName(), obj.path)
                (self.named if obj.name.strip() else self.nameless).add(ident)

    def frame(self):
        return self.p.find("frame", "Solvara")

    def showing(self, role, name):
        return lambda: self.p.find_all(role, name)

    def bar(self, button, action, role, name):
        """A bar button by its action: it alone is down and its page shows."""
        target = self.p.find("radio button", button, root=self.frame())
        others = [b for b in self.p.find_all("radio button", root=self.frame())
                  if b.name in BAR and b.name != button]
        self.act(target, action, lambda: has(target, pyatspi.STATE_CHECKED) and not any(
            has(b, pyatspi.STATE_CHECKED) for b in others) and self.p.find_all(role, name),
                 f"{button} down and its page shown")
        self.names(self.frame())

    def focus_after(self, *keys):
        """Where the keys leave the keyboard, once the events of earlier keys are in."""
        pump(0.2)
        self.p.focus = None
        key(*keys)
        return self.p.focused()

    def tab_to(self, role, name, **tests):
        target = self.p.find(role, name, **tests)
        for _ in range(30):
            if has(target, pyatspi.STATE_FOCUSED):
                return target
            self.focus_after("Tab")
        raise Failure(f"Tab never reaches {describe(target)}")

    def answer(self):
        for number, (title, questions) in enumerate(PAGES):
            self.p.find("label", title)
            if title == "About You":
                self.by_keyboard(*questions)
            else:
                for question in questions:
                    self.answer_one(*question)
            self.names(self.frame())
            last = number + 1 == len(PAGES)
            self.act(self.p.find("push button", "Finish" if last else "Next"), "Press",
                     self.showing("document frame", "Results") if last else
                     self.showing("label", PAGES[number + 1][0]), "moves on")

    def by_keyboard(self, age, marital, salary):
        """About You from the keyboard: Tab to each control, the arrows, typing."""
        give_keyboard("Solvara")
        self.slider(self.tab_to("slider", age[2]), int(age[1]), "Right")
        chosen = self.p.find("radio button", marital[3], description=marital[2])
        self.tab_to("radio button", "Single", description=marital[2])
        key("Right")
        if not wait_for(lambda: has(chosen, pyatspi.STATE_CHECKED), 3):
            raise Failure(f"the arrow key does not choose {marital[3]}")
        edit = self.tab_to("text", salary[2])
        xdotool("type", "--delay", "20", salary[1])
        if not wait_for(lambda: edit.queryText().getText(0, -1) == salary[1], 5):
            raise Failure("the salary typed is not in its box")
        # That a right click opens a menu where one belongs: the documents' checks rest on it.
        self.menu("the salary box", edit, expected=True)

    def answer_one(self, key_, value, question, caption=None):
        p = self.p
        if caption:
            button = p.find("radio button", caption, description=question)
            self.act(button, "Toggle", lambda: has(button, pyatspi.STATE_CHECKED),
                     f"{caption} chosen for {question}")
        elif key_ in ("salary", "telephone"):
            edit = p.find("text", question)
            edit.queryEditableText().setTextContents(value)
            self.actions += 1
            if not wait_for(lambda: edit.queryText().getText(0, -1) == value, 5):
                self.without_effect.append(f"setting {describe(edit)}")
        elif key_ == "occupation":
            listing = p.find("list", question)
            slider = p.find("slider", PAGES[3][1][1][2])
            item = listing.getChildAtIndex(int(value))
            self.act(item, "Toggle", lambda: has(item, pyatspi.STATE_SELECTED) and
                     has(slider, pyatspi.STATE_ENABLED), "chosen, and the years in the job asked")
        else:
            self.slider(p.find("slider", question), int(value))

    def slider(self, slider, value, arrow=None):
        """Sets a slider (by its value, or by the arrow key) and checks that its words
        change with it, are shown beside it and announced."""
        before = len(self.p.events)
        if arrow:
            xdotool("key", "--delay", "30",
                    *[arrow] * (value - int(slider.queryValue().currentValue)))
        else:
            slider.queryValue().currentValue = value
        self.actions += 1

        def spoken():
            said = ("object:property-change:accessible-description", slider)
            return int(slider.queryValue().currentValue) == value and \
                said in self.p.events[before:] and not slider.description.isdigit() and \
                self.p.find_all("label", slider.description)

        if not wait_for(spoken, 5):
            self.without_effect.append(f"{describe(slider)} to {value}: its words "
                                       f"{slider.description!r} not shown or not announced")

    def menu(self, what, obj, expected=False):
        """A right click over obj, then the menu key, open a menu only if expected."""
        extents = obj.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        before = viewable_windows()
        xdotool("mousemove", "--sync", str(extents.x + extents.width // 2),
                str(extents.y + extents.height // 2), "click", "3")
        pump(0.8)
        if expected:
            if viewable_windows() == before:
                raise Failure(f"a right click on {what} opened no menu: the check sees none")
            key("Escape")
            return
        if viewable_windows() != before:
            raise Failure(f"a right click over {what} opened a window")
        xdotool("click", "1")
        key("Menu")
        pump(0.5)
        if viewable_windows() != before:
            raise Failure(f"the menu key over {what} opened a window")

    def read_document(self, name, tab_leaves=False):
        """The document's key takes the keyboard in; Escape brings it back, and Tab takes
        it on."""
        before, document = self.p.focused(), self.p.find("document frame", name)

        def enter():
            focus = self.focus_after("F6")
            if focus != document:
                raise Failure(f"F6 took the keyboard to {focus and describe(focus)}, not {name}")

        enter()
        back = self.focus_after("Escape")
        if before is not None and back != before:
            raise Failure(f"Escape in {name} went to {back and describe(back)}, not back")
        if tab_leaves:
            enter()
            if self.focus_after("Tab") in (None, document):
                raise Failure(f"Tab does not take the keyboard on from {name}")
        return document

    def window(self, title):
        window = wait_for(lambda: next((w for w in self.p.windows() if w.name == title), None))
        if window is None:
            raise Failure(f"no window {title!r}; there are {[w.name for w in self.p.windows()]}")
        wait_for(lambda: has(window, pyatspi.STATE_ACTIVE), 5)
        self.names(window)
        return window

    def gone(self, title):
        if not wait_for(lambda: all(w.name != title for w in self.p.windows()), 5):
            raise Failure(f"the window {title} did not close")
        give_keyboard("Solvara")

    def print_dialog(self):
        """Print from the keyboard opens the real dialog (the offscreen tests stand in for
        it), and Escape closes it."""
        give_keyboard("Solvara")
        self.tab_to("push button", "Print")
        key("space")
        self.window("Print")
        key("Escape")
        self.gone("Print")

    def why(self):
        """Why? by its action: its document reads as solvara-report --explain prints the
        ledger, the costs and the ways forward for the same answers."""
        self.act(self.p.find("push button", "Why?"), "Press",
                 self.showing("document frame", "Why"), "the explanation shown")
        window = self.window("Why?")
        text = self.p.find("document frame", "Why", root=window).queryText().getText(0, -1)
        shown = words(re.sub("[\ufdd0\ufdd1\ufffc]", " ", text))
        if shown != words(cli(ANSWERS, "--explain")):
            raise Failure(f"Why? reads otherwise than solvara-report --explain: {shown}")
        self.act(self.p.find("push button", "Close", root=window), "Press",
                 lambda: all(w.name != "Why?" for w in self.p.windows()), "the window closes")
        give_keyboard("Solvara")

    def about(self):
        """About from the keyboard; its links by Enter and by their action."""
        key("alt+h", "a")
        box, opened = self.window("About Solvara"), env["OPENED_LOG"]

        def opened_now(count):
            return lambda: os.path.exists(opened) and len(open(opened).readlines()) == count

        first, second = self.p.find_all("link", root=box)
        self.tab_to("link", first.name)
        key("Return")
        self.actions += 1
        if not wait_for(opened_now(1), 5):
            self.without_effect.append(f"Enter on {describe(first)}")
        self.act(second, "Press", opened_now(2), "its address handed to the opener")
        lines = open(opened).read().splitlines()
        if len(lines) != 2 or not lines[0].startswith(env["HOME_PAGE"]) \
                or not lines[1].startswith("mailto:"):
            raise Failure(f"the links opened {lines}")
        if any("NO_AT_BRIDGE=unset" not in line for line in lines):
            raise Failure("the program hands its own accessibility setting on to what it starts")
        key("Escape")
        self.gone("About Solvara")


def exit_by_menu(program):
    """File, Exit by its action, its menu closed: run.sh sees the program end well."""
    item = next(o for o in Program.walk(program.app, showing=False)
                if o.getRoleName() == "menu item" and o.name == "Exit")
    item.queryAction().doAction(actions(item).index("Press"))


def one_application(program):
    apps = Program.applications()
    if len(apps) != 1:
        raise Failure(f"{len(apps)} applications on the bus: {[a.name for a in apps]}")
    with open(f"/proc/{program.app.get_process_id()}/maps") as maps:
        gtk = "libgtk-3" in maps.read()
    print(f"e2e: one application on the bus, GTK {'loaded' if gtk else 'not loaded'}")
    return gtk


def leak_check(when):
    found = subprocess.run(["bash", env["RUN_SH"], "leaks"], capture_output=True, text=True,
                           check=True).stdout.strip()
    if found:
        raise Failure(f"the telephone or salary is on disk {when}: {found}")


def news_box(drive):
    """The box saying the news did not load: its text the address, its description the
    reason; closed by its own button."""
    p = drive.p
    box = p.find("alert", "Solvara", seconds=30)
    drive.names(box)
    p.find("label", "about:neterror", root=box)
    if box.description != "The news page could not be loaded.":
        raise Failure(f"the news box says {box.description!r} to a listener")
    drive.act(p.find("push button", "OK", root=box), "Press", lambda: box not in p.windows(),
              "the box closes")
    give_keyboard("Solvara")


def full(p):
    """The news box and page; the bar's buttons by their actions; About You answered by
    the keyboard, the other pages by controls found by role and accessible name; the
    report read through the Text interface, and Why?'s explanation, both as
    solvara-report has them; no menu over a document; the documents' key; printing; a
    box outliving its page; the About box and its links; no answer on disk; File, Exit.
    Every control one can act on has a name, every action an effect."""
    drive = Drive(p)
    one_application(p)
    news_box(drive)
    drive.names(drive.frame())
    news = drive.read_document("News")
    if "Thank you for using Solvara" not in news.queryText().getText(0, -1):
        raise Failure("the built-in news page cannot be read through the bus")
    drive.menu("the news page", news)
    drive.bar("Start Check", "Toggle", "label", "Introduction")
    drive.answer()
    report = drive.read_document("Results", tab_leaves=True)
    shown = words(report.queryText().getText(0, -1))
    if shown != html_words(cli(ANSWERS, "--shown")):
        raise Failure(f"the report read through the bus differs from solvara-report's: {shown}")
    drive.menu("the report", report)
    drive.why()
    leak_check("while the questionnaire is open")
    drive.print_dialog()
    # The news does not load and its box comes up; the next command, taken behind the
    # modal box as assistive tools can, closes the page and the box with it.
    drive.bar("News", "Press", "document frame", "News")
    p.find("alert", "Solvara", seconds=30)
    drive.bar("Start Check", "Press", "label", "Introduction")
    if p.find_all("alert"):
        raise Failure("a box of the news page outlived the page")
    drive.bar("Help", "Toggle", "document frame", "Help")
    if "Solvara Help" not in p.find("document frame", "Help").queryText().getText(0, -1):
        raise Failure("the help page beside the program is not shown")
    give_keyboard("Solvara")
    drive.about()
    leak_check("while the program runs")
    exit_by_menu(p)
    print(f"e2e: controls checked for a name: {len(drive.named | drive.nameless)}, "
          f"actions taken: {drive.actions}")
    if drive.nameless or drive.without_effect:
        raise Failure(f"nameless actionable controls: {sorted(drive.nameless)}; "
                      f"actions without effect: {drive.without_effect}")


def one_app(p):
    if not one_application(p):
        raise Failure("GTK was asked for as the platform theme but is not loaded")
    news_box(Drive(p))
    exit_by_menu(p)


if __name__ == "__main__":
    try:
        {"full": full, "one-app": one_app}[sys.argv[1]](Program())
        pump(0.5)
    except Failure as failure:
        sys.exit(f"e2e: FAIL: {failure}")
