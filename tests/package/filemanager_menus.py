#!/usr/bin/python3
"""The "Purge with Nulvane" entries of the file managers' context menus, read as each file manager reads them.

Dolphin's service menu and Nemo's action are key files (the Desktop Entry format): they are parsed with
GLib's key-file parser, the one the Desktop Entry format is defined by and Nemo reads its actions with, and
checked by the rules of their formats, since Debian has no validator for either. GNOME Files' extension is
loaded into the real nautilus-python interfaces (the Nautilus 4.0 typelib), asked for its menu entries for a
file, a folder, two items and a remote file, and its entry activated with a stand-in `nulvane` on PATH that
records its arguments.

    filemanager_menus.py --dolphin FILE --nemo FILE --nautilus FILE

Exit status 0 when all checks passed, 1 when one failed, 77 when GLib's or Nautilus' Python bindings are
missing (the check is then skipped).
"""

import argparse
import importlib.util
import os
import shlex
import sys
import tempfile
import time

SKIP = 77
LABEL = "Purge with Nulvane"
ICON = "org.nulvane.Nulvane"

try:
    import gi

    gi.require_version("Nautilus", "4.0")
    from gi.repository import Gio, GLib, GObject, Nautilus
except (ImportError, ValueError) as error:
    print(f"SKIP: GLib's or Nautilus' Python bindings are missing ({error})")
    sys.exit(SKIP)

failures = []


def expect(ok, what):
    if not ok:
        failures.append(what)
        print(f"  FAIL: {what}", flush=True)
    return ok


def key_file(path):
    keys = GLib.KeyFile()
    try:
        keys.load_from_file(path, GLib.KeyFileFlags.NONE)
    except GLib.Error as error:
        expect(False, f"{path} is no key file: {error.message}")
        return None
    return keys


def value(keys, group, key):
    try:
        return keys.get_string(group, key)
    except GLib.Error:
        return None


def values(keys, group, key):
    try:
        return keys.get_string_list(group, key)
    except GLib.Error:
        return []


def exec_arguments(command):
    """An Exec value split as the Desktop Entry format quotes it (double quotes and backslashes, as a shell
    does for these), which is how KIO and Nemo split theirs."""
    try:
        return shlex.split(command)
    except ValueError as error:
        expect(False, f"Exec {command!r} cannot be split: {error}")
        return []


def check_exec(where, command):
    """Starts the window with the chosen items after "--", so that a name beginning with "-" stays a name,
    and with no other field code."""
    arguments = exec_arguments(command)
    expect(arguments == ["nulvane", "--", "%F"], f"{where}: Exec {command!r} should be 'nulvane -- %F'")


def check_dolphin(path):
    keys = key_file(path)
    if keys is None:
        return
    entry = "Desktop Entry"
    expect(keys.get_start_group() == entry, f"Dolphin: the first group is {keys.get_start_group()!r}")
    expect(value(keys, entry, "Type") == "Service", "Dolphin: a service menu has Type=Service")
    # KIO before 5.85 finds service menus by their service type, later ones by their place and MIME types.
    expect("KonqPopupMenu/Plugin" in values(keys, entry, "X-KDE-ServiceTypes"),
           "Dolphin: X-KDE-ServiceTypes lacks KonqPopupMenu/Plugin")
    expect(values(keys, entry, "MimeType") == ["all/all"], "Dolphin: the entry is for files and folders (all/all)")
    # Anything else KIO would first copy to a temporary file, and the copy would be purged.
    expect(value(keys, entry, "X-KDE-Protocols") == "file", "Dolphin: only local items (X-KDE-Protocols=file)")
    expect(value(keys, entry, "X-KDE-MaxNumberOfUrls") == "1", "Dolphin: offered for one item only")
    actions = values(keys, entry, "Actions")
    expect(len(actions) == 1, f"Dolphin: one action expected, found {actions}")
    for action in actions:
        group = f"Desktop Action {action}"
        if not expect(keys.has_group(group), f"Dolphin: no group [{group}]"):
            continue
        expect(value(keys, group, "Name") == LABEL, f"Dolphin: the action is named {value(keys, group, 'Name')!r}")
        expect(value(keys, group, "Icon") == ICON, "Dolphin: the action's icon")
        check_exec("Dolphin", value(keys, group, "Exec") or "")


