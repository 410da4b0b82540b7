#!/usr/bin/python3
"""The program as a screen-reader user meets it, checked from outside over the accessibility bus.

Started by scripts/a11y-check inside a virtual X server and a private D-Bus session. It starts the real
program on a sample tree in a temporary folder and then uses nothing but the accessibility bus: it reads
the windows, roles, names, texts and states a screen reader reads, and acts through the actions and text
interfaces a screen reader uses ("Press", "Toggle", EditableText), and types Tab through the bus's
keyboard. Each window is audited for unnamed controls, wrong roles and its Tab order as it appears; the
program's state is read back from the tree after every change (values through their captions' label
relations, each said once); drop-down lists say that they open and whether they are open; nothing under an
open question may take an action; an Enter that answers a question on its press opens nothing with its
release in the window beneath; and one small purge runs end to end, with every per-file question answered over the bus,
before the disk is compared with what was chosen. So does a purge of chosen subfolders, picked over two
pages of the subfolder dialog. A listing, setups saved and loaded through the toolkit's file dialogs, the
help, the manual's link and the free-space and speed questions are driven the same way; the check never
agrees to write outside its own temporary folder.

Exit status: 0 all checks passed, 1 a check failed, 77 the accessibility bus cannot be used here.
"""

import argparse
import os
import signal
import subprocess
import sys
import time
import warnings

SKIP = 77
# The library marks its action-name call deprecated in favour of one its bindings here do not offer yet.
warnings.filterwarnings("ignore", category=DeprecationWarning)

try:
    import gi

    gi.require_version("Atspi", "2.0")
    from gi.repository import Atspi, Gio, GLib
except (ImportError, ValueError) as error:
    print(f"SKIP: the accessibility library's Python bindings are missing ({error})")
    sys.exit(SKIP)

TIMEOUT = 20.0  # seconds for anything the program has to do; a sanitizer build on a busy machine is slow
POLL = 0.05

# Controls a user operates or reads a value from: each must say what it is.
CONTROL_ROLES = {
    "push button", "toggle button", "check box", "radio button", "text", "entry", "password text",
    "combo box", "list", "list box", "spin button", "slider", "tree", "table",
}
WINDOW_ROLES = {"frame", "dialog", "alert", "window", "file chooser"}

MAIN_TITLE = "Nulvane"
TYPE_TITLE = "What type of purge should be used?"
TYPE_3 = "3. Alternate bit patterns plus random bytes twice"
TYPE_1 = "1. Random bytes plus zeros"
PASSES = "Number of times ('passes')"
DATE_TITLE = "Only files before ..."
FOLDER_CHOOSER_TITLE = "Specify folder containing files to be purged"
FILES_TITLE = "Specify files"
EXTENSION_BOX = "Purge all files with a particular extension, e.g., txt or doc"
CONFIRM_TITLE = "Purge confirmation"
CONFIRM_EACH = "Confirm purge operation for each file"
FOLDER_NAMES_ONLY = "Include only folder names in report"
FILE_QUESTION_TITLE = "Confirm purging of this file"
DRIVE_TITLE = "Test purge speed on which drive?"

MAIN_BUTTONS = [
    "Specify folder", "Specify files", "Single file", "Subfolders?", "Only files before ...",
    "Type of purge", "List and estimate time", "Purge files", "Purge folders", "Test purge speed",
    "Purge free space", "Report", "Setup", "Help", "Quit",
]

# The sample tree: name -> contents. The purge below takes the ".txt" files directly in the folder and
# is told yes for two of them and no for the third.
SAMPLE = {
    "a.txt": b"alpha\n" * 300,
    "b.txt": b"bravo\n" * 200,
    "two words.txt": b"charlie\n" * 100,
    "c.log": b"delta\n",
    "keep.dat": b"echo\n" * 50,
    "sub/d.txt": b"foxtrot\n",
}
PURGE_YES = {"a.txt", "two words.txt"}
# Files in the folder that is listed: more lines than the report holds.
MANY_FILES = 3000


class Fatal(Exception):
    """A step could not go on; the steps after it in the same scenario are not tried."""


class Report:
    def __init__(self):
        self.passed = 0
        self.failures = []

    def expect(self, ok, what):
        if ok:
            self.passed += 1
        else:
            self.failures.append(what)
            print(f"  FAIL: {what}", flush=True)
        return ok

    def require(self, ok, what):
        if not self.expect(ok, what):
            raise Fatal(what)


report = Report()


def wait_until(probe, timeout=TIMEOUT):
    """Polls `probe` until it returns something true; None after `timeout`. Objects that vanish while
    they are read (a dialog closing) only make the probe try again."""
    deadline = time.monotonic() + timeout
    while True:
        try:
            value = probe()
            if value:
                return value
        except GLib.Error:
            pass
        if time.monotonic() >= deadline:
            return None
        time.sleep(POLL)


# Reading the tree ----------------------------------------------------------------------------------------


def role(accessible):
    return accessible.get_role_name()


def name(accessible):
    return accessible.get_name() or ""


def states(accessible):
    return {state.value_nick for state in accessible.get_state_set().get_states()}


def showing(accessible):
    return "showing" in states(accessible)


def children(accessible):
    result = []
    for index in range(accessible.get_child_count()):
        child = accessible.get_child_at_index(index)
        if child is not None:
            result.append(child)
    return result


def descendants(accessible, path=""):
    """Every object below `accessible`, with a readable path for messages."""
    for child in children(accessible):
        here = f"{path}/{role(child)} {name(child)!r}"
        yield child, here
        yield from descendants(child, here)


def find_all(accessible, wanted_role=None, wanted_name=None, only_showing=False):
    found = []
    for child, _ in descendants(accessible):
        if wanted_role is not None and role(child) != wanted_role:
            continue
        if wanted_name is not None and name(child) != wanted_name:
            continue
        if only_showing and not showing(child):
            continue
        found.append(child)
    return found


# Controls found before, by their window's title, role and name: a window's controls stay the same objects for
# the whole run, and every walk of a window's tree is hundreds of round trips to a program on a busy machine.
_found = {}


def find(accessible, wanted_role, wanted_name, only_showing=True):
    key = (name(accessible), wanted_role, wanted_name)
    known = _found.get(key)
    if known is not None:
        try:
            if role(known) == wanted_role and name(known) == wanted_name and (showing(known) or not only_showing):
                return known
        except GLib.Error:
            pass  # gone with its window (a message box)
    matches = find_all(accessible, wanted_role, wanted_name, only_showing)
    report.require(len(matches) >= 1, f"no {wanted_role} named {wanted_name!r} in {name(accessible)!r}")
    _found[key] = matches[0]
    return matches[0]


def interfaces(accessible):
    return set(accessible.get_interfaces())


def text_of(accessible):
    if "Text" not in interfaces(accessible):
        return None
    return Atspi.Text.get_text(accessible, 0, -1)


