"""'Purge with Nulvane' in the context menu of GNOME Files (a nautilus-python extension).

The entry is offered for one local file or folder. It starts the Nulvane window with that item as its
target; the window asks before anything is purged, as it always does.
"""

from gi.repository import GLib, GObject, Nautilus


class NulvanePurgeMenu(GObject.GObject, Nautilus.MenuProvider):
    def get_file_items(self, *arguments):
        # Nautilus 43 and later pass the selected files alone, earlier versions the window first.
        files = arguments[-1]
        if len(files) != 1:
            return []
        chosen = files[0]
        # Only an item of this computer's own file system: a copy of a remote file would be purged instead.
        if chosen.get_uri_scheme() != "file":
            return []
        path = chosen.get_location().get_path()
        if not path:
            return []
        item = Nautilus.MenuItem(
            name="NulvanePurgeMenu::Purge",
            label="Purge with Nulvane",
            tip="Choose this item as the target in Nulvane, which asks before it purges anything",
            icon="org.nulvane.Nulvane",
        )
        item.connect("activate", self._open, path)
        return [item]

    def get_background_items(self, *arguments):
        return []

    @staticmethod
    def _open(_item, path):
        # The window runs on its own; GLib reaps it when it ends. "--": a name that begins with "-" stays a name.
        GLib.spawn_async(["nulvane", "--", path], flags=GLib.SpawnFlags.SEARCH_PATH)
