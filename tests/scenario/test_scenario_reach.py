#!/usr/bin/env python3
"""The program as a person without a mouse or with a screen reader meets it: the accessibility
tree read over AT-SPI names every control a person can use, the panel's rows by their labels and
the preview by its filter; Tab pressed again and again in the "Filter Parameters" window reaches
every slider of the panel; F6 goes there from the document and back; and a whole run (start,
preview, process, export, quit) from the keyboard alone writes nothing on the terminal.

Needs python3-pyatspi, at-spi2-core and dbus (tools/install_dependencies.sh installs them); exits
with 77 (skipped) when they are missing. The run has a session bus of its own (dbus-run-session)
and an accessibility bus on it (at-spi-bus-launcher).

Usage: test_scenario_reach.py DRAWLUME DRAWLUME_RENDER [unittest options]
"""

import os
import shutil
import subprocess
import sys

sys.dont_write_bytecode = True  # no __pycache__ in the source tree

SKIPPED = 77
BUS_LAUNCHER = next((path for path in ("/usr/libexec/at-spi-bus-launcher",
                                       "/usr/lib/at-spi2-core/at-spi-bus-launcher")
                     if os.path.exists(path)), None)

import atexit
import importlib.util
import time

if importlib.util.find_spec("pyatspi") is None:
    # A Python of its own (pyenv, a virtual environment) may lack the system's modules.
    if os.path.exists("/usr/bin/python3") and os.path.realpath(sys.executable) != \
            os.path.realpath("/usr/bin/python3") and not os.environ.get("REACH_SYSTEM_PYTHON"):
        os.environ["REACH_SYSTEM_PYTHON"] = "1"
        os.execv("/usr/bin/python3", ["/usr/bin/python3"] + sys.argv)
    print("skipped: python3-pyatspi is not installed", file=sys.stderr)
    sys.exit(SKIPPED)

if not BUS_LAUNCHER or not shutil.which("dbus-run-session") or not shutil.which("dbus-send"):
    print("skipped: at-spi2-core or dbus is not installed", file=sys.stderr)
    sys.exit(SKIPPED)

# A session bus of this run's own, which the accessibility bus and the program share.
if not os.environ.get("REACH_SESSION_BUS"):
    os.environ["REACH_SESSION_BUS"] = "1"
    os.execvp("dbus-run-session", ["dbus-run-session", "--", sys.executable] + sys.argv)