def check_nemo(path):
    expect(path.endswith(".nemo_action"), "Nemo reads only files named *.nemo_action")
    keys = key_file(path)
    if keys is None:
        return
    group = "Nemo Action"
    expect(keys.get_groups()[0] == [group], f"Nemo: the only group is [{group}], found {keys.get_groups()[0]}")
    expect(value(keys, group, "Active") in (None, "true"), "Nemo: the action is active")
    expect(value(keys, group, "Name") == LABEL, f"Nemo: the action is named {value(keys, group, 'Name')!r}")
    expect(value(keys, group, "Icon-Name") == ICON, "Nemo: the action's icon")
    check_exec("Nemo", value(keys, group, "Exec") or "")
    # Nemo needs Selection and Extensions (or Mimetypes); "s" offers it for one selected item only, "any"
    # for files and folders alike.
    expect(value(keys, group, "Selection") == "s", "Nemo: offered for one item only (Selection=s)")
    expect(values(keys, group, "Extensions") == ["any"], "Nemo: offered for files and folders (Extensions=any;)")


class FileInfo(GObject.Object, Nautilus.FileInfo):
    """An item as GNOME Files hands it to an extension."""

    def __init__(self, uri):
        super().__init__()
        self.location = Gio.File.new_for_uri(uri)

    def do_get_uri_scheme(self):
        return self.location.get_uri_scheme()

    def do_get_location(self):
        return self.location

    def do_get_uri(self):
        return self.location.get_uri()


def check_nautilus(path, work):
    spec = importlib.util.spec_from_file_location("nulvane_purge", path)
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    providers = [cls for cls in vars(module).values()
                 if isinstance(cls, type) and issubclass(cls, Nautilus.MenuProvider) and cls is not Nautilus.MenuProvider]
    if not expect(len(providers) == 1, f"GNOME Files: one menu provider expected, found {providers}"):
        return
    provider = providers[0]()

    # A stand-in for the window: writes down its arguments, one per line.
    recorded = os.path.join(work, "arguments")
    stand_in = os.path.join(work, "bin")
    os.makedirs(stand_in)
    with open(os.path.join(stand_in, "nulvane"), "w") as script:
        script.write(f'#!/bin/sh\nfor a in "$@"; do printf "%s\\n" "$a"; done > "{recorded}.part"\n'
                     f'mv "{recorded}.part" "{recorded}"\n')
    os.chmod(os.path.join(stand_in, "nulvane"), 0o755)
    os.environ["PATH"] = stand_in + os.pathsep + os.environ.get("PATH", "")

    folder = os.path.join(work, "a folder")
    os.makedirs(folder)
    file = os.path.join(folder, "-secret report.txt")
    open(file, "w").close()
    for item in (file, folder):
        items = provider.get_file_items([FileInfo(Gio.File.new_for_path(item).get_uri())])
        if not expect(len(items) == 1, f"GNOME Files: one entry for {item}, found {len(items)}"):
            continue
        entry = items[0]
        expect(isinstance(entry, Nautilus.MenuItem), "GNOME Files: the entry is a Nautilus.MenuItem")
        expect(entry.props.label == LABEL, f"GNOME Files: the entry reads {entry.props.label!r}")
        expect(entry.props.icon == ICON, "GNOME Files: the entry's icon")
        if os.path.exists(recorded):
            os.remove(recorded)
        entry.activate()
        deadline = time.monotonic() + 30
        while not os.path.exists(recorded) and time.monotonic() < deadline:
            GLib.MainContext.default().iteration(False)
            time.sleep(0.05)
        if expect(os.path.exists(recorded), "GNOME Files: the entry did not start nulvane"):
            with open(recorded) as arguments:
                given = arguments.read().splitlines()
            expect(given == ["--", item], f"GNOME Files: nulvane was started with {given}, expected ['--', {item!r}]")

    two = [FileInfo(Gio.File.new_for_path(p).get_uri()) for p in (file, folder)]
    expect(provider.get_file_items(two) == [], "GNOME Files: no entry for two items")
    expect(provider.get_file_items([FileInfo("sftp://host/secret.txt")]) == [], "GNOME Files: no entry for a remote file")
    # Nautilus before 43 passes the window first.
    expect(len(provider.get_file_items(None, [FileInfo(Gio.File.new_for_path(file).get_uri())])) == 1,
           "GNOME Files: the older call with the window first")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--dolphin", required=True)
    parser.add_argument("--nemo", required=True)
    parser.add_argument("--nautilus", required=True)
    arguments = parser.parse_args()
    check_dolphin(arguments.dolphin)
    check_nemo(arguments.nemo)
    with tempfile.TemporaryDirectory() as work:
        check_nautilus(arguments.nautilus, work)
    print("file manager menus: " + ("all checks passed" if not failures else f"{len(failures)} failed"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
