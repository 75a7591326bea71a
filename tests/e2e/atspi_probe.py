#!/usr/bin/python3
"""Looks at a running program through the accessibility bus, as a screen reader does.

atspi_probe.py PID bin          the bin's description
atspi_probe.py PID windows      the names of the program's windows, one a line
atspi_probe.py PID unnamed      controls without a name: "window: role (path)"
atspi_probe.py PID text NAME    the text of the text field named NAME
"""
import sys

import pyatspi

# The controls a screen reader can say nothing about without a name.
NEEDS_NAME = {
    pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON, pyatspi.ROLE_CHECK_BOX,
    pyatspi.ROLE_RADIO_BUTTON, pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY,
    pyatspi.ROLE_PASSWORD_TEXT, pyatspi.ROLE_SPIN_BUTTON, pyatspi.ROLE_COMBO_BOX,
    pyatspi.ROLE_LIST, pyatspi.ROLE_LIST_BOX, pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE_TABLE,
    pyatspi.ROLE_TREE, pyatspi.ROLE_IMAGE, pyatspi.ROLE_ICON, pyatspi.ROLE_PROGRESS_BAR,
    pyatspi.ROLE_SLIDER,
}
# Parts of a list or table: their cells speak for themselves.
NO_DESCENT = {pyatspi.ROLE_LIST, pyatspi.ROLE_LIST_BOX, pyatspi.ROLE_TABLE,
              pyatspi.ROLE_TREE_TABLE, pyatspi.ROLE_TREE, pyatspi.ROLE_MENU_BAR,
              pyatspi.ROLE_MENU, pyatspi.ROLE_COMBO_BOX}


def program(pid):
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        try:
            if app is not None and app.get_process_id() == pid:
                return app
        except Exception:
            pass
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
    app = program(pid)
    if app is None:
        print("no such program on the bus", file=sys.stderr)
        return 3
    windows = [w for w in app if w is not None]
    if what == "windows":
        for w in windows:
            print(w.name)
    elif what == "bin":
        for w in windows:
            for node, _ in walk(w):
                if node.name == "Papelera":
                    print(node.description)
                    return 0
        return 1
    elif what == "unnamed":
        for w in windows:
            for node, path in walk(w):
                if node.getRole() in NEEDS_NAME and not node.name.strip():
                    print("%s: %s (%s)" % (w.name, node.getRoleName(), path))
    elif what == "text":
        for w in windows:
            for node, _ in walk(w):
                if node.name == sys.argv[3] and node.getRole() in NEEDS_NAME:
                    text = node.queryText()
                    print(text.getText(0, text.characterCount))
                    return 0
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