def start_accessibility_bus():
    """Starts the accessibility bus on this run's session bus and waits until it is there: the
    test and the program must find the same one."""
    environment = dict(os.environ)
    environment.pop("DISPLAY", None)
    launcher = subprocess.Popen([BUS_LAUNCHER, "--launch-immediately"], env=environment,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    atexit.register(lambda: launcher.poll() is None and launcher.terminate())
    deadline = time.monotonic() + 30
    while time.monotonic() < deadline:
        answer = subprocess.run(
            ["dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus",
             "/org/freedesktop/DBus", "org.freedesktop.DBus.NameHasOwner",
             "string:org.a11y.Bus"], capture_output=True, text=True)
        if "boolean true" in answer.stdout:
            return
        time.sleep(0.1)
    print("skipped: the accessibility bus did not start", file=sys.stderr)
    sys.exit(SKIPPED)


start_accessibility_bus()
import pyatspi  # noqa: E402 (only once the accessibility bus runs)

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from scenario import (STEP, TIMEOUT, Desktop, ScenarioFailure, ScenarioTest, main, png_bytes,
                      wait_for, write_file)

# The roles of what a person operates.
INTERACTIVE = {pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_SLIDER, pyatspi.ROLE_SPIN_BUTTON,
               pyatspi.ROLE_TEXT, pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_CHECK_BOX,
               pyatspi.ROLE_MENU_ITEM, pyatspi.ROLE_CHECK_MENU_ITEM, pyatspi.ROLE_TOGGLE_BUTTON}
# The rows of the Pencil panel, as its labels say.
PENCIL_SLIDERS = {"Contour", "Shading", "Stroke", "Brightness"}


def photo_pixel(x, y):
    return (60 + (x * 5) % 150, 80 + (y * 3) % 140, 90 + ((x + y) * 2) % 100)


class ReachDesktop(Desktop):
    """A desktop whose program talks to the accessibility bus of this run."""

    def program_env(self):
        env = super().program_env()
        env["DBUS_SESSION_BUS_ADDRESS"] = os.environ["DBUS_SESSION_BUS_ADDRESS"]
        env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
        env["QT_ACCESSIBILITY"] = "1"
        return env


def application():
    """The program's node in the accessibility tree, or None."""
    desktop = pyatspi.Registry.getDesktop(0)
    for index in range(desktop.childCount):
        child = desktop.getChildAtIndex(index)
        if child is not None and (child.name or "").lower() == "drawlume":
            return child
    return None


def showing(node):
    try:
        return node.getState().contains(pyatspi.STATE_SHOWING)
    except Exception:
        return False


def walk(node, found=None):
    """Every showing node under node: (node, role, name, description)."""
    if found is None:
        found = []
    for index in range(node.childCount):
        child = node.getChildAtIndex(index)
        if child is None or not showing(child):
            continue
        found.append((child, child.getRole(), child.name or "", child.description or ""))
        walk(child, found)
    return found


def window_named(app, title):
    for index in range(app.childCount):
        child = app.getChildAtIndex(index)
        if child is not None and child.name == title:
            return child
    return None


def focused(node):
    """(role, name) of the object with the keyboard focus under node, or None."""
    for child, role, name, _ in walk(node):
        if child.getState().contains(pyatspi.STATE_FOCUSED):
            return role, name
    return None


class ReachScenario(ScenarioTest):

    def desktop(self):
        self.desk = ReachDesktop(self.drawlume, self.render, self.id().rsplit(".", 1)[-1])
        return self.desk

    def start_on_photo(self, desk):
        photo = write_file(desk.path("photo.png"), png_bytes(360, 260, photo_pixel))
        app = desk.start(photo)
        window = desk.wait_window("photo - Drawlume")
        control = desk.control_window()
        tree = wait_for(lambda: (lambda a: a if a and window_named(a, desk.CONTROL) else None)(
            application()), TIMEOUT, "the program in the accessibility tree")
        return app, window, control, tree

    def test_screen_readers_hear_named_controls(self):
        with self.desktop() as desk:
            app, window, control, tree = self.start_on_photo(desk)
            panel = window_named(tree, desk.CONTROL)
            # The preview is named once it shows the photograph.
            wait_for(lambda: any(name == "Preview of Pencil" for _, _, name, _ in walk(panel)),
                     STEP, "the preview named after its filter")
            nodes = walk(tree)
            unnamed = ["%s in %s" % (pyatspi.Accessible.getRoleName(node), node.parent.name)
                       for node, role, name, _ in nodes if role in INTERACTIVE and not name]
            self.expect(not unnamed, "controls without a name: %s" % unnamed)
            self.expect(sum(1 for _, role, _, _ in nodes if role in INTERACTIVE) >= 15,
                        "fewer controls than the windows show: %d"
                        % sum(1 for _, role, _, _ in nodes if role in INTERACTIVE))

            # The Pencil panel's rows by their labels: sliders and their number fields, with
            # the range in the description.
            rows = walk(panel)
            sliders = {name: description for _, role, name, description in rows
                       if role == pyatspi.ROLE_SLIDER}
            fields = {name for _, role, name, _ in rows if role == pyatspi.ROLE_TEXT}
            self.expect(PENCIL_SLIDERS <= set(sliders),
                        "the Pencil sliders are %s, not named %s" % (sorted(sliders),
                                                                    sorted(PENCIL_SLIDERS)))
            self.expect(PENCIL_SLIDERS <= fields,
                        "the number fields are named %s" % sorted(fields))
            self.expect(sliders.get("Brightness") == "Brightness, -100 to 100",
                        "the Brightness slider is described as %r" % sliders.get("Brightness"))
            names = {name for _, role, name, _ in rows if role == pyatspi.ROLE_COMBO_BOX}
            self.expect(names, "no drop-down list in the control window")
            buttons = {name for _, role, name, _ in rows if role == pyatspi.ROLE_PUSH_BUTTON}
            self.expect({"Process", "Save as Preset..."} <= buttons,
                        "the buttons are named %s" % sorted(buttons))
            desk.activate(window)
            desk.key("ctrl+q")
            self.expect_clean_exit(app, "Ctrl+Q")
            self.finish()

    def test_tab_reaches_every_slider_and_f6_switches_windows(self):
        with self.desktop() as desk:
            app, window, control, tree = self.start_on_photo(desk)
            panel = window_named(tree, desk.CONTROL)
            # F6 in the document window: the control window takes the keyboard.
            desk.activate(window)
            desk.key("F6")
            wait_for(lambda: desk.active_window() == control, STEP,
                     "F6 to bring the control window to the front")
            reached = []
            for _ in range(40):
                desk.key("Tab")
                now = wait_for(lambda: focused(panel), STEP, "a focused control")
                reached.append(now)
            sliders = {name for role, name in reached if role == pyatspi.ROLE_SLIDER}
            self.expect(PENCIL_SLIDERS <= sliders,
                        "Tab reached the sliders %s, not all of %s"
                        % (sorted(sliders), sorted(PENCIL_SLIDERS)))
            roles = {role for role, _ in reached}
            for role in (pyatspi.ROLE_TEXT, pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_PUSH_BUTTON,
                         pyatspi.ROLE_CHECK_BOX):
                self.expect(role in roles, "Tab never reached a %s" % role)
            # Back to the document with F6.
            desk.key("F6")
            wait_for(lambda: desk.active_window() == window, STEP, "F6 back to the document")
            desk.key("ctrl+q")
            self.expect_clean_exit(app, "Ctrl+Q")
            self.finish()

    def test_a_keyboard_run_writes_nothing_on_the_terminal(self):
        with self.desktop() as desk:
            app, window, control, tree = self.start_on_photo(desk)
            panel = window_named(tree, desk.CONTROL)
            # Preview: a setting changed from the keyboard (Tab to the first slider, Right).
            desk.activate(window)
            desk.key("F6")
            wait_for(lambda: desk.active_window() == control, STEP, "the control window")
            for _ in range(40):
                desk.key("Tab")
                now = wait_for(lambda: focused(panel), STEP, "a focused control")
                if now[0] == pyatspi.ROLE_SLIDER and now[1] in PENCIL_SLIDERS:
                    break
            desk.key("Right")
            desk.wait_window("photo - Drawlume*", STEP)
            # Process (Ctrl+R), export, quit without saving.
            desk.activate(window)
            desk.key("ctrl+r")
            exported = desk.path("exported.jpg")
            desk.export(window, exported)
            desk.activate(window)
            desk.key("ctrl+q")
            question = self.expect_window("Save", "no save question on quitting")
            if question:
                desk.answer_save_changes(question, "discard")
            self.expect_clean_exit(app, "Ctrl+Q")
            log = app.log()
            self.expect(log == "", "the program wrote on the terminal:\n%s" % log[-2000:])
            self.finish()


if __name__ == "__main__":
    main()
