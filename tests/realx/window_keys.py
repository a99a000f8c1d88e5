"""Real key events to the window program under Xvfb and openbox (see realx.py).

usage: window_keys.py PATH-TO-ezr menubar|list|sheet
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import realx  # noqa: E402
from realx import describe, fail, find, focused, wait_for  # noqa: E402


def open_menus(session, app):
    """F1 and Return on "О программе": the menus open, as a new user starts."""
    session.keys("F1", "Return")
    wait_for("the menu bar's entries after F1 and Return",
             lambda: find(app, name="Индивид"))


def showing(app, name):
    return lambda: find(app, name=name)


def gone(app, name):
    return lambda: find(app, name=name) is None


def check_running(session, after):
    if not session.running():
        fail("the program ended after " + after)


def menubar(session):
    """A lone Alt and F10 give the bar the keyboard; Alt with the Latin key on the place of
    a menu's Russian letter opens it, and a Latin key chooses inside the menu."""
    import pyatspi
    app = realx.application()
    open_menus(session, app)

    session.keys("alt", "Right", "Down")
    wait_for("Alt alone, Right, Down: the menu «Группа» open",
             showing(app, "Выбрать нормирование"))
    session.keys("Escape", "Escape")
    wait_for("Esc twice: the menu closed", gone(app, "Выбрать нормирование"))
    check_running(session, "Esc left the menu bar")

    session.keys("F10", "Right")
    wait_for("F10, Right: the menu «Группа» open", showing(app, "Выбрать нормирование"))
    session.keys("Right")
    wait_for("Right: the menu «Бланк» open", showing(app, "Новый бланк"))
    session.keys("Escape", "Escape")
    wait_for("Esc twice: the menu closed", gone(app, "Новый бланк"))
    check_running(session, "Esc left the menu bar")

    # The Latin layout: Б lies on the comma key, Н on Y.
    session.keys("alt+comma")
    wait_for("Alt+, (Б under the Latin layout): the menu «Бланк» open",
             showing(app, "Новый бланк"))
    session.keys("y")
    wait_for("y (Н under the Latin layout): «Новый бланк» chosen",
                     lambda: find(app, role=pyatspi.ROLE_DIALOG, name="Бланк ответов"))
    session.keys("Escape")
    wait_for("Esc: the sheet closed", gone(app, "Бланк ответов"))
    check_running(session, "the sheet closed")
    print("menubar: Alt, F10, Alt+Latin and a Latin key in a menu reach the commands")


def focus_name(app):
    node = focused(app)
    return realx.label_of(node) if node is not None else None


