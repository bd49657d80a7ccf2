#!/usr/bin/python3
"""atspi_dump.py PID: the program's accessible tree as a screen reader sees it
over AT-SPI, one object a line: indent by depth, [role] name."""
import sys
import time

import pyatspi


def find_application(pid):
    for app in pyatspi.Registry.getDesktop(0):
        try:
            if app is not None and app.get_process_id() == pid:
                return app
        except Exception:  # an application that went away meanwhile
            pass
    return None


def dump(node, depth=0):
    line = f"{'  ' * depth}[{node.getRoleName()}] {node.name}"
    if node.getRole() == pyatspi.ROLE_TABLE:
        line += f" (rows {node.queryTable().nRows})"
    print(line)
    # A table lists only the rows in view; the limit guards against one that does not.
    for index in range(min(node.childCount, 200)):
        child = node.getChildAtIndex(index)
        if child is not None:
            dump(child, depth + 1)


pid = int(sys.argv[1])
for _ in range(100):
    app = find_application(pid)
    if app is not None:
        dump(app)
        break
    time.sleep(0.1)
else:
    sys.exit(f"process {pid} is not on the accessibility bus")
