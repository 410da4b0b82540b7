#!/usr/bin/python3
"""The program as a screen-reader user meets it, checked from outside over the accessibility bus.

Started by scripts/a11y-check inside a virtual X server and a private D-Bus session. It starts the real
program on a sample tree in a temporary folder and then uses nothing but the accessibility bus: it reads
the windows, roles, names, texts and states a screen reader reads, and acts through the actions and text
interfaces a screen reader uses ("Press", "Toggle", EditableText), and types Tab through the bus's
keyboard. Each window is audited for unnamed controls, wrong roles and its Tab order as it appears; the
program's state is read back from the tree after every change; nothing under an open question may take
an action; and one small purge runs end to end, with every per-file question answered over the bus,
before the disk is compared with what was chosen.

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


def find(accessible, wanted_role, wanted_name, only_showing=True):
    matches = find_all(accessible, wanted_role, wanted_name, only_showing)
    report.require(len(matches) >= 1, f"no {wanted_role} named {wanted_name!r} in {name(accessible)!r}")
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
    def __init__(self, executable, folder):
        environment = dict(os.environ)
        environment.update({
            "QT_QPA_PLATFORM": "xcb",
            "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
            "QT_ACCESSIBILITY": "1",
            # Leaks of the toolkit's bus connections at exit are not this check's business.
            "ASAN_OPTIONS": "detect_leaks=0",
        })
        self.process = subprocess.Popen([executable], cwd=folder, env=environment)
        self.application = None

    def find_application(self):
        desktop = Atspi.get_desktop(0)
        for application in children(desktop):
            if application.get_process_id() == self.process.pid:
                # Read every property afresh: the check polls for changes instead of following events.
                application.set_cache_mask(Atspi.Cache.NONE)
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


def label_named(window, caption):
    """The accessible name of the value label named after `caption` ("Folder:" finds "Folder: /home/ann")."""
    for label in find_all(window, "label", only_showing=True):
        if name(label).startswith(caption + " "):
            return name(label)
    return None


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


def check_drive_dialog(program, main):
    press(main, "Test purge speed")
    question = program.alert("Test purge speed")
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
    arguments = parser.parse_args()
    # Tells the caller that the session bus came up and the check itself ran.
    open(os.path.join(arguments.work, "started"), "w").close()
    if not accessibility_bus_reachable():
        return SKIP
    sample = make_sample(arguments.work)
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
            ("specify files", lambda: check_specify_files(program, main_window, sample)),
            ("purge", lambda: check_purge(program, main_window, sample)),
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


if __name__ == "__main__":
    sys.exit(main())
