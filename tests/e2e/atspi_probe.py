#!/usr/bin/python3
"""Looks at a running program through the accessibility bus, as a screen reader does.

atspi_probe.py PID bin          the bin's description
atspi_probe.py PID windows      the names of the program's windows, one a line
atspi_probe.py PID unnamed      controls without a name: "window: role (path)"
atspi_probe.py PID text NAME    the text of the text field named NAME
"""
import sys

import pyatspi

R = pyatspi
# The controls a screen reader can say nothing about without a name.
NEEDS_NAME = {
    R.ROLE_PUSH_BUTTON, R.ROLE_TOGGLE_BUTTON, R.ROLE_CHECK_BOX, R.ROLE_RADIO_BUTTON, R.ROLE_TEXT,
    R.ROLE_ENTRY, R.ROLE_PASSWORD_TEXT, R.ROLE_SPIN_BUTTON, R.ROLE_COMBO_BOX, R.ROLE_LIST,
    R.ROLE_LIST_BOX, R.ROLE_TABLE, R.ROLE_TREE_TABLE, R.ROLE_TREE, R.ROLE_IMAGE, R.ROLE_ICON,
    R.ROLE_PROGRESS_BAR, R.ROLE_SLIDER,
}
# Parts of a list or table: their cells speak for themselves.
NO_DESCENT = {R.ROLE_LIST, R.ROLE_LIST_BOX, R.ROLE_TABLE, R.ROLE_TREE_TABLE, R.ROLE_TREE,
              R.ROLE_MENU_BAR, R.ROLE_MENU, R.ROLE_COMBO_BOX}


def pid_of(app):
    try:
        return app.get_process_id()
    except Exception:  # an application gone meanwhile
        return None


def walk(node, path=""):
    yield node, path
    if node.getRole() in NO_DESCENT:
        return
    for i in range(min(node.childCount, 500)):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from walk(child, path + "/" + str(i))


def main():
    pid, what = int(sys.argv[1]), sys.argv[2]
    apps = [a for a in pyatspi.Registry.getDesktop(0) if a is not None]
    app = next((a for a in apps if pid_of(a) == pid), None)
    if app is None:
        print("no such program on the bus", file=sys.stderr)
        return 3
    windows = [w for w in app if w is not None]
    nodes = [(w, node, path) for w in windows for node, path in walk(w)]
    if what == "windows":
        print("\n".join(w.name for w in windows))
    elif what == "unnamed":
        for w, node, path in nodes:
            if node.getRole() in NEEDS_NAME and not node.name.strip():
                print("%s: %s (%s)" % (w.name, node.getRoleName(), path))
    else:  # the bin's description, or a text field's text
        name = "Papelera" if what == "bin" else sys.argv[3]
        for _, node, _ in nodes:
            if node.name == name and (what == "bin" or node.getRole() in NEEDS_NAME):
                text = node.description if what == "bin" else node.queryText()
                print(text if what == "bin" else text.getText(0, text.characterCount))
                return 0
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
