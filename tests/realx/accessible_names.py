"""Every object a screen reader stops at has a name: the AT-SPI tree of the main window with
an examinee shown, of the list of examinees and of the answer sheet, walked under Xvfb.

usage: accessible_names.py PATH-TO-ezr [--report]
With --report, the unnamed objects are listed and counted but do not fail the run.
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import realx  # noqa: E402
from realx import fail, find, wait_for  # noqa: E402


def needs_name(node):
    """Focusable controls, text fields, tables and charts: what a reader announces."""
    import pyatspi
    try:
        role = node.getRole()
        state = node.getState()
    except Exception:
        return False
    if not state.contains(pyatspi.STATE_SHOWING):
        return False
    if role in (pyatspi.ROLE_TABLE_CELL, pyatspi.ROLE_COLUMN_HEADER, pyatspi.ROLE_ROW_HEADER,
                pyatspi.ROLE_MENU_ITEM, pyatspi.ROLE_CHECK_MENU_ITEM, pyatspi.ROLE_SEPARATOR,
                pyatspi.ROLE_SCROLL_BAR, pyatspi.ROLE_LIST_ITEM):
        return False
    if role in (pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY, pyatspi.ROLE_PASSWORD_TEXT,
                pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE_TABLE, pyatspi.ROLE_CHART,
                pyatspi.ROLE_IMAGE, pyatspi.ROLE_CANVAS, pyatspi.ROLE_SPIN_BUTTON,
                pyatspi.ROLE_COMBO_BOX):
        return True
    if role in (pyatspi.ROLE_DIALOG, pyatspi.ROLE_FRAME, pyatspi.ROLE_WINDOW):
        # Windows; a frame inside a window is a drawn line or border, nothing to read.
        parent = node.parent
        return parent is not None and parent.getRole() == pyatspi.ROLE_APPLICATION
    return state.contains(pyatspi.STATE_FOCUSABLE)


def unnamed(window):
    found = []
    total = 0
    for node in realx.walk(window):
        total += 1
        if needs_name(node) and not (node.name or "").strip():
            parent = node.parent
            try:
                box = node.queryComponent().getExtents(0)
                where = " at %d,%d %dx%d" % (box.x, box.y, box.width, box.height)
            except Exception:
                where = ""
            found.append("%s in %s «%s»%s" % (node.getRoleName(),
                                             parent.getRoleName() if parent else "?",
                                             parent.name if parent else "", where))
    return total, found


def active_window(app):
    import pyatspi
    for index in range(app.childCount):
        child = app.getChildAtIndex(index)
        if child is not None and child.getState().contains(pyatspi.STATE_ACTIVE):
            return child
    return None


def main():
    if len(sys.argv) not in (2, 3):
        print(__doc__)
        return 2
    report_only = sys.argv[2:] == ["--report"]
    realx.in_own_bus()
    try:
        import pyatspi
    except ImportError:
        fail("python3-pyatspi is missing (tools/setup.sh --test installs it)")
    first = None
    with realx.Session(sys.argv[1], arguments=["{data}/101.cry"]) as session:
        app = realx.application()
        wait_for("an examinee shown", lambda: find(app, name="Воронцов Андрей Павлович") or
                 any("Профиль" in (node.name or "") for node in realx.walk(app)))
        first = True
        problems = []
        totals = 0
        views = [("main window", None), ("list of examinees", "ctrl+l"),
                 ("answer sheet", "ctrl+n")]
        for caption, key in views:
            if key:
                session.keys(key, pause=1.5)
            window = wait_for("the " + caption + " active", lambda: active_window(app))
            total, found = unnamed(window)
            totals += total
            print("%s («%s», %s): %d objects, %d unnamed"
                  % (caption, window.name, window.getRoleName(), total, len(found)))
            for entry in found:
                print("   unnamed " + entry)
            problems += found
            if key is None:
                # The bar chart in front speaks its bars: "1. Преобразование 24, …".
                chart = next((node for node in realx.walk(window)
                              if "Преобразование" in (node.description or "")), None)
                print("chart: %s" % (realx.describe(chart) + " — " + chart.description
                                     if chart else "none"))
                if chart is None or not any(ch.isdigit() for ch in chart.description):
                    problems.append("no chart tells its values")
                elif chart.getRole() != pyatspi.ROLE_CHART:
                    problems.append("the chart has the role " + chart.getRoleName())
                # The result grids' column headers are their printed headings, not numbers.
                for node in realx.walk(window):
                    if node.getRole() != pyatspi.ROLE_TABLE or ": " not in (node.name or ""):
                        continue
                    cells = node.queryTable()
                    headings = []
                    for column in range(cells.nColumns):
                        header = cells.getColumnHeader(column)
                        headings.append(header.name if header is not None else "")
                    print("%s: %s" % (node.name, " | ".join(headings)))
                    if any(not heading or heading.isdigit() for heading in headings):
                        problems.append("%s: headings %s" % (node.name, headings))
            if window.getRoleName() not in ("frame", "dialog", "window"):
                problems.append("%s has the role %s" % (caption, window.getRoleName()))
            if key:
                session.keys("Escape", pause=1.0)
        print("in all: %d objects, %d unnamed or misplaced" % (totals, len(problems)))
    if problems and not report_only:
        fail("%d objects a screen reader cannot name" % len(problems))
    return 0


if __name__ == "__main__":
    sys.exit(main())
