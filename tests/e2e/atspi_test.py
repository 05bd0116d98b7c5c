"""The program driven through the desktop's accessibility bus as a screen reader drives
it, and with the keyboard alone where a person without a mouse would use it.

  full      the bar's buttons by their own actions; every page answered by controls
            found by role and accessible name, for a few answer sets; the report read
            through the Text interface and compared with solvara-report's; every page
            walked with Tab alone (and each radio group with the arrows); the report,
            news and help pages read by their key; saving, printing, the About box and
            its links by keyboard; File, Exit.
  one-app   only that the program is one application on the bus.

Everywhere it goes it checks that every control one can act on has a name, and every
action it takes is checked for its effect. It prints its figures and fails on any
nameless actionable control and on any action without effect.

Reads from the environment: SOLVARA_REPORT (solvara-report), SESSION_SH (session.sh,
for its leak check), OPENED_LOG (what the stand-in opener was asked to open), HOME_PAGE,
ARTIFACTS (where screenshots go), marker and salary (the answers that must not reach the
disk), env_dir (the program's HOME, where the report is saved).
"""
import html.parser
import os
import re
import subprocess
import sys

import pyatspi

from a11y import (Failure, Program, actions, describe, give_keyboard, has, key, pump,
                  type_text, wait_for)

env = os.environ
REPORT_CLI = env.get("SOLVARA_REPORT", "")

# The questions as a listener hears them: key (as solvara-report names it), role, name.
SLIDERS = {
    "age": "What age are you ?",
    "address-years": "How many years have you been at your current address ?",
    "job-years": "Where applicable, how long have you been doing that job ?",
    "charge-cards": "How many charge card accounts do you have ?",
    "live-accounts": "How many live credit accounts do you have ?",
}
EDITS = {"salary": "What is your annual salary ?", "telephone": "Enter your telephone number:"}
OCCUPATION = "What would best describe your occupation ?"
YES_NO = {"yes": "Yes", "no": "No"}
CHOICES = {  # key: (question, {answer: caption})
    "marital": ("Marital Status:", {"single": "Single", "married": "Married",
                                    "divorced": "Divorced",
                                    "other": "Other (Widowed / Partner ?)"}),
    "residential": ("Residential Status:", {"tenant": "Tenant", "parents": "Living with Parents",
                                            "owner": "Owner", "local-authority": "Local Authority",
                                            "other": "Other"}),
    "visa": ("Visa", YES_NO),
    "mastercard": ("Access / Mastercard", YES_NO),
    "cheque-card": ("Chequecard", YES_NO),
    "missed-payments": ("Have you missed more than one payment recently ?", YES_NO),
    "defaults": ("Have you defaulted on any accounts ?",
                 {"no": "No", "yes": "Yes", "more-than-one": "Yes, on more than one account"}),
    "ccj": ("Have you any County Court Judgements against you (CCJ's) ?",
            {"no": "No", "yes": "Yes", "more-than-one": "Yes, more than one"}),
    "settled": ("Have you settled any accounts ?",
                {"no": "No", "1": "1", "2": "2", "more-than-2": "More than 2"}),
    "electoral": ("Are you on the electoral register ?",
                  {"no": "No", "yes": "Yes", "over-5-years": "Yes but last registered over 5 years ago"}),
}
# The pages in order, with the keys they ask; the title labels them.
PAGES = [("Introduction", []),
         ("About You", ["age", "marital", "salary"]),
         ("Address", ["residential", "address-years", "telephone"]),
         ("Occupation", ["occupation", "job-years"]),
         ("Cards Held", ["visa", "mastercard", "cheque-card", "charge-cards"]),
         ("Miscellaneous", ["live-accounts", "missed-payments", "defaults", "ccj", "settled",
                            "electoral"])]

