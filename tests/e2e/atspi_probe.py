#!/usr/bin/python3
"""atspi_probe.py PID bin|windows|unnamed|text NAME, as a screen reader sees the program: the
bin's description, its windows' names, its unnamed controls ("window: role (path)"), a text."""
import sys

import pyatspi


def roles(names):
    return {getattr(pyatspi, "ROLE_" + n) for n in names.split()}


# The controls a screen reader can say nothing about without a name.
NEEDS_NAME = roles("PUSH_BUTTON TOGGLE_BUTTON CHECK_BOX RADIO_BUTTON TEXT ENTRY PASSWORD_TEXT"
                   " SPIN_BUTTON COMBO_BOX LIST LIST_BOX TABLE TREE_TABLE TREE IMAGE ICON"
                   " PROGRESS_BAR SLIDER")
# Parts of a list, table or menu: their cells speak for themselves.
NO_DESCENT = roles("LIST LIST_BOX TABLE TREE_TABLE TREE MENU_BAR MENU COMBO_BOX")


def pid_of(app):
    try:
        return app.get_process_id()
    except Exception:  # an application gone meanwhile
        return None


def walk(node, path=""):
    yield node, path
    if node.getRole() not in NO_DESCENT:
        for i in range(min(node.childCount, 500)):
            child = node.getChildAtIndex(i)
            if child is not None:
                yield from walk(child, path + "/" + str(i))


def main(pid, what, name="Papelera"):
    app = next((a for a in pyatspi.Registry.getDesktop(0) if a and pid_of(a) == int(pid)), None)
    if app is None:
        print("no such program on the bus", file=sys.stderr)
        return 3
    windows = [w for w in app if w is not None]
    nodes = [(w, node, path) for w in windows for node, path in walk(w)]
    if what == "windows":
        print("\n".join(w.name for w in windows))
    for w, node, path in nodes:
        needs_name = node.getRole() in NEEDS_NAME
        if what == "unnamed" and needs_name and not node.name.strip():
            print("%s: %s (%s)" % (w.name, node.getRoleName(), path))
        elif what == "bin" and node.name == name:
            return print(node.description)
        elif what == "text" and node.name == name and needs_name:
            text = node.queryText()
            return print(text.getText(0, text.characterCount))
    return 1 if what in ("bin", "text") else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