def selected_entry(combo):
    """The entry of a drop-down list that a screen reader reads as chosen: the list's text and the selected
    item of its entries, which must agree."""
    selected = [name(item) for item in find_all(combo, "list item") if "selected" in states(item)]
    shown = text_of(combo)
    if len(selected) != 1 or selected[0] != shown:
        return f"text {shown!r}, selected entries {selected}"
    return shown


# Acting ----------------------------------------------------------------------------------------------------


def action_names(accessible):
    if "Action" not in interfaces(accessible):
        return []
    return [Atspi.Action.get_action_name(accessible, i) for i in range(Atspi.Action.get_n_actions(accessible))]


def do(accessible, action):
    names = [n.lower() for n in action_names(accessible)]
    report.require(action.lower() in names,
                   f"{role(accessible)} {name(accessible)!r} offers no {action!r} action (has {names})")
    Atspi.Action.do_action(accessible, names.index(action.lower()))


def press(window, button_name):
    do(find(window, "push button", button_name), "Press")


def press_if_offered(window, button_name):
    """Presses a button that may rightly refuse (one under a modal window), without failing if it does."""
    buttons = find_all(window, "push button", button_name)
    if buttons and "Press" in action_names(buttons[0]):
        Atspi.Action.do_action(buttons[0], action_names(buttons[0]).index("Press"))


def set_text(field, text):
    report.require("EditableText" in interfaces(field),
                   f"text field {name(field)!r} cannot be edited over the bus")
    Atspi.EditableText.set_text_contents(field, text)


def choose_entry(combo, entry):
    """Chooses a drop-down list's entry as a screen reader does: "Toggle" on the entry of its list."""
    items = [item for item in find_all(combo, "list item") if name(item) == entry]
    report.require(items, f"the list {name(combo)!r} has no entry {entry!r}")
    do(items[0], "Toggle")


TAB = 0xFF09  # the Tab key's key symbol
ESCAPE = 0xFF1B  # the Escape key's key symbol
RETURN = 0xFF0D  # the Enter key's key symbol
SPACE = 0x0020  # the space bar's key symbol


def focus_name(window):
    """The control of `window` that has the keyboard focus, as the name a screen reader announces."""

    def walk(accessible):
        for child in children(accessible):
            # The toolkit leaves a list's current entry marked focused after the list lost the focus.
            if "focused" in states(child) and role(child) not in ("list item", "table cell"):
                return name(child)
            found = walk(child)
            if found is not None:
                return found
        return None

    return walk(window)


def expect_tab_order(window, expected):
    """Starting where the focus is, the Tab key visits the controls named in `expected`, in that order."""
    visited = [wait_until(lambda: focus_name(window))]
    while len(visited) < len(expected):
        before = visited[-1]
        Atspi.generate_keyboard_event(TAB, None, Atspi.KeySynthType.PRESSRELEASE | Atspi.KeySynthType.SYM)
        visited.append(wait_until(lambda: (lambda now: now if now != before else None)(focus_name(window)), 5))
    report.expect(visited == expected,
                  f"the Tab key in {name(window)!r} visits {visited}, expected {expected}")


# The program -----------------------------------------------------------------------------------------------