# Answer sets chosen with solvara-report so that between them a wrong answer to any
# question changes at least one report (checked below, before the program is driven):
# each set has an answer to every question, a student (no years in the job) and two
# occupations with one, no salary and two salaries, a telephone and none.
ANSWER_SETS = [
    {"age": "21", "marital": "other", "salary": "", "residential": "owner",
     "address-years": "21", "telephone": env.get("marker", "H7TEL"), "occupation": "3",
     "job-years": "0", "visa": "no", "mastercard": "no", "cheque-card": "no",
     "charge-cards": "3", "live-accounts": "7", "missed-payments": "no", "defaults": "no",
     "ccj": "more-than-one", "settled": "1", "electoral": "yes"},
    {"age": "48", "marital": "married", "salary": "12000", "residential": "other",
     "address-years": "0", "telephone": "", "occupation": "6", "job-years": "16",
     "visa": "no", "mastercard": "yes", "cheque-card": "yes", "charge-cards": "6",
     "live-accounts": "8", "missed-payments": "no", "defaults": "more-than-one", "ccj": "no",
     "settled": "2", "electoral": "over-5-years"},
    {"age": "46", "marital": "married", "salary": env.get("salary", "58213947.61"),
     "residential": "tenant", "address-years": "7", "telephone": "", "occupation": "4",
     "job-years": "4", "visa": "yes", "mastercard": "no", "cheque-card": "yes",
     "charge-cards": "4", "live-accounts": "0", "missed-payments": "yes", "defaults": "no",
     "ccj": "no", "settled": "no", "electoral": "over-5-years"},
]


def shot(name):
    """A picture of the screen, kept with the test's artifacts."""
    subprocess.run(["import", "-window", "root", os.path.join(env["ARTIFACTS"], name + ".png")])


def cli(*args):
    """What solvara-report prints, as bytes: the saved report's lines end in CR LF."""
    return subprocess.run([REPORT_CLI, *args], check=True, capture_output=True).stdout


def cli_report(answers, *options):
    return cli(*options, *(f"{k}={v}" for k, v in answers.items()))


class Words(html.parser.HTMLParser):
    """The words of an HTML text, as a reader of the shown document gets them."""

    def __init__(self, text):
        super().__init__()
        self.parts = []
        self.feed(text)

    def handle_starttag(self, tag, attrs):
        if tag in ("br", "h1", "h2", "p"):
            self.parts.append(" ")

    def handle_endtag(self, tag):
        self.handle_starttag(tag, [])

    def handle_data(self, data):
        self.parts.append(data)

    def __str__(self):
        return " ".join("".join(self.parts).split())


def occupations():
    """The occupation list as solvara-report's help gives it: {number: text}, and the
    numbers of those with a job (and years in it)."""
    found = re.findall(r"^\s+(\d+) ([ *]) (.+)$", cli("--help").decode(), re.M)
    return {n: text.strip() for n, _, text in found}, {n for n, star, _ in found if star == "*"}


def check_answer_sets():
    """Every question has a wrong answer that some set's report would show; prints how
    many of all the wrong answers would show."""
    values = {line.split()[0]: line.split()[1:] for line in
              re.findall(r"^  ([a-z-]+ +.+?)\s{2,}\S+$", cli("--help").decode(), re.M)}
    shown, total, blind = 0, 0, []
    for key_ in ANSWER_SETS[0]:
        caught = 0
        options = values.get(key_, [])
        if options[:1] == ["any"]:
            options = {a[key_] for a in ANSWER_SETS} | {"", "1"}
        elif "..." in options:
            options = [str(n) for n in range(int(options[0]), int(options[-1]) + 1)]
        else:
            options = [o.rstrip(",") for o in options]
        for answers in ANSWER_SETS:
            base = cli_report(answers, "--shown")
            for other in options:
                if other != answers[key_]:
                    total += 1
                    changed = cli_report({**answers, key_: other}, "--shown") != base
                    shown += changed
                    caught += changed
        if caught == 0:
            blind.append(key_)
    print(f"atspi: a wrong answer changes the report in {shown} of {total} cases")
    if blind:
        raise Failure(f"no answer set shows a wrong answer to {blind}")