def list_by_keyboard(session):
    """Tab goes round every control of the list and leaves the table; Down from the search
    enters the table; Shift+Down selects and the status counts it; the sort chooser orders
    the rows; Ctrl+End keeps the file column in view."""
    import pyatspi
    app = realx.application()
    open_menus(session, app)
    session.keys("ctrl+l")
    wait_for("Ctrl+L: the list of examinees", showing(app, "Обследуемые"))
    table = wait_for("the list's table", lambda: find(app, role=pyatspi.ROLE_TABLE))
    wait_for("the folder listed", lambda: table.childCount > 0 and
             "чтение" not in (find(app, role=pyatspi.ROLE_LABEL, name=None) or table).name)

    start = wait_for("a control with the focus", lambda: focused(app))
    seen = [describe(start)]
    for _ in range(30):
        session.keys("Tab", pause=0.25)
        now = focused(app)
        if now is None:
            fail("Tab left no control with the focus after " + " → ".join(seen))
        if now.name == start.name and now.getRole() == start.getRole():
            break
        seen.append(describe(now))
    else:
        fail("Tab does not come round within 30 presses: " + " → ".join(seen))
    print("Tab order:", " → ".join(seen))
    for wanted in ("Обследуемые", "Сортировать", "Анализ выбранных", "Дата теста с", "по"):
        if not any("«%s»" % wanted in entry for entry in seen):
            fail("Tab never reaches «%s»: %s" % (wanted, " → ".join(seen)))
    session.keys("shift+Tab", pause=0.25)
    if describe(focused(app)) != seen[-1]:
        fail("Shift+Tab from %s reaches %s, not %s"
             % (seen[0], describe(focused(app)), seen[-1]))
    session.keys("Tab")

    # From the search box down into the table; two more rows with Shift+Down.
    session.keys("alt+b")  # И of "Поиск" under the Latin layout
    wait_for("Alt+B: the search box", lambda: focus_name(app) == "Поиск")
    session.keys("Down")
    wait_for("Down from the search box: the table", lambda: (
        focused(app) is not None and focused(app).getRole() in
        (pyatspi.ROLE_TABLE, pyatspi.ROLE_TABLE_CELL)))
    session.keys("shift+Down", "shift+Down")
    wait_for("Shift+Down twice: «Выбрано: 3» in the status",
             lambda: any("Выбрано: 3" in node.name for node in realx.walk(app)
                         if node.getRole() == pyatspi.ROLE_LABEL))

    # The sort chooser: files from the last to the first.
    files = sorted(name for name in os.listdir(session.data) if name.lower().endswith(".cry"))
    session.keys("alt+c")  # С of "Сортировать"
    wait_for("Alt+C: the sort chooser", lambda: focus_name(app) == "Сортировать")
    session.keys("Down")
    cells = table.queryTable()
    wait_for("«Файл, по убыванию»: %s first" % files[-1],
             lambda: cells.getAccessibleAt(0, 0).name == files[-1])

    # Ctrl+End: the last row, its file still in view.
    session.keys("alt+b", "Down", "ctrl+End")
    last = cells.nRows - 1
    wait_for("Ctrl+End: the last row's file in view", lambda: realx.states(
        cells.getAccessibleAt(last, 0)).contains(pyatspi.STATE_SHOWING))
    session.keys("Escape")
    wait_for("Esc: the list closed", gone(app, "Сортировать"))
    check_running(session, "the list closed")
    print("list: Tab cycles, Down enters the table, the selection is counted, sorting "
          "and Ctrl+End work from the keyboard")


def sheet(session):
    """The answer sheet: its labels' letters (Russian and Latin), Ctrl+E inside it, a name
    typed without ".cry" and one that is not there."""
    import pyatspi
    app = realx.application()
    open_menus(session, app)
    session.keys("ctrl+n")
    wait_for("Ctrl+N: the answer sheet",
             lambda: find(app, role=pyatspi.ROLE_DIALOG, name="Бланк ответов"))
    for key, field in (("alt+g", "Пол"), ("alt+j", "Образование"), ("alt+h", "Дата рождения"),
                       ("alt+r", "Код")):
        session.keys(key)
        wait_for("%s: the field «%s»" % (key, field), lambda: focus_name(app) == field)

    session.keys("ctrl+e")
    wait_for("Ctrl+E in the sheet: the open dialog",
             lambda: find(app, name="Открыть бланк для исправления"))
    session.type("999")
    session.keys("Return")
    wait_for("a missing file: a Russian message",
             lambda: any("не найден" in (node.name or "") for node in realx.walk(app)))
    session.keys("Return")
    wait_for("the message closed, the open dialog still there",
             lambda: find(app, name="Открыть бланк для исправления") and not any(
                 "не найден" in (node.name or "") for node in realx.walk(app)))
    stem = sorted(name for name in os.listdir(session.data) if name.endswith(".cry"))[0][:-4]
    session.keys("ctrl+a")
    session.type(stem)
    session.keys("Return")
    wait_for("«%s» without .cry: the sheet of %s.cry opened" % (stem, stem),
             lambda: any(node.getRole() == pyatspi.ROLE_LABEL and
                         "Открыт файл" in node.name and stem + ".cry" in node.name
                         for node in realx.walk(app)))
    session.keys("Escape")
    wait_for("Esc: the sheet closed", gone(app, "Бланк ответов"))
    check_running(session, "the sheet closed")
    print("sheet: mnemonics, Ctrl+E, a missing file and a name without .cry")


SCENARIOS = {"menubar": menubar, "list": list_by_keyboard, "sheet": sheet}


def main():
    if len(sys.argv) != 3 or sys.argv[2] not in SCENARIOS:
        print(__doc__)
        return 2
    realx.in_own_bus()
    try:
        import pyatspi  # noqa: F401
    except ImportError:
        fail("python3-pyatspi is missing (tools/setup.sh --test installs it)")
    with realx.Session(sys.argv[1]) as session:
        SCENARIOS[sys.argv[2]](session)
    return 0


if __name__ == "__main__":
    sys.exit(main())
