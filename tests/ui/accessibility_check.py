#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Checks every window of the agent through the desktop's accessibility tree (AT-SPI), as a screen
reader meets it: each window has a name, each control a user can reach has a name, Tab follows the
reading order, every table and tree says what it holds, a status line turning red is announced, and
a reminder coming due is read out from the due window.

Run on a display (Xvfb) inside a session bus of its own:
    xvfb-run -a dbus-run-session -- /usr/bin/python3 accessibility_check.py path/to/window_tour
"""
import os
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

INTERACTIVE = {
    pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON, pyatspi.ROLE_CHECK_BOX,
    pyatspi.ROLE_RADIO_BUTTON, pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY,
    pyatspi.ROLE_PASSWORD_TEXT, pyatspi.ROLE_SPIN_BUTTON, pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE_TABLE,
    pyatspi.ROLE_TREE, pyatspi.ROLE_LIST, pyatspi.ROLE_SLIDER, pyatspi.ROLE_PAGE_TAB,
    pyatspi.ROLE_PROGRESS_BAR, pyatspi.ROLE_DATE_EDITOR,
}
WINDOWS = {pyatspi.ROLE_FRAME, pyatspi.ROLE_DIALOG, pyatspi.ROLE_WINDOW}
# Views of many rows: the name says which, the description what a row is and what Enter does.
VIEWS = {pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE_TABLE, pyatspi.ROLE_TREE}


def find_app(name, deadline):
    while time.time() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is not None and app.name == name and app.childCount > 0:
                return app
        time.sleep(0.5)
    return None


def walk(node, depth=0):
    if depth > 60:
        return
    for child in node:
        if child is None:
            continue
        yield child
        yield from walk(child, depth + 1)


def check_tree(app):
    faults = []
    windows = 0
    for window in app:
        if window is None or window.getRole() not in WINDOWS:
            continue
        if not window.getState().contains(pyatspi.STATE_SHOWING):
            continue
        windows += 1
        title = window.name
        if not title:
            faults.append("a %s has no name" % window.getRoleName())
        for node in walk(window):
            role = node.getRole()
            state = node.getState()
            if role not in INTERACTIVE or not state.contains(pyatspi.STATE_SHOWING):
                continue
            if role in VIEWS and not node.description:
                faults.append("%s: the %s %r has no description" % (title, node.getRoleName(), node.name))
            # A combo box's popup list goes by the combo box's name.
            parent = node.parent
            if parent is not None and parent.getRole() == pyatspi.ROLE_COMBO_BOX:
                continue
            if not node.name:
                faults.append("%s: a %s in %s %r has no name" % (title, node.getRoleName(), node.parent.getRoleName() if node.parent else "", node.parent.name if node.parent else ""))
    return windows, faults


def main():
    tour = sys.argv[1]
    env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1",
               QT_QPA_PLATFORM="xcb")
    env.pop("QT_QPA_PLATFORM_PLUGIN_PATH", None)
    announced = []

    def on_event(event):
        try:
            if event.source is not None and event.source.getApplication().name == name:
                announced.append((event.type, event.source.getRole(), event.source.name,
                                  event.source.description, event.detail1))
        except Exception:  # a source gone meanwhile
            pass

    name = os.path.basename(tour)
    pyatspi.Registry.registerEventListener(on_event, "object:property-change:accessible-description")
    # An alert that shows is what screen readers speak at once.
    pyatspi.Registry.registerEventListener(on_event, "object:state-changed:showing")
    process = subprocess.Popen([tour, "--hold", "14"], env=env, stdout=subprocess.PIPE, text=True)
    try:
        app = find_app(name, time.time() + 30)
        if app is None:
            print("FAIL: the tour never appeared in the accessibility tree")
            return 1
        # Let the windows settle and the tour check its keyboard order.
        loop = GLib.MainLoop()
        GLib.timeout_add(4000, loop.quit)
        loop.run()
        windows, faults = check_tree(app)
        # A reminder comes due at about 5 s, the account line turns red at 6 s.
        GLib.timeout_add(6000, loop.quit)
        loop.run()
    finally:
        out, _ = process.communicate(timeout=60)
    faults += [line for line in out.splitlines() if line.startswith("tab order:")]
    if not any("tab order checked" in line for line in out.splitlines()):
        faults.append("the tour did not check the keyboard order")
    descriptions = [d for (kind, _, _, d, _) in announced if kind.endswith("accessible-description")]
    if not any(d and d.startswith("Warning") for d in descriptions):
        faults.append("no status line was announced as a warning: %r" % descriptions)
    alerts = [n for (kind, role, n, _, shown) in announced
              if kind.endswith("showing") and shown and role == pyatspi.ROLE_ALERT]
    if not any("Water the plants" in (n or "") for n in alerts):
        faults.append("the reminder coming due was not announced as an alert: %r" % alerts)
    if windows < 7:
        faults.append("only %d windows showed, expected 7" % windows)
    for fault in faults:
        print("FAIL:", fault)
    print("%d windows checked, %d faults" % (windows, len(faults)))
    print("%d passed, %d failed" % (1 if not faults else 0, 1 if faults else 0))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