class Drive:
    def __init__(self, program):
        self.p = program
        self.actions = 0
        self.without_effect = []
        self.named = set()
        self.nameless = set()
        self.reached = set()

    # ---- checks that hold everywhere ------------------------------------------
    def act(self, obj, action, effect, what):
        """Takes the action and waits for its effect, a function true once it shows."""
        names = actions(obj)
        if action not in names:
            raise Failure(f"{describe(obj)} offers no {action}; it offers {names}")
        obj.queryAction().doAction(names.index(action))
        self.actions += 1
        if not wait_for(effect, 8):
            self.without_effect.append(f"{action} on {describe(obj)}: {what}")
            print(f"atspi: NO EFFECT: {action} on {describe(obj)}: {what}")

    def names(self, root):
        """Every showing control one can act on below root has a name."""
        for obj in Program.walk(root):
            if actions(obj) or has(obj, pyatspi.STATE_FOCUSABLE):
                ident = (obj.getRoleName(), obj.path)
                if obj.name.strip():
                    self.named.add(ident)
                elif ident not in self.nameless:
                    self.nameless.add(ident)
                    parent = obj.parent
                    print(f"atspi: NAMELESS: {describe(obj)} in {describe(parent)}")

    def frame(self):
        return self.p.find("frame", "Solvara")

    def showing(self, role, name, **tests):
        return lambda: self.p.find_all(role, name, **tests)

    # ---- the page bar --------------------------------------------------------------
    def bar(self, button, action, shown):
        """Acts on a bar button and checks that it runs its command: it alone is down
        and its page shows."""
        frame = self.frame()
        target = self.p.find("radio button", button, root=frame)
        others = [b for b in self.p.find_all("radio button", None, root=frame)
                  if b.name in ("News", "Start Check", "Help") and b.name != button]

        def done():
            return has(target, pyatspi.STATE_CHECKED) and not any(
                has(b, pyatspi.STATE_CHECKED) for b in others) and shown()

        self.act(target, action, done, f"{button} down and its page shown")
        self.names(self.frame())

    # ---- answering -----------------------------------------------------------------
    def answer(self, answers, jobs):
        for number, (title, keys) in enumerate(PAGES):
            self.p.find("label", title)
            for key_ in keys:
                self.answer_one(key_, answers[key_], answers, jobs)
            self.names(self.frame())
            forward = "Finish" if number == len(PAGES) - 1 else "Next"
            after = PAGES[number + 1][0] if number + 1 < len(PAGES) else None
            shown = (self.showing("label", after) if after else
                     self.showing("document frame", "Results"))
            self.act(self.p.find("push button", forward), "Press", shown, f"{forward} moves on")

    def answer_one(self, key_, value, answers, jobs):
        p = self.p
        if key_ in SLIDERS:
            slider = p.find("slider", SLIDERS[key_])
            if key_ == "job-years" and answers["occupation"] not in jobs[1]:
                if has(slider, pyatspi.STATE_ENABLED):
                    raise Failure("the years-in-job slider is enabled for a person without a job")
                return
            self.slider(slider, int(value))
        elif key_ in EDITS:
            edit = p.find("text", EDITS[key_])
            edit.queryEditableText().setTextContents(value)
            self.actions += 1
            if not wait_for(lambda: edit.queryText().getText(0, -1) == value, 5):
                self.without_effect.append(f"setting {describe(edit)}")
        elif key_ == "occupation":
            listing = p.find("list", OCCUPATION)
            names, with_job = jobs
            item = next(c for c in listing if c is not None and c.name == names[value])
            slider = p.find("slider", SLIDERS["job-years"])
            enabled = value in with_job
            self.act(item, "Toggle",
                     lambda: has(item, pyatspi.STATE_SELECTED)
                     and has(slider, pyatspi.STATE_ENABLED) == enabled,
                     "chosen, and the years in the job offered only for a job")
        else:
            question, captions = CHOICES[key_]
            button = p.find("radio button", captions[value], description=question)
            self.act(button, "Toggle", lambda: has(button, pyatspi.STATE_CHECKED),
                     f"{captions[value]} chosen for {question}")

    def slider(self, slider, value):
        """Sets a slider and checks that its words change with it, and are announced."""
        value_iface = slider.queryValue()
        before = len(self.p.events)
        if int(value_iface.currentValue) == value:
            return
        value_iface.currentValue = value
        self.actions += 1

        def spoken():
            words = slider.description
            said = any(t == "object:property-change:accessible-description" and s == slider
                       for t, s, _ in self.p.events[before:])
            labels = {lab.name for lab in self.p.find_all("label", None)}
            return int(slider.queryValue().currentValue) == value and said and \
                words in labels and not words.strip().isdigit()

        if not wait_for(spoken, 5):
            self.without_effect.append(
                f"{describe(slider)} to {value}: its words {slider.description!r} "
                "not shown beside it or not announced")

    def report_matches(self, answers):
        document = self.p.find("document frame", "Results")
        text = document.queryText()
        shown = " ".join(text.getText(0, -1).split())
        expected = str(Words(cli_report(answers, "--shown").decode()))
        if shown != expected:
            raise Failure(f"the report read through the bus differs from solvara-report's:\n"
                          f"  read:     {shown}\n  expected: {expected}")
        return len(shown)

    # ---- the keyboard ----------------------------------------------------------------
    def focus_after(self, *keys):
        """Where the keys leave the keyboard, once the events of earlier keys are in."""
        pump(0.2)
        self.p.focus = None
        key(*keys)
        return self.p.focused()

    def tab_walk(self, page):
        """Tab alone goes round every control of the page; each radio group is one stop,
        and the arrows go round its buttons. Document views are no Tab stops."""
        frame = self.frame()
        controls = [o for o in Program.walk(frame)
                    if has(o, pyatspi.STATE_FOCUSABLE) and has(o, pyatspi.STATE_ENABLED)
                    and o.getRoleName() not in ("page tab", "list item", "menu item",
                                                "document frame", "filler")]
        seen, order = set(), []
        for _ in range(3 * len(controls) + 6):
            focus = self.focus_after("Tab")
            if focus is None:
                raise Failure(f"on {page}, Tab left the keyboard nowhere")
            if focus.getRoleName() == "page tab":
                focus = focus.parent
            if focus.getRoleName() == "document frame":
                raise Failure(f"on {page}, Tab reached the document {focus.name!r}")
            if focus.path in seen:
                break
            seen.add(focus.path)
            order.append(focus)
        groups = {}
        for control in controls:
            if control.getRoleName() == "radio button":
                groups.setdefault(control.parent.path, []).append(control)
        missing = [describe(c) for c in controls if c.path not in seen and not (
            c.getRoleName() == "radio button" and
            any(r.path in seen for r in groups[c.parent.path]))]
        if missing:
            raise Failure(f"on {page}, Tab never reaches {missing}")
        self.reached |= seen
        for members in groups.values():
            if any(m.name in ("News", "Start Check", "Help") for m in members):
                continue  # the bar's arrows switch pages; tried on their own below
            self.arrow_walk(page, members, next(o for o in order if o in members))
        print(f"atspi: {page}: Tab goes round {len(order)} stops")

    def arrow_walk(self, page, members, start):
        start.queryComponent().grabFocus()
        wait_for(lambda: has(start, pyatspi.STATE_FOCUSED), 3)
        reached = {start.path}
        for _ in range(len(members) - 1):
            focus = self.focus_after("Right")
            if focus is not None:
                reached.add(focus.path)
        missing = [describe(m) for m in members if m.path not in reached]
        if missing:
            raise Failure(f"on {page}, the arrows never reach {missing}")
        self.reached |= reached

    def read_document(self, name, scroll=False, tab_leaves=False):
        """The document's key takes the keyboard into it; the page keys scroll it, if
        scroll; Escape brings the keyboard back, and Tab, in a document without links,
        takes it on."""
        before = self.p.focused()
        document = self.p.find("document frame", name)

        def enter():
            focus = self.focus_after("F6")
            if focus != document:
                raise Failure(f"F6 took the keyboard to {focus and describe(focus)}, "
                              f"not into {name}")

        enter()
        shot(f"read-{name}")
        self.reached.add(document.path)
        if scroll:
            bar = self.p.find("scroll bar", name, root=document)
            start = bar.queryValue().currentValue
            key("Next", "Down")
            if not wait_for(lambda: bar.queryValue().currentValue > start, 3):
                raise Failure(f"the page keys do not scroll {name}")
        back = self.focus_after("Escape")
        if before is not None and back != before:
            raise Failure(f"Escape in {name} went to {back and describe(back)}, "
                          f"not back to {describe(before)}")
        if tab_leaves:
            enter()
            focus = self.focus_after("Tab")
            if focus is None or focus == document:
                raise Failure(f"Tab does not take the keyboard on from {name}")
        return document

    def wait_window(self, title):
        window = self.p.window(title)
        wait_for(lambda: has(window, pyatspi.STATE_ACTIVE), 5)
        self.names(window)
        return window

    def gone(self, title):
        if not wait_for(lambda: all(w.name != title for w in self.p.windows()), 5):
            raise Failure(f"the window {title} did not close")
        give_keyboard("Solvara")

    def save_and_print(self, answers):
        """Save as HTML and Print from the keyboard, through their dialogs."""
        path = os.path.join(env["env_dir"], "Results.htm")
        self.tab_to("push button", "Save as HTML")
        key("space")
        self.wait_window("Save Results")
        key("ctrl+a")
        type_text(path)
        key("Return")
        self.wait_window("Information")
        key("Return")
        self.gone("Information")
        with open(path, "rb") as saved:
            if saved.read() != cli_report(answers):
                raise Failure("the report saved from the keyboard differs from solvara-report's")
        self.tab_to("push button", "Print")
        key("space")
        self.wait_window("Print")
        key("Escape")
        self.gone("Print")

    def tab_to(self, role, name):
        target = self.p.find(role, name)
        for _ in range(30):
            if has(target, pyatspi.STATE_FOCUSED):
                return target
            self.focus_after("Tab")
        raise Failure(f"Tab never reaches {describe(target)}")

    def about(self):
        """Help, About from the keyboard; its links by Enter and by their action."""
        key("alt+h")
        key("a")
        box = self.wait_window("About Solvara")
        opened = env["OPENED_LOG"]
        for number, link in enumerate(self.p.find_all("link", None, root=box)):
            def opened_now(count=number + 1):
                return os.path.exists(opened) and len(open(opened).readlines()) == count
            if number == 0:
                self.tab_to("link", link.name)
                shot("about-link")
                self.reached.add(link.path)
                self.p.focus = None
                key("Return")
                self.actions += 1
                if not wait_for(opened_now, 5):
                    self.without_effect.append(f"Enter on {describe(link)}")
            else:
                self.act(link, "Press", opened_now, "its address handed to the opener")
        with open(opened) as log:
            lines = log.read().splitlines()
        print(f"atspi: the About box's links opened {lines}")
        if len(lines) != 2 or not lines[0].startswith(env["HOME_PAGE"]) \
                or not lines[1].startswith("mailto:"):
            raise Failure(f"the links opened {lines}")
        if any("NO_AT_BRIDGE=unset" not in line for line in lines):
            raise Failure("the program hands its own accessibility setting on to what it starts")
        key("Escape")
        self.gone("About Solvara")


