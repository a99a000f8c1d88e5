"""The window under a real X server: Xvfb with the openbox window manager, keys sent by
xdotool as a keyboard would send them, what the window shows read back through the
accessibility bus (AT-SPI), as a screen reader reads it.

Offscreen tests hand events straight to the widgets; here every key goes through the X
server, the window manager's focus and Qt's own key handling, where the menu bar's lone Alt
and F10 used to get lost.
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time

SKIP = 77  # ctest's SKIP_RETURN_CODE


def skip(reason):
    print("SKIP: " + reason)
    sys.exit(SKIP)


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def in_own_bus():
    """Runs the calling script again under its own D-Bus session (the accessibility bus is
    started from it), unless this is already that run."""
    if os.environ.get("EZR_REALX_BUS") == "1":
        return
    if shutil.which("Xvfb") is None:
        skip("Xvfb is not installed (Debian package xvfb); the real-X window tests need it")
    for tool, package in (("xdotool", "xdotool"), ("openbox", "openbox"),
                          ("dbus-run-session", "dbus")):
        if shutil.which(tool) is None:
            fail("%s is missing: install the Debian package %s (tools/setup.sh --test)"
                 % (tool, package))
    env = dict(os.environ, EZR_REALX_BUS="1")
    result = subprocess.run(["dbus-run-session", "--", sys.executable] + sys.argv, env=env)
    sys.exit(result.returncode)


class Session:
    """Xvfb on a free display, openbox, and the program with its own data and settings."""

    def __init__(self, program, width=1366, height=768, arguments=(), environment=None):
        self.program = program
        self.home = tempfile.mkdtemp(prefix="ezr-realx-")
        self.processes = []
        read_end, write_end = os.pipe()
        # -displayfd: the server picks a free display number and writes it to the pipe.
        xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0",
             "%dx%dx24" % (width, height), "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.processes.append(xvfb)
        os.close(write_end)
        number = b""
        with os.fdopen(read_end, "rb") as pipe:
            number = pipe.readline().strip()
        if not number:
            self.close()
            fail("Xvfb did not start")
        self.display = ":" + number.decode()
        self.env = dict(os.environ, DISPLAY=self.display, HOME=self.home,
                        XDG_CONFIG_HOME=os.path.join(self.home, "config"),
                        XDG_RUNTIME_DIR=self.home,
                        QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                        QT_ACCESSIBILITY="1", LANG="ru_RU.UTF-8")
        self.env.pop("QT_QPA_PLATFORMTHEME", None)
        self.env.update(environment or {})
        self.processes.append(subprocess.Popen(
            ["openbox", "--sm-disable"], env=self.env,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        os.environ["DISPLAY"] = self.display
        self.data = os.path.join(self.home, "Data")
        results = os.path.join(self.home, "Results")
        shutil.copytree(os.path.join(os.path.dirname(program), "Data"), self.data)
        os.makedirs(results)
        time.sleep(0.5)
        # "{data}" in an argument stands for the session's data folder.
        arguments = [argument.replace("{data}", self.data) for argument in arguments]
        self.ezr = subprocess.Popen(
            [program, "--data", self.data, "--results", results] + arguments,
            env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        self.processes.append(self.ezr)
        self.app = None

    def close(self):
        for process in reversed(self.processes):
            if process.poll() is None:
                process.terminate()
                try:
                    process.wait(5)
                except subprocess.TimeoutExpired:
                    process.kill()
        shutil.rmtree(self.home, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.close()

    def keys(self, *names, pause=0.35):
        """Each key as the keyboard sends it: press and release through the X server."""
        for name in names:
            subprocess.run(["xdotool", "key", "--delay", "60", name], env=self.env, check=True)
            time.sleep(pause)

    def type(self, text):
        subprocess.run(["xdotool", "type", "--delay", "60", text], env=self.env, check=True)
        time.sleep(0.4)

    def running(self):
        return self.ezr.poll() is None

    def screenshot(self, path):
        subprocess.run(["import", "-display", self.display, "-window", "root", path],
                       env=self.env, check=False)


# ------------------------------------------------------------------------------------------
# The accessibility tree

def application(timeout=20):
    import pyatspi
    deadline = time.time() + timeout
    while time.time() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for index in range(desktop.childCount):
            child = desktop.getChildAtIndex(index)
            if child is not None and child.name == "ezr":
                return child
        time.sleep(0.3)
    fail("the program did not appear on the accessibility bus")


def walk(node, depth=0, limit=40):
    """Every object under `node`; a table's cells are left out (its rows can be many)."""
    import pyatspi
    yield node
    if depth >= limit:
        return
    try:
        role = node.getRole()
        count = node.childCount
    except Exception:
        return
    if role in (pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE_TABLE):
        return
    for index in range(count):
        try:
            child = node.getChildAtIndex(index)
        except Exception:
            continue
        if child is not None:
            yield from walk(child, depth + 1, limit)


def states(node):
    import pyatspi
    try:
        return node.getState()
    except Exception:
        return pyatspi.StateSet()


def focused(app):
    """The object that has the keyboard focus in the active window, or None."""
    import pyatspi
    for node in walk(app):
        if states(node).contains(pyatspi.STATE_FOCUSED):
            return node
    return None


def wait_for(what, condition, timeout=8):
    deadline = time.time() + timeout
    last = None
    while time.time() < deadline:
        last = condition()
        if last:
            return last
        time.sleep(0.25)
    fail("%s (waited %d s)" % (what, timeout))


def find(app, role=None, name=None, showing=True):
    import pyatspi
    for node in walk(app):
        try:
            if role is not None and node.getRole() != role:
                continue
            if name is not None and node.name != name:
                continue
        except Exception:
            continue
        if showing and not states(node).contains(pyatspi.STATE_SHOWING):
            continue
        return node
    return None


def label_of(node):
    """What a screen reader calls `node`: its label (the labelled-by relation, which Qt gives
    a chooser, whose own name is its value) or else its name."""
    import pyatspi
    try:
        for relation in node.getRelationSet():
            if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
                for index in range(relation.getNTargets()):
                    target = relation.getTarget(index)
                    if target is not None and target.name:
                        return target.name.replace("&", "")
        return node.name
    except Exception:
        return None


def describe(node):
    if node is None:
        return "nothing"
    try:
        return "%s «%s»" % (node.getRoleName(), label_of(node))
    except Exception:
        return "a vanished object"
