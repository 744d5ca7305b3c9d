#!/usr/bin/python3
"""Reads an application's accessible tree from the desktop's accessibility
bus and checks that named controls are there, with their values.

usage: read_accessible_tree.py APP_NAME [@ACTION_ITEM] NAME[=VALUE] ...
@ACTION_ITEM activates the named item (a menu command) first.
Exits 0 when every name is found (and shows VALUE where given)."""
import sys
import time

import gi
gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402


def walk(node, depth=0, found=None):
    if found is None:
        found = {}
    if node is None or depth > 40:
        return found
    name = node.get_name() or ""
    value = None
    if "Text" in (node.get_interfaces() or []):
        value = Atspi.Text.get_text(node, 0, Atspi.Text.get_character_count(node))
    if name:
        found.setdefault(name, (node.get_role_name(), value, node))
    for i in range(node.get_child_count()):
        walk(node.get_child_at_index(i), depth + 1, found)
    return found


def find_app(name, seconds=20):
    deadline = time.time() + seconds
    while time.time() < deadline:
        desktop = Atspi.get_desktop(0)
        for i in range(desktop.get_child_count()):
            app = desktop.get_child_at_index(i)
            if app is not None and (app.get_name() or "").lower() == name.lower():
                return app
        time.sleep(0.5)
    return None


def main():
    app_name, wanted = sys.argv[1], sys.argv[2:]
    app = find_app(app_name)
    if app is None:
        print(f"{app_name} is not on the accessibility bus")
        return 1
    actions = [w[1:] for w in wanted if w.startswith("@")]
    wanted = [w for w in wanted if not w.startswith("@")]
    for item in actions:
        entry = walk(app).get(item)
        if entry is None or "Action" not in (entry[2].get_interfaces() or []):
            print(f"no command named {item}")
            return 1
        Atspi.Action.do_action(entry[2], 0)
    found = {}
    deadline = time.time() + 20
    missing = wanted
    while missing and time.time() < deadline:
        found = walk(app)
        missing = []
        for item in wanted:
            name, _, value = item.partition("=")
            if name not in found or (value and found[name][1] != value):
                missing.append(item)
        if missing:
            time.sleep(0.5)
    for name, (role, value, _) in sorted(found.items()):
        print(f"{role}\t{name}\t{value if value is not None else ''}")
    if missing:
        print("missing: " + ", ".join(missing))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