def one_application(program):
    apps = Program.applications()
    if len(apps) != 1:
        raise Failure(f"{len(apps)} applications on the bus: {[a.name for a in apps]}")
    pid = program.app.get_process_id()
    with open(f"/proc/{pid}/maps") as maps:
        gtk = "libgtk-3" in maps.read()
    print(f"atspi: one application on the bus ({program.app.name}), "
          f"GTK {'loaded' if gtk else 'not loaded'} in the program")
    return gtk


def leak_check(when):
    found = subprocess.run(["bash", env["SESSION_SH"], "leaks"], capture_output=True,
                           text=True, check=True).stdout.strip()
    if found:
        raise Failure(f"the telephone or salary is on disk {when}: {found}")


def news_box(drive):
    """The box that says the news did not load: its text the address, its description
    the reason; closed by its own button."""
    p = drive.p
    box = p.find("alert", "Solvara", seconds=30)
    drive.names(box)
    p.find("label", "about:neterror", root=box)
    if box.description != "The news page could not be loaded.":
        raise Failure(f"the news box says {box.description!r} to a listener")
    drive.act(p.find("push button", "OK", root=box), "Press",
              lambda: box not in p.windows(), "the box closes")
    give_keyboard("Solvara")


def full(program):
    check_answer_sets()
    drive = Drive(program)
    p = program
    one_application(p)
    news_box(drive)
    drive.names(drive.frame())
    news = drive.read_document("News")
    if "Thank you for using Solvara" not in news.queryText().getText(0, -1):
        raise Failure("the built-in news page cannot be read through the bus")
    jobs = occupations()
    leave = [("News", "Press", lambda: p.find_all("document frame", "News")),
             ("Help", "Toggle", lambda: p.find_all("document frame", "Help")),
             ("Help", "Press", lambda: p.find_all("document frame", "Help"))]
    for number, answers in enumerate(ANSWER_SETS):
        drive.bar("Start Check", ("Toggle", "Press")[number % 2],
                  drive.showing("label", "Introduction"))
        if p.find_all("alert", None):
            raise Failure("a box of the news page outlived the page")
        if number == 0:
            give_keyboard("Solvara")
            for number_, (title, _) in enumerate(PAGES):
                drive.tab_walk(title)
                last = number_ == len(PAGES) - 1
                drive.act(p.find("push button", "Finish" if last else "Next"), "Press",
                          drive.showing("document frame", "Results") if last else
                          drive.showing("label", PAGES[number_ + 1][0]), "moves on")
            drive.tab_walk("Result")
            drive.read_document("Results", tab_leaves=True)
            drive.act(p.find("page tab", "Introduction"), "Press",
                      drive.showing("label", "Introduction"), "back to the first page")
        drive.answer(answers, jobs)
        length = drive.report_matches(answers)
        print(f"atspi: answer set {number + 1}: the report read through the bus "
              f"({length} characters) matches solvara-report's")
        if number == 0:
            leak_check("while the questionnaire is open")
            give_keyboard("Solvara")
            drive.save_and_print(answers)
        drive.bar(*leave[number])
        if number == 0:
            # The news does not load, and its box comes up: the next command, taken
            # behind the modal box as assistive tools can, closes the page and the box.
            p.find("alert", "Solvara", seconds=30)
    # On the help page: its key and scrolling, then the bar by its arrows: they move
    # the focus, and moving it off the button that is down runs the next one's command.
    give_keyboard("Solvara")
    bar = {b.path: b for b in p.find_all("radio button", None, root=drive.frame())
           if b.name in ("News", "Start Check", "Help")}
    focus = p.focused()
    for _ in range(20):
        if focus is not None and focus.path in bar:
            break
        focus = drive.focus_after("Tab")
    drive.read_document("Help", scroll=True)
    for _ in range(3):
        if focus.name == "Help":
            break
        focus = drive.focus_after("Down")
    drive.reached |= set(bar)
    key("Up")
    if focus.name != "Help" or not wait_for(drive.showing("label", "Introduction"), 5):
        raise Failure("the arrows on the bar do not reach Help, or Up from it does not "
                      "open the questionnaire")
    drive.about()
    leak_check("while the program runs")
    exit_item = find_hidden(p, "menu item", "Exit")
    drive.actions += 1  # its effect, the end of the program, is checked by run_atspi.sh
    exit_item.queryAction().doAction(actions(exit_item).index("Press"))
    print(f"atspi: controls checked for a name: {len(drive.named | drive.nameless)}, "
          f"nameless actionable: {len(drive.nameless)}")
    print(f"atspi: controls reached by the keyboard: {len(drive.reached)}")
    print(f"atspi: actions taken: {drive.actions}, without effect: {len(drive.without_effect)}")
    if drive.nameless or drive.without_effect:
        raise Failure(f"{len(drive.nameless)} nameless actionable controls, "
                      f"{len(drive.without_effect)} actions without effect: "
                      f"{drive.without_effect}")


def find_hidden(program, role, name):
    """A control that is not showing, such as a closed menu's item."""
    stack = list(program.app)
    while stack:
        obj = stack.pop()
        if obj is None:
            continue
        if obj.getRoleName() == role and obj.name == name:
            return obj
        stack.extend(obj.getChildAtIndex(i) for i in range(obj.childCount))
    raise Failure(f"no {role} named {name}")


def one_app(program):
    if not one_application(program):
        raise Failure("GTK was asked for as the platform theme but is not loaded")
    box = program.find("alert", "Solvara", seconds=30)
    box_ok = program.find("push button", "OK", root=box)
    box_ok.queryAction().doAction(actions(box_ok).index("Press"))
    wait_for(lambda: box not in program.windows(), 5)
    item = find_hidden(program, "menu item", "Exit")
    item.queryAction().doAction(actions(item).index("Press"))


def main():
    mode = sys.argv[1] if len(sys.argv) > 1 else ""
    if mode not in ("full", "one-app"):
        sys.exit(__doc__)
    program = Program()
    (full if mode == "full" else one_app)(program)
    pump(0.5)


if __name__ == "__main__":
    try:
        main()
    except Failure as failure:
        sys.exit(f"atspi: FAIL: {failure}")
