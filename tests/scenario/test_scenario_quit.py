#!/usr/bin/env python3
"""Ending the program: every way of closing the last document window ends the process with exit
code 0 and stores the recent files and the window's geometry; the questions asked on the way come
up above the "Filter Parameters" window; the shortcuts work from that window too.

Usage: test_scenario_quit.py DRAWLUME DRAWLUME_RENDER [unittest options]
"""

import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.dont_write_bytecode = True  # no __pycache__ in the source tree

from scenario import (STEP, ScenarioTest, main, png_bytes, read_document, settings_list,
                      stored_geometry, write_file, picture_format)


def photo_pixel(x, y):
    return (40 + (x * 3) % 160, 90 + (y * 2) % 120, 60)


class QuitScenario(ScenarioTest):

    def change_filter(self, document_title):
        """Chooses the next filter in the control window's drop-down; the document's title gets
        its "*"."""
        desk = self.desk
        desk.activate(desk.CONTROL)
        desk.key("Down")
        desk.wait_window(document_title + "*")

    def close_changed_photo(self, photo, size, keys):
        """Starts the program on photo, gives its window size, changes the filter and presses
        keys (a way of closing) in the window; returns the program and the save question."""
        desk = self.desk
        app = desk.start(photo)
        window = desk.wait_window("photo - Drawlume")
        desk.control_window()
        desk.x(["xdotool", "windowsize", str(window), str(size[0]), str(size[1])])
        desk.wait_for_geometry(window, size)
        self.change_filter("photo - Drawlume")
        desk.activate(window)
        desk.key(keys)
        return app, desk.wait_window("Save", STEP)

    def check_stored(self, desk, size, recent=None, when=""):
        stored = desk.settings()
        geometry = stored_geometry(stored.get("DLDocumentWindowGeometry"))
        self.expect(geometry is not None and geometry[2:] == size,
                    "%s: the stored window geometry is %s, not the last window's size %s"
                    % (when, geometry, size))
        self.expect("DLDocumentWindowState" in stored,
                    "%s: no window state stored" % when)
        if recent:
            files = settings_list(stored.get("recent_files"))
            self.expect(recent in files, "%s: recent_files %s lacks %s" % (when, files, recent))

    def test_help_and_version_answer_without_a_display(self):
        environment = dict(os.environ)
        environment.pop("DISPLAY", None)
        environment.pop("WAYLAND_DISPLAY", None)
        render_version = subprocess.run([self.render, "--version"], capture_output=True,
                                        text=True, timeout=30).stdout.split()[-1]
        for argument, expected in (("--version", "drawlume %s\n" % render_version),
                                   ("-v", "drawlume %s\n" % render_version),
                                   ("--help", "Usage: drawlume [FILE...]"),
                                   ("-h", "--version")):
            run = subprocess.run([self.drawlume, argument], capture_output=True, text=True,
                                 env=environment, timeout=30)
            self.assertEqual(run.returncode, 0, "drawlume %s: %s" % (argument, run.stderr))
            self.assertIn(expected, run.stdout, "drawlume %s" % argument)
            self.assertEqual(run.stderr, "", "drawlume %s" % argument)

    def test_closing_the_last_window_ends_the_program(self):
        with self.desktop() as desk:
            photo = write_file(desk.path("photo.png"), png_bytes(320, 240, photo_pixel))

            # 1. File > Open into the empty window, a filter change, Ctrl+W, "Don't Save".
            app = desk.start()
            window = desk.wait_window("Untitled")
            desk.activate(window)
            desk.key("ctrl+o")
            desk.choose_file("Open File", photo)
            desk.wait_window("photo - Drawlume")
            desk.control_window()
            menu_bar = desk.geometry(window)[:2] + (desk.geometry(window)[2], 30)
            self.expect(desk.overlap(menu_bar, desk.geometry(desk.control_window())) == 0,
                        "the Filter Parameters window %s covers the document window's menu bar %s"
                        % (desk.geometry(desk.control_window()), menu_bar))
            desk.x(["xdotool", "windowsize", str(window), "900", "650"])
            desk.wait_for_geometry(window, (900, 650))
            self.change_filter("photo - Drawlume")
            desk.activate(window)
            desk.key("ctrl+w")
            question = desk.wait_window("Save", STEP)
            self.expect(desk.above(question, desk.control_window()),
                        "the Save question is below the Filter Parameters window")
            desk.answer_save_changes(question, "discard")
            if self.expect_clean_exit(app, "Don't Save on the last window"):
                self.check_stored(desk, (900, 650), photo, "after Ctrl+W and Don't Save")

            # 2. Ctrl+Q on a changed photo, "Save...", a document name.
            app, question = self.close_changed_photo(photo, (860, 620), "ctrl+q")
            desk.answer_save_changes(question, "save")
            chooser = desk.wait_window("Save File", STEP)
            self.expect(desk.above(chooser, desk.control_window()),
                        "the Save File dialog is below the Filter Parameters window")
            saved = desk.path("kept.drawlume")
            desk.choose_file("Save File", saved)
            ended = self.expect_clean_exit(app, "Save... on the last window")
            self.expect(os.path.exists(saved), "Save... wrote no %s" % saved)
            if os.path.exists(saved):
                picture, _, _ = read_document(saved)
                self.expect(picture_format(picture) in ("png", "jpeg"),
                            "the saved document holds no picture")
            if ended:
                self.check_stored(desk, (860, 620), when="after Ctrl+Q and Save...")

            # 3. The window manager's close (the close box, Alt+F4), "Don't Save".
            app, question = self.close_changed_photo(photo, (820, 640), "alt+F4")
            desk.answer_save_changes(question, "discard")
            if self.expect_clean_exit(app, "the close box and Don't Save"):
                self.check_stored(desk, (820, 640), when="after the close box")
            self.finish()

    def test_shortcuts_from_the_control_window(self):
        with self.desktop() as desk:
            photo = write_file(desk.path("photo.png"), png_bytes(320, 240, photo_pixel))
            app = desk.start(photo)
            window = desk.wait_window("photo - Drawlume")
            desk.control_window()

            # Undo and redo of a filter change, from the control window.
            self.change_filter("photo - Drawlume")
            desk.activate(desk.CONTROL)
            desk.key("ctrl+z")
            self.expect_window("photo - Drawlume", "Ctrl+Z in the control window")
            desk.activate(desk.CONTROL)
            desk.key("ctrl+y")
            self.expect_window("photo - Drawlume*", "Ctrl+Y in the control window")

            # Ctrl+O and Ctrl+N there act as in the document window.
            desk.activate(desk.CONTROL)
            desk.key("ctrl+o")
            chooser = self.expect_window("Open File", "Ctrl+O in the control window")
            if chooser:
                desk.activate(chooser)
                desk.key("Escape")
                desk.wait_no_window("Open File")
            desk.activate(desk.CONTROL)
            desk.key("ctrl+n")
            untitled = self.expect_window("Untitled", "Ctrl+N in the control window")
            if untitled:
                desk.activate(untitled)
                desk.key("ctrl+w")
                desk.wait_no_window("Untitled")

            # Ctrl+S there saves the current document.
            desk.activate(window)
            desk.activate(desk.CONTROL)
            desk.key("ctrl+s")
            saved = desk.path("photo.drawlume")
            if self.expect_window("Save File", "Ctrl+S in the control window"):
                desk.choose_file("Save File", saved)
                self.expect_window("photo - Drawlume", "the saved document's title")
                self.expect(os.path.exists(saved), "Ctrl+S in the control window wrote nothing")

            # Ctrl+W there closes the current document: the last one, so the program ends.
            desk.activate(desk.CONTROL)
            desk.key("ctrl+w")
            try:
                desk.wait_no_window(desk.DOCUMENT_TITLE, STEP)
                closed = True
            except AssertionError:
                closed = self.expect(False, "Ctrl+W in the control window left %s open"
                                     % desk.document_titles())
            if closed:
                self.expect_clean_exit(app, "Ctrl+W in the control window")
            self.finish()


if __name__ == "__main__":
    main()