class Program:
    def __init__(self, executable, folder, arguments=()):
        environment = dict(os.environ)
        environment.update({
            "QT_QPA_PLATFORM": "xcb",
            "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
            "QT_ACCESSIBILITY": "1",
            # Leaks of the toolkit's bus connections at exit are not this check's business.
            "ASAN_OPTIONS": "detect_leaks=0",
        })
        # The desktop's launcher, which opens the manual, only writes down what it was asked to open.
        launcher = os.path.join(folder, "launcher")
        os.makedirs(launcher, exist_ok=True)
        self.opened = os.path.join(folder, "opened")
        with open(os.path.join(launcher, "xdg-open"), "w") as script:
            script.write(f'#!/bin/sh\nprintf "%s\\n" "$1" >> "{self.opened}"\n')
        os.chmod(os.path.join(launcher, "xdg-open"), 0o755)
        environment["PATH"] = launcher + os.pathsep + environment.get("PATH", "")
        self.process = subprocess.Popen([executable, *arguments], cwd=folder, env=environment)
        self.application = None

    def find_application(self):
        desktop = Atspi.get_desktop(0)
        for application in children(desktop):
            if application.get_process_id() == self.process.pid:
                # Read every property afresh but the role and the interfaces, which an object keeps for life:
                # the check polls for changes instead of following events.
                application.set_cache_mask(Atspi.Cache.ROLE | Atspi.Cache.INTERFACES)
                return application
        return None

    def windows(self):
        """The program's top-level windows that are on the screen, newest last."""
        return [window for window in children(self.application) if showing(window)]

    def window(self, title, roles=("dialog",), timeout=TIMEOUT):
        def probe():
            for window in self.windows():
                if name(window) == title and role(window) in roles:
                    return window
            return None

        found = wait_until(probe, timeout)
        report.require(found is not None,
                       f"no {'/'.join(roles)} titled {title!r} appeared; windows: {self.describe()}")
        return found

    def alert(self, title, timeout=TIMEOUT):
        return self.window(title, ("alert", "dialog"), timeout)

    def gone(self, window):
        def probe():
            try:
                return not showing(window)
            except GLib.Error:
                return True  # the window no longer exists

        return wait_until(probe)

    def describe(self):
        try:
            return [f"{role(w)} {name(w)!r}" for w in self.windows()]
        except GLib.Error:
            return "?"

    def stop(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()


# Audits ----------------------------------------------------------------------------------------------------


def audit(window, expected_role, title, expected_controls=()):
    """The window has its role and title, every control in it a name, no part of it poses as a window,
    and the controls listed as (role, name) are there with that role."""
    report.expect(role(window) == expected_role,
                  f"window {name(window)!r} has role {role(window)!r}, expected {expected_role!r}")
    report.expect(name(window) == title, f"window titled {name(window)!r}, expected {title!r}")
    for child, path in descendants(window):
        child_role = role(child)
        if child_role in CONTROL_ROLES:
            report.expect(name(child).strip() != "", f"unnamed {child_role} in {title!r}: {path}")
        if child_role in WINDOW_ROLES:
            report.expect(False, f"a part of {title!r} poses as a window ({child_role}): {path}")
    for control_role, control_name in expected_controls:
        matches = find_all(window, wanted_name=control_name)
        roles = sorted({role(match) for match in matches})
        report.expect(control_role in roles,
                      f"{control_name!r} in {title!r} should be a {control_role}, found {roles or 'nothing'}")


def relation_targets(accessible, relation_type):
    """The objects `accessible` stands in the relation `relation_type` to (LABEL_FOR, LABELLED_BY)."""
    targets = []
    for relation in accessible.get_relation_set() or []:
        if relation.get_relation_type() == relation_type:
            targets += [relation.get_target(i) for i in range(relation.get_n_targets())]
    return targets


# The value labels, by their captions: they stay the same objects for the whole run.
_values = {}


def label_named(window, caption):
    """What a screen reader says for a value with its caption: "Folder:" finds the caption label "Folder:" and
    the value it is the label of, and gives "Folder: /home/ann". A text without a caption of its own ("The
    selected folder was") is found by its beginning."""
    if caption in _values:
        value = _values[caption]
        return f"{caption} {name(value)}" if showing(value) else None
    for label in find_all(window, "label", only_showing=True):
        if caption.endswith(":") and name(label) == caption:
            values = relation_targets(label, Atspi.RelationType.LABEL_FOR)
            if len(values) != 1:
                return None
            _values[caption] = values[0]
            return f"{caption} {name(values[0])}" if showing(values[0]) else None
        if not caption.endswith(":") and name(label).startswith(caption + " "):
            return name(label)
    return None


def expect_values_said_once(window):
    """Each value is said once with its caption: the caption is the value's label (and the value is labelled by
    it), the value's own name is the value alone, and no other label says the caption again."""
    labels = [label for label in find_all(window, "label", only_showing=True)]
    captions = [label for label in labels if relation_targets(label, Atspi.RelationType.LABEL_FOR)]
    report.expect(len(captions) >= 4, f"only {len(captions)} captions are the labels of values")
    for caption in captions:
        text = name(caption)
        for value in relation_targets(caption, Atspi.RelationType.LABEL_FOR):
            if not showing(value):
                continue  # nothing to say yet: the caption stands alone
            report.expect(caption in relation_targets(value, Atspi.RelationType.LABELLED_BY),
                          f"the value of {text!r} does not say it is labelled by it")
            report.expect(not name(value).startswith(text.rstrip(":")),
                          f"the value of {text!r} repeats its caption: {name(value)!r}")
        saying = [name(label) for label in labels if text.rstrip(":") in name(label)]
        report.expect(saying == [text], f"the caption {text!r} is said by {saying}")


def expect_label(main, prefix, expected, what):
    found = wait_until(lambda: label_named(main, prefix) == expected, timeout=TIMEOUT)
    report.expect(found, f"{what}: expected the label {expected!r}, the bus shows {label_named(main, prefix)!r}")


# Scenarios -------------------------------------------------------------------------------------------------


def check_main_window(program):
    main = program.window(MAIN_TITLE, ("frame",))
    audit(main, "frame", MAIN_TITLE, [("push button", caption) for caption in MAIN_BUTTONS])
    # Each value label says what it is the value of.
    expect_label(main, "Folder:", "Folder: Not specified", "the folder at start")
    expect_label(main, "Files:", "Files: Not specified", "the files at start")
    expect_label(main, "Date:", "Date: No date restriction", "the date restriction at start")
    report.expect(label_named(main, "Type of purge:") is not None, "the type of purge label names its meaning")
    expect_values_said_once(main)
    # The keyboard starts on "Specify folder" and goes down the commands, then to the target's controls.
    expect_tab_order(main, MAIN_BUTTONS + ["Online user manual", "Specify folder"])
    return main


def check_type_of_purge(program, main):
    press(main, "Type of purge")
    dialog = program.window(TYPE_TITLE)
    audit(dialog, "dialog", TYPE_TITLE,
          [("radio button", TYPE_1), ("radio button", TYPE_3), ("combo box", PASSES),
           ("push button", "Accept"), ("push button", "Cancel")])
    expect_tab_order(dialog, ["Accept", "Cancel", TYPE_1, PASSES, "Accept"])
    option = find(dialog, "radio button", TYPE_3)
    do(option, "Toggle")
    report.require(wait_until(lambda: "checked" in states(option)), "type 3 is not checked after Toggle")
    report.expect("checked" not in states(find(dialog, "radio button", TYPE_1)), "type 1 stays checked too")
    # Only type 3's pass count is on the screen now; choose one pass.
    passes = wait_until(lambda: [c for c in find_all(dialog, "combo box", PASSES) if showing(c)])
    report.require(passes and len(passes) == 1, "not exactly one pass count is shown for type 3")
    choose_entry(passes[0], "1")
    report.expect(wait_until(lambda: selected_entry(passes[0]) == "1"),
                  f"the pass count reads {selected_entry(passes[0])!r} after choosing 1")
    press(dialog, "Accept")
    question = program.alert("Type of purge")
    report.expect(wait_until(lambda: "6 times" in " ".join(name(l) for l in find_all(question, "label"))),
                  "the question does not count 6 overwrites for type 3 once")

    # While the question is open the dialog under it takes no input, by mouse, keyboard or bus alike.
    first = find(dialog, "radio button", TYPE_1, only_showing=False)
    if "Toggle" in action_names(first):
        Atspi.Action.do_action(first, action_names(first).index("Toggle"))
    press_if_offered(main, "Specify folder")
    time.sleep(0.5)
    report.expect("checked" not in states(first), "a Toggle reached type 1 behind the open question")
    report.expect("checked" in states(option), "type 3 lost its check behind the open question")
    report.expect(not any(name(w) == FOLDER_CHOOSER_TITLE for w in program.windows()),
                  "the main window's Specify folder acted behind the open question")
    press(question, "Yes")
    program.gone(dialog)
    # Whether or not a window manager is there to do it, the keyboard goes back to the main window.
    report.expect(wait_until(lambda: "active" in states(main), 5),
                  "the main window did not get the keyboard back when the dialog closed")
    expect_label(main, "Type of purge:",
                 "Type of purge: Alternate bit patterns plus random bytes twice, once (= 6 overwrites)",
                 "after choosing type 3 once")


def check_date_restriction(program, main):
    press(main, "Only files before ...")
    dialog = program.window(DATE_TITLE)
    audit(dialog, "dialog", DATE_TITLE,
          [("combo box", "Month"), ("combo box", "Day"), ("text", "Year"), ("push button", "Accept"),
           ("push button", "Remove date restriction"), ("push button", "Cancel")])
    expect_tab_order(dialog, ["Cancel", "Month", "Day", "Year", "Accept", "Remove date restriction", "Cancel"])
    month = find(dialog, "combo box", "Month")
    day = find(dialog, "combo box", "Day")
    expect_drop_down_opens(month)
    choose_entry(month, "December")
    choose_entry(day, "31")
    set_text(find(dialog, "text", "Year"), "2998")
    report.expect(wait_until(lambda: selected_entry(month) == "December"), "the month does not read December")
    report.expect(wait_until(lambda: selected_entry(day) == "31"), "the day does not read 31")
    press(dialog, "Accept")
    if not program.gone(dialog):
        report.require(False, f"the date dialog stayed open; windows: {program.describe()}")
    found = wait_until(lambda: (label_named(main, "Date:") or "").endswith("(December 31, 2998)"))
    report.expect(found, f"the date label reads {label_named(main, 'Date:')!r}")

    # Shown again, the dialog reads the date in force; removing it is one button.
    press(main, "Only files before ...")
    dialog = program.window(DATE_TITLE)
    month = find(dialog, "combo box", "Month")
    report.expect(wait_until(lambda: selected_entry(month) == "December"),
                  f"reopened, the month reads {selected_entry(month)!r}")
    report.expect(text_of(find(dialog, "text", "Year")) == "2998", "reopened, the year is not 2998")
    press(dialog, "Remove date restriction")
    program.gone(dialog)
    expect_label(main, "Date:", "Date: No date restriction", "after removing the date restriction")


def expect_drop_down_opens(combo):
    """A drop-down list says it can open and whether it is open; opened, its entries are a list below it that
    a screen reader walks; it closes again the way it opened."""
    what = f"the drop-down list {name(combo)!r}"
    report.expect("expandable" in states(combo), f"{what} does not say that it opens")
    report.expect("expanded" not in states(combo), f"{what} says it is open before it is")
    do(combo, "Press")
    report.expect(wait_until(lambda: "expanded" in states(combo)), f"{what} does not say it opened")
    entries = wait_until(lambda: [item for item in find_all(combo, "list item") if showing(item)])
    report.expect(entries and len(entries) >= 12, f"{what} opened shows the entries {[name(e) for e in entries or []]}")
    lists = [child for child in children(combo) if role(child) == "list"]
    report.expect(len(lists) == 1 and showing(lists[0]), f"{what} has no list of entries on the screen below it")
    do(combo, "Press")
    report.expect(wait_until(lambda: "expanded" not in states(combo)), f"{what} does not say it closed")


def key(symbol, kind):
    Atspi.generate_keyboard_event(symbol, None, kind | Atspi.KeySynthType.SYM)


def answer_by_enter(program, question):
    """Enter on a question, as a user presses it: down while the question has the keyboard, up once it is
    gone, where the keyboard has gone back to the window beneath."""
    report.require(wait_until(lambda: "active" in states(question), 5),
                   f"the question {name(question)!r} does not have the keyboard")
    key(RETURN, Atspi.KeySynthType.PRESS)
    gone = program.gone(question)
    key(RETURN, Atspi.KeySynthType.RELEASE)
    report.require(gone, f"Enter did not answer the question {name(question)!r}")


def check_clear_by_keyboard(program, main, sample):
    """Tab to Clear, Space, Enter on the question's Yes: the target is cleared, and the Enter's release in the
    main window opens nothing; the keyboard is on the first command. The folder is chosen again after."""
    # The keyboard goes down the commands, then to Clear: as many Tabs as lie between.
    order = MAIN_BUTTONS + ["Clear"]
    at = wait_until(lambda: focus_name(main), 5)
    report.require(at in order, f"the keyboard is on {at!r}, not on a command")
    for _ in range(len(order) - 1 - order.index(at)):
        key(TAB, Atspi.KeySynthType.PRESSRELEASE)
    report.require(wait_until(lambda: focus_name(main) == "Clear", 5),
                   f"Tab does not reach Clear; the keyboard is on {focus_name(main)!r}")
    key(SPACE, Atspi.KeySynthType.PRESSRELEASE)
    question = program.alert("Clear")
    answer_by_enter(program, question)
    expect_label(main, "Folder:", "Folder: Not specified", "after Clear answered by Enter")
    report.expect(wait_until(lambda: focus_name(main) == "Specify folder", 5),
                  f"after Clear the keyboard is on {focus_name(main)!r}, not on the first command")
    time.sleep(0.5)
    report.expect(not os.path.exists(program.opened), "the Enter that answered Clear opened the manual")
    set_target_folder(program, main, sample, all_files=False)


def check_specify_folder(program, main, sample):
    press(main, "Specify folder")
    chooser = program.window(FOLDER_CHOOSER_TITLE)
    # The toolkit's own chooser: its folder field is reached by its accessible text, named after its label.
    fields = wait_until(lambda: [f for f in find_all(chooser, "text", only_showing=True)
                                 if "editable" in states(f)])
    report.require(fields, "the folder chooser has no editable text field")
    report.expect(name(fields[0]).strip() != "", "the folder chooser's text field has no name")
    set_text(fields[0], sample)
    press(chooser, "Choose")
    question = program.alert("Specify folder")
    report.expect(any(sample in name(label) for label in find_all(question, "label")),
                  "the question does not name the chosen folder")
    # The main window waits under the question: nothing in it may act.
    press_if_offered(main, "Type of purge")
    time.sleep(0.5)
    report.expect(not any(name(w) == TYPE_TITLE for w in program.windows()),
                  "the main window's Type of purge acted behind the open question")
    press(question, "No")
    program.gone(question)
    expect_label(main, "Folder:", f"Folder: {sample}/", "after choosing the folder")
    expect_label(main, "Files:", "Files: Not specified", "after answering No to all files")

    press(main, "Subfolders?")
    expect_label(main, "Subfolders:", "Subfolders: Yes", "after Subfolders? once")
    press(main, "Subfolders?")
    expect_label(main, "Subfolders:", "Subfolders: No", "after Subfolders? twice")


def check_specify_files(program, main, sample):
    press(main, "Specify files")
    dialog = program.window(FILES_TITLE)
    single = "Purge a single file:"
    # Passing through the file list on the way to the text boxes chooses no file.
    expect_tab_order(dialog, ["Cancel", single, "Purge a single file", EXTENSION_BOX,
                              "Purge all files satisfying a file specification, e.g., a*.d*", "Accept", "Cancel"])
    report.expect(not [i for i in find_all(dialog, "list item") if "selected" in states(i)],
                  "tabbing through the file list chose a file")
    extension = "Purge all files with a particular extension, e.g., txt or doc:"
    audit(dialog, "dialog", FILES_TITLE,
          [("radio button", single), ("radio button", "Purge all files (*.*)"), ("radio button", extension),
           ("list", "Purge a single file"), ("text", EXTENSION_BOX),
           ("push button", "Accept"), ("push button", "Cancel")])
    # A file chosen in the list by "Toggle" is the file the program takes, whatever was chosen before.
    set_text(find(dialog, "text", EXTENSION_BOX), "txt")
    report.expect(wait_until(lambda: "checked" in states(find(dialog, "radio button", extension))),
                  "typing an extension does not select its option")
    files = find(dialog, "list", "Purge a single file")
    entries = [item for item in find_all(files, "list item") if name(item) == "keep.dat"]
    report.require(entries, "the file list does not offer keep.dat")
    do(entries[0], "Toggle")
    report.expect(wait_until(lambda: "checked" in states(find(dialog, "radio button", single))),
                  "choosing a file does not select the single-file option")
    report.expect("checked" not in states(find(dialog, "radio button", extension)),
                  "the extension option stays checked beside the chosen file")
    press(dialog, "Accept")
    program.gone(dialog)
    expect_label(main, "Files:", "Files: keep.dat", "after choosing keep.dat in the list")

    # Typing an extension selects its option; the program takes that extension.
    press(main, "Specify files")
    dialog = program.window(FILES_TITLE)
    box = find(dialog, "text", EXTENSION_BOX)
    set_text(box, "")
    set_text(box, "txt")
    report.expect(wait_until(lambda: "checked" in states(find(dialog, "radio button", extension))),
                  "typing an extension does not select its option")
    press(dialog, "Accept")
    program.gone(dialog)
    expect_label(main, "Files:", "Files: *.txt", "after typing the extension txt")


def check_purge(program, main, sample):
    press(main, "Purge files")

    # Where the sample's disk is flash (or another kind that overwriting cannot fully reach), a warning comes
    # before the confirmation; the check goes on past it.
    def confirmation_or_warning():
        for window in program.windows():
            if name(window) == CONFIRM_TITLE or (name(window) == "Purge files" and role(window) == "alert"):
                return window
        return None

    first = wait_until(confirmation_or_warning)
    warned = first is not None and name(first) == "Purge files"
    if warned:
        press(first, "Yes")
    dialog = program.window(CONFIRM_TITLE)
    audit(dialog, "dialog", CONFIRM_TITLE,
          [("check box", CONFIRM_EACH), ("check box", FOLDER_NAMES_ONLY),
           ("check box", "Do not delete purged files"), ("push button", "Yes, purge these files"),
           ("push button", "No, cancel this purge")])
    expect_tab_order(dialog, ["No, cancel this purge", "Do not delete purged files", "OK to purge read-only files",
                              "OK to purge system files", "OK to purge sensitive files (exe, dll, sys, etc.)",
                              FOLDER_NAMES_ONLY, CONFIRM_EACH, "Yes, purge these files", "No, cancel this purge"])
    report.expect("purge the 3 files" in (dialog.get_description() or ""),
                  f"the confirmation does not announce its question: {dialog.get_description()!r}")
    each = find(dialog, "check box", CONFIRM_EACH)
    do(each, "Toggle")
    report.require(wait_until(lambda: "checked" in states(each)), f"{CONFIRM_EACH!r} is not checked after Toggle")
    names_only = find(dialog, "check box", FOLDER_NAMES_ONLY)
    do(names_only, "Toggle")
    report.require(wait_until(lambda: "checked" not in states(names_only)),
                   f"{FOLDER_NAMES_ONLY!r} is still checked after Toggle")
    press(dialog, "Yes, purge these files")

    asked = []

    def file_in_question(window):
        paths = [name(l) for l in find_all(window, "label", only_showing=True) if name(l).startswith(sample)]
        return os.path.relpath(paths[0].split("     ")[0], sample) if len(paths) == 1 else None

    def next_event():
        # The per-file question is one dialog shown again for each file: a new question is a new file.
        for window in program.windows():
            if name(window) == FILE_QUESTION_TITLE:
                file_name = file_in_question(window)
                if file_name is not None and file_name not in asked:
                    return ("question", window, file_name)
            elif role(window) == "frame" and find_all(window, "label", "Done", only_showing=True):
                return ("done", window, None)
        return None

    while True:
        event = wait_until(next_event)
        report.require(event is not None, f"the purge neither asked nor finished; windows: {program.describe()}")
        kind, window, file_name = event
        if kind == "done":
            break
        if not asked:
            audit(window, "dialog", FILE_QUESTION_TITLE,
                  [("push button", "Yes"), ("push button", "No"), ("push button", "Stop this purge")])
        asked.append(file_name)
        press(window, "Yes" if file_name in PURGE_YES else "No")

    report_window = event[1]
    # ... and the free-space purge is offered once the purge is done.
    if warned:
        press(program.alert("Purge free space"), "No")
    title = name(report_window)
    audit(report_window, "frame", title, [("text", "Report"), ("push button", "Close")])
    report.expect(sorted(asked) == sorted(n for n in SAMPLE if "/" not in n and n.endswith(".txt")),
                  f"asked about {sorted(asked)}, expected every .txt file in the folder")
    text = text_of(find(report_window, "text", "Report")) or ""
    report.expect("b.txt not purged." in text, "the report does not say b.txt was not purged")
    report.expect("Number of files purged: 2" in text, "the report does not count 2 files purged")

    for relative, contents in SAMPLE.items():
        path = os.path.join(sample, relative)
        if relative in PURGE_YES:
            report.expect(not os.path.lexists(path), f"{relative} was chosen and is still there")
        else:
            intact = os.path.isfile(path) and open(path, "rb").read() == contents
            report.expect(intact, f"{relative} was not chosen and is gone or changed")

    press(report_window, "Close")
    program.gone(report_window)
    program.window(MAIN_TITLE, ("frame",))
    expect_label(main, "Files:", "Files: Not specified", "after a purge that deleted files")


# Further windows ---------------------------------------------------------------------------------------------


def alert_text(window):
    return "\n".join(name(label) for label in find_all(window, "label"))


def next_alert(program, exclude=()):
    """The newest message box on the screen that is not one of `exclude`."""

    def probe():
        for window in reversed(program.windows()):
            if role(window) == "alert" and window not in exclude:
                return window
        return None

    return wait_until(probe)


def choose_folder(program, title_start, folder, button="Choose"):
    """Types `folder` into the toolkit's folder chooser whose title starts with `title_start`, and chooses it."""
    chooser = wait_until(lambda: next((w for w in program.windows() if name(w).startswith(title_start)), None))
    report.require(chooser is not None, f"no folder chooser {title_start!r}; windows: {program.describe()}")
    fields = wait_until(lambda: [f for f in find_all(chooser, "text", only_showing=True)
                                 if "editable" in states(f)])
    report.require(fields, f"the chooser {name(chooser)!r} has no editable text field")
    set_text(fields[0], folder)
    press(chooser, button)
    program.gone(chooser)


def set_target_folder(program, main, folder, all_files):
    press(main, "Specify folder")
    choose_folder(program, FOLDER_CHOOSER_TITLE, folder)
    question = program.alert("Specify folder")
    press(question, "Yes" if all_files else "No")
    program.gone(question)
    expect_label(main, "Folder:", f"Folder: {folder}/", f"after choosing {folder}")


def report_window(program):
    """The report window: the one frame besides the main window that holds the report text."""

    def probe():
        for window in program.windows():
            if role(window) == "frame" and name(window) != MAIN_TITLE and \
                    find_all(window, "text", "Report", only_showing=True):
                return window
        return None

    return wait_until(probe)


def check_listing(program, main, many):
    """A listing of more files than the report holds: it stops at the question that the report is full, so
    the report window is read, and its buttons tried, while the listing is still under way."""
    set_target_folder(program, main, many, all_files=True)
    expect_label(main, "Files:", "Files: *.*", "after choosing all files of the folder")
    press(main, "List and estimate time")
    full = program.alert("Report buffer full")
    audit(full, "alert", "Report buffer full", [("push button", "OK")])
    window = report_window(program)
    report.require(window is not None, f"no report window for the listing; windows: {program.describe()}")
    # The window's title follows the folder being listed; it is still a window with a title.
    report.expect(name(window).startswith(many), f"the running listing's window is titled {name(window)!r}")
    audit(window, "frame", name(window), [("text", "Report"), ("push button", "Pause")])
    box = find(window, "text", "Report")
    listed = text_of(box) or ""
    lines = [line for line in listed.splitlines() if line.startswith("f") and ".txt (" in line]
    report.expect(len(lines) > 1000, f"the running listing's text reads {len(lines)} files")
    report.expect("editable" not in states(box), "the report text can be edited")
    # Under the question the listing's buttons take no action, from the bus either.
    press_if_offered(window, "Pause")
    time.sleep(0.5)
    report.expect(not find_all(window, "label", "Paused", only_showing=True),
                  "Pause acted behind the open question")
    press(full, "OK")
    program.gone(full)
    report.expect(wait_until(lambda: name(window) == "List files and/or folders"),
                  f"after the listing the report window is titled {name(window)!r}")
    close = wait_until(lambda: find_all(window, "push button", "Close", only_showing=True))
    report.require(close, "the stopped listing offers no Close button")
    audit(window, "frame", "List files and/or folders",
          [("text", "Report"), ("push button", "Copy to clipboard"), ("push button", "Close")])
    final = text_of(find(window, "text", "Report")) or ""
    report.expect("buffer was filled" in final, "the report does not say it was filled")
    report.expect(final.startswith(listed[:2000]), "the report lost its text when the listing stopped")
    press(window, "Copy to clipboard")
    press(window, "Close")
    program.gone(window)


PURGE_FOLDERS_TITLE = "Purge folders"
FOLDERS_CHOOSER_START = "Specify the folder containing the subfolders"
# The tree for "Purge folders": more subfolders than one page shows, names that share their beginnings.
SUBFOLDERS = ["Archive", "Data", "Data backup", "Database", "Docs", "Mail", "Music", "Notes", "Photos",
              "Projects", "Scripts", "Temp", "Videos"]
FOLDERS_CHOSEN = {"Data", "Database", "Videos"}


def make_folder_tree(work):
    top = os.path.join(work, "folders")
    contents = {}
    for index, subfolder in enumerate(SUBFOLDERS):
        contents[f"{subfolder}/file {index}.txt"] = f"{subfolder}\n".encode() * (index + 1)
        contents[f"{subfolder}/inner/deep.bin"] = bytes(range(256)) * (index + 1)
    contents["top.txt"] = b"at the top\n"
    for relative, data in contents.items():
        path = os.path.join(top, relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as file:
            file.write(data)
    return top, contents


def check_purge_folders(program, main, top, contents):
    press_command(main, "Purge folders", lambda: any(name(w) == PURGE_FOLDERS_TITLE for w in program.windows()))
    question = program.alert(PURGE_FOLDERS_TITLE)
    report.expect("selected subfolders" in alert_text(question), "the first question does not say what it does")
    press(question, "Yes")
    program.gone(question)
    choose_folder(program, FOLDERS_CHOOSER_START, top)

    title = f"Select subfolders of {top}/ to be purged."
    dialog = program.window(title)
    rows = lambda: [b for b in find_all(dialog, "check box", only_showing=True)]
    report.require(wait_until(lambda: len(rows()) == 11), f"the first page shows {len(rows())} rows, not 11")
    bar = find(dialog, "scroll bar", "Subfolders shown")
    audit(dialog, "dialog", title,
          [("scroll bar", "Subfolders shown"), ("push button", "Select all"), ("push button", "Deselect all"),
           ("push button", "Accept"), ("push button", "Cancel")])
    # Rows are in the order of their texts, case aside: "Data backup {...}" before "Data {...}".
    order = sorted(SUBFOLDERS, key=lambda folder: (folder + " {").lower())
    report.expect([name(b).split(" {")[0] for b in rows()] == order[:11],
                  f"the first page shows {[name(b) for b in rows()]}")
    count = lambda: next((name(l) for l in find_all(dialog, "label", only_showing=True)
                          if "selected" in name(l)), None)
    report.expect(count() == "No subfolders selected.", f"at first the count reads {count()!r}")
    report.expect("Value" in interfaces(bar), "the scroll bar offers no value to a screen reader")

    def row(folder):
        matches = [b for b in rows() if name(b).split(" {")[0] == folder]
        report.require(len(matches) == 1, f"no single row for {folder!r} on the page: {[name(b) for b in rows()]}")
        return matches[0]

    def expect_count(text, what):
        report.expect(wait_until(lambda: count() == text), f"{what}: the count reads {count()!r}, not {text!r}")

    press(dialog, "Select all")
    expect_count(f"All {len(SUBFOLDERS)} subfolders selected.", "after Select all")
    report.expect(all("checked" in states(b) for b in rows()), "Select all left a row unchecked")
    press(dialog, "Deselect all")
    expect_count("No subfolders selected.", "after Deselect all")
    do(row("Data"), "Toggle")
    expect_count("One subfolder selected.", "after checking Data")
    do(row("Database"), "Toggle")
    expect_count(f"2 selected (of {len(SUBFOLDERS)}).", "after checking Database")
    do(row("Docs"), "Toggle")
    do(row("Docs"), "Toggle")
    expect_count(f"2 selected (of {len(SUBFOLDERS)}).", "after checking and unchecking Docs")

    # The next page, as a screen reader moves the bar: the last rows come into view, the checks stay.
    if "Value" in interfaces(bar):
        report.expect(Atspi.Value.get_maximum_value(bar) > 0, "the scroll bar has nowhere to go")
        Atspi.Value.set_current_value(bar, Atspi.Value.get_maximum_value(bar))
    report.require(wait_until(lambda: "Videos" in [name(b).split(" {")[0] for b in rows()]),
                   f"paging did not bring Videos into view: {[name(b) for b in rows()]}")
    do(row("Videos"), "Toggle")
    expect_count(f"3 selected (of {len(SUBFOLDERS)}).", "after checking Videos on the next page")
    Atspi.Value.set_current_value(bar, 0)
    report.expect(wait_until(lambda: rows() and name(rows()[0]).startswith("Archive")), "paging back failed")
    report.expect(wait_until(lambda: "checked" in states(row("Data")) and "checked" in states(row("Database"))
                             and "checked" not in states(row("Data backup"))),
                  "the checks of the first page did not survive paging")
    press(dialog, "Accept")
    program.gone(dialog)

    # The questions that follow, answered as they come.
    seen = []
    done = lambda: "have been purged." in (label_named(main, "The selected folder was") or "")
    while True:
        question = wait_until(lambda: done() or next_alert(program))
        report.require(question, f"the folder purge neither asked nor finished; windows: {program.describe()}")
        if question is True:
            break
        text = alert_text(question)
        seen.append(text)
        if name(question) == "Purge free space":
            press(question, "No")
        elif name(question) != PURGE_FOLDERS_TITLE:
            report.require(False, f"unexpected message {name(question)!r}: {text!r}")
        elif "Click 'OK' to begin" in text:
            report.expect("Three folders will be purged:" in text, f"the summary reads {text!r}")
            press(question, "OK")
        elif "Click 'OK' to continue" in text:
            # Every command is disabled from here on; the Enter must not reach the manual's link.
            answer_by_enter(program, question)
            continue
        elif find_all(question, "push button", "Yes"):
            press(question, "Yes")  # what overwriting cannot reach on this disk: go on
        else:
            report.require(False, f"unexpected question: {text!r}")
        program.gone(question)
    report.expect(any("Click 'OK' to begin" in text for text in seen), "no summary came before the purge")
    report.expect(not os.path.exists(program.opened), "the Enter that confirmed the count opened the manual")
    report.expect(wait_until(lambda: focus_name(main) in MAIN_BUTTONS, 5),
                  f"after the purge the keyboard is on {focus_name(main)!r}, not on a command")

    for relative, data in contents.items():
        path = os.path.join(top, relative)
        if relative.split("/")[0] in FOLDERS_CHOSEN:
            report.expect(not os.path.lexists(path), f"{relative} was in a chosen folder and is still there")
        else:
            intact = os.path.isfile(path) and open(path, "rb").read() == data
            report.expect(intact, f"{relative} was not chosen and is gone or changed")
    for folder in FOLDERS_CHOSEN:
        report.expect(not os.path.lexists(os.path.join(top, folder)), f"the chosen folder {folder} is still there")


SETUP_BUTTONS = ["Save setup", "Load setup", "Clear setup", "Restore setup", "Not now"]
SAVE_BUTTONS = ["Save setup as operation file", "Save setup for next run", "Not now"]


def file_dialog(program, title, field_text, button):
    """Drives the toolkit's file dialog: types the full path into its file name field and presses `button`."""
    dialog = program.window(title, ("dialog", "file chooser"))
    fields = wait_until(lambda: [f for f in find_all(dialog, "text", only_showing=True)
                                 if "editable" in states(f) and name(f).startswith("File name")])
    report.require(fields, f"the file dialog {title!r} has no file name field: "
                           f"{[name(f) for f in find_all(dialog, 'text')]}")
    set_text(fields[0], field_text)
    press(dialog, button)
    program.gone(dialog)


def press_command(main, button, shown):
    """Presses a command of the main window until `shown` says it acted: for a second after a file dialog
    closed the program takes no command, so that a click meant for the dialog does not reach the window
    under it. A press that did act opens something that keeps the next press from acting twice."""

    def probe():
        if shown():
            return True
        press(main, button)
        return wait_until(shown, 0.5)

    report.require(wait_until(probe), f"{button!r} did not act")


def open_setup(main):
    press_command(main, "Setup", lambda: find_all(main, "push button", "Clear setup", only_showing=True))


def check_setup(program, main, folder, work):
    open_setup(main)
    for caption in SETUP_BUTTONS:
        find(main, "push button", caption)
    # The commands wait while the panel is open; the keyboard goes round the panel and the target's controls.
    expect_tab_order(main, SETUP_BUTTONS + ["Clear", "Online user manual", "Save setup"])
    press(main, "Not now")
    report.expect(wait_until(lambda: not find_all(main, "push button", "Clear setup", only_showing=True)),
                  "Not now did not close the setup panel")

    saved = os.path.join(work, "saved setup.nvs")
    open_setup(main)
    press(main, "Save setup")
    report.require(wait_until(lambda: find_all(main, "push button", SAVE_BUTTONS[0], only_showing=True)),
                   "Save setup did not show the saving panel")
    report.expect(wait_until(lambda: "focused" in states(find(main, "push button", SAVE_BUTTONS[1]))),
                  "the saving panel does not start on saving for the next run")
    expect_tab_order(main, SAVE_BUTTONS[1:] + ["Clear", "Online user manual"] + SAVE_BUTTONS[:2])
    press(main, "Save setup as operation file")
    file_dialog(program, "Specify operation file to be saved", saved, "Save")
    report.expect(wait_until(lambda: os.path.isfile(saved)), "no operation file was saved")
    report.expect(wait_until(lambda: find_all(main, "label", saved, only_showing=True)),
                  "the main window does not show the saved file's name")

    open_setup(main)
    press(main, "Clear setup")
    expect_label(main, "Folder:", "Folder: Not specified", "after Clear setup")
    expect_label(main, "Files:", "Files: Not specified", "after Clear setup")

    open_setup(main)
    press(main, "Load setup")
    file_dialog(program, "Specify operation file to be loaded", saved, "Open")
    expect_label(main, "Folder:", f"Folder: {folder}/", "after loading the setup")
    expect_label(main, "Files:", "Files: *.*", "after loading the setup")
    expect_label(main, "Type of purge:",
                 "Type of purge: Alternate bit patterns plus random bytes twice, once (= 6 overwrites)",
                 "after loading the setup")
    report.expect(wait_until(lambda: find_all(main, "label", saved, only_showing=True)),
                  "the main window does not show the loaded file's name")


def check_help(program, main, opened):
    press(main, "Help")
    viewer = program.window("Help for Nulvane", ("frame",))
    audit(viewer, "frame", "Help for Nulvane", [("text", "Help for Nulvane"), ("push button", "Close")])
    help_text = text_of(find(viewer, "text", "Help for Nulvane")) or ""
    report.expect(len(help_text.strip()) > 200, f"the help text reads {help_text[:80]!r}")
    press(viewer, "Close")
    program.gone(viewer)
    report.expect(wait_until(lambda: "active" in states(main), 5),
                  "the main window did not get the keyboard back when the help closed")

    # Escape closes the viewer as well, as it closes a dialog.
    press(main, "Help")
    viewer = program.window("Help for Nulvane", ("frame",))
    report.expect(wait_until(lambda: "active" in states(viewer), 5), "the help does not take the keyboard")
    Atspi.generate_keyboard_event(ESCAPE, None, Atspi.KeySynthType.PRESSRELEASE | Atspi.KeySynthType.SYM)
    report.expect(program.gone(viewer), "Escape does not close the help")

    # The manual's link: reached by the keyboard, named, and opened through the desktop's launcher, which
    # here only writes down what it was asked to open.
    links = find_all(main, wanted_name="Online user manual", only_showing=True)
    report.require(links, "the main window shows no Online user manual")
    link = links[0]
    report.expect(role(link) == "link", f"the Online user manual is a {role(link)!r}, not a link")
    report.expect("focusable" in states(link), "the Online user manual cannot take the keyboard focus")
    names = action_names(link)
    report.expect(names, "the Online user manual offers no action to a screen reader")
    if names:
        Atspi.Action.do_action(link, 0)
        report.expect(wait_until(lambda: os.path.isfile(opened) and open(opened).read().strip()),
                      "activating the Online user manual opened nothing")
        address = open(opened).read().strip() if os.path.isfile(opened) else ""
        report.expect(address.startswith("file://") and address.endswith("nv_manual.html"),
                      f"the Online user manual opened {address!r}")
    report.expect(wait_until(lambda: showing(find(main, "push button", "Quit"))),
                  "the main window does not answer after the manual was opened")


def check_free_space(program, main):
    press(main, "Purge free space")
    # Several drives: which one is asked first; one drive: whether to go on. Neither is ever agreed to here.
    first = wait_until(lambda: next((w for w in program.windows()
                                     if name(w) in ("Purge the free space of which drive?", "Purge free space")),
                                    None))
    report.require(first is not None, f"Purge free space showed nothing; windows: {program.describe()}")
    if role(first) == "dialog" and name(first) == "Purge the free space of which drive?":
        audit(first, "dialog", name(first),
              [("combo box", name(first)), ("push button", "Accept"), ("push button", "Cancel")])
        press(first, "Cancel")
    else:
        audit(first, "alert", "Purge free space")
        buttons = [name(b) for b in find_all(first, "push button", only_showing=True)]
        press(first, "No" if "No" in buttons else "OK")
    program.gone(first)


def check_drive_dialog(program, main):
    press(main, "Test purge speed")
    question = program.alert("Test purge speed")
    audit(question, "alert", "Test purge speed", [("push button", "Yes"), ("push button", "No")])
    if "This writes test files to Drive" in alert_text(question):
        # One drive only: Yes would start the test at once, on a real volume.
        press(question, "No")
        program.gone(question)
        return
    press(question, "Yes")
    dialog = program.window(DRIVE_TITLE)
    audit(dialog, "dialog", DRIVE_TITLE,
          [("combo box", DRIVE_TITLE), ("push button", "Accept"), ("push button", "Cancel")])
    # Cancel only: the test itself writes to the root of a drive.
    press(dialog, "Cancel")
    program.gone(dialog)


def check_quit(program, main):
    press(main, "Quit")
    report.expect(wait_until(lambda: program.process.poll() is not None), "the program did not end after Quit")
    report.expect(program.process.returncode == 0, f"the program ended with status {program.process.returncode}")


def check_given(program, given):
    """Started with a file argument, as a file manager's "Purge with Nulvane" starts it: the file is the
    target, read back from the window's labels, and nothing is purged until "Purge files" is confirmed."""
    main = program.window(MAIN_TITLE, ("frame",))
    audit(main, "frame", MAIN_TITLE, [("push button", caption) for caption in MAIN_BUTTONS])
    folder, name_given = os.path.split(given)
    expect_label(main, "Folder:", f"Folder: {folder}/", "the folder of the file given on the command line")
    expect_label(main, "Files:", f"Files: {name_given}", "the file given on the command line")
    expect_label(main, "Subfolders:", "Subfolders: No", "a single file's subfolder setting")
    report.expect(os.path.exists(given), "the file given on the command line is gone before any purge")
    check_quit(program, main)


def make_many(work, count):
    """A folder of many small files, so that listing it takes long enough to be paused."""
    many = os.path.join(work, "many")
    os.makedirs(many)
    for index in range(count):
        with open(os.path.join(many, f"f{index:05d}.txt"), "wb") as file:
            file.write(b"x")
    return many


def make_sample(work):
    sample = os.path.join(work, "sample")
    for relative, contents in SAMPLE.items():
        path = os.path.join(sample, relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as file:
            file.write(contents)
    return sample


def accessibility_bus_reachable():
    try:
        session = Gio.bus_get_sync(Gio.BusType.SESSION, None)
        reply = session.call_sync("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress", None,
                                  GLib.VariantType.new("(s)"), Gio.DBusCallFlags.NONE, 10000, None)
        return bool(reply.unpack()[0])
    except GLib.Error as error:
        print(f"SKIP: the accessibility bus cannot be started: {error.message}")
        return False


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--program", required=True)
    parser.add_argument("--work", required=True, help="an empty temporary folder for the sample tree")
    parser.add_argument("--given", help="only start the program with this file and read its target back")
    arguments = parser.parse_args()
    # Tells the caller that the session bus came up and the check itself ran.
    open(os.path.join(arguments.work, "started"), "w").close()
    if not accessibility_bus_reachable():
        return SKIP
    if arguments.given:
        return run_given(arguments)
    sample = make_sample(arguments.work)
    top, tree = make_folder_tree(arguments.work)
    many = make_many(arguments.work, MANY_FILES)
    started = time.monotonic()
    program = Program(arguments.program, arguments.work)
    try:
        report.require(wait_until(program.find_application), "the program never appeared on the bus")
        program.application = program.find_application()
        main_window = check_main_window(program)
        print(f"start: {time.monotonic() - started:.1f} s", flush=True)
        for title, step in [
            ("type of purge", lambda: check_type_of_purge(program, main_window)),
            ("date restriction", lambda: check_date_restriction(program, main_window)),
            ("specify folder", lambda: check_specify_folder(program, main_window, sample)),
            ("clear by keyboard", lambda: check_clear_by_keyboard(program, main_window, sample)),
            ("specify files", lambda: check_specify_files(program, main_window, sample)),
            ("purge", lambda: check_purge(program, main_window, sample)),
            ("listing", lambda: check_listing(program, main_window, many)),
            ("setup", lambda: check_setup(program, main_window, many, arguments.work)),
            ("purge folders", lambda: check_purge_folders(program, main_window, top, tree)),
            ("help", lambda: check_help(program, main_window, program.opened)),
            ("free space", lambda: check_free_space(program, main_window)),
            ("drive dialog", lambda: check_drive_dialog(program, main_window)),
            ("quit", lambda: check_quit(program, main_window)),
        ]:
            step_started = time.monotonic()
            step()
            print(f"{title}: {time.monotonic() - step_started:.1f} s", flush=True)
    except Fatal:
        pass
    finally:
        program.stop()
    seconds = time.monotonic() - started
    print(f"{report.passed} passed, {len(report.failures)} failed ({seconds:.1f} s)")
    return 1 if report.failures else 0


def run_given(arguments):
    program = Program(arguments.program, arguments.work, [arguments.given])
    try:
        report.require(wait_until(program.find_application), "the program never appeared on the bus")
        program.application = program.find_application()
        check_given(program, arguments.given)
    except Fatal:
        pass
    finally:
        program.stop()
    print(f"{report.passed} passed, {len(report.failures)} failed")
    return 1 if report.failures else 0


if __name__ == "__main__":
    sys.exit(main())
