#!/usr/bin/env python3
"""Opening and pasting: files that are no picture are refused with a warning that says why and
leave no window behind, several files open in windows of their own and placed on the screen, an
open document is found again, and a pasted picture is a document that can be saved and undone.

Usage: test_scenario_open.py DRAWLUME DRAWLUME_RENDER [unittest options]
"""

import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.dont_write_bytecode = True  # no __pycache__ in the source tree

from scenario import (SCREEN, STEP, ScenarioFailure, ScenarioTest, decode_png,
                      geometry_setting, jpeg_from_png, main, png_bytes, png_header_only,
                      read_document, read_file, wait_for, write_file)


def photo_pixel(x, y):
    return (40 + (x * 3) % 160, 110 + (y * 2) % 120, 50)


def pasted_pixel(x, y):
    return (250 - (y % 20), (x * 3) % 30, 240 - (x % 25))


def magenta(r, g, b):
    return r > 200 and g < 60 and b > 190


class OpenScenario(ScenarioTest):

    def check_refusal(self, photo_window, path, reason, what):
        """File > Open of path: a warning naming the file and the reason (a regular expression),
        above the control window, and no new window."""
        desk = self.desk
        before = desk.document_titles()
        desk.activate(photo_window)
        desk.key("ctrl+o")
        desk.choose_file("Open File", path)
        try:
            box = desk.wait_message_box()
        except ScenarioFailure as failure:
            self.expect(False, "%s: %s" % (what, failure))
            return
        self.expect(desk.above(box, desk.control_window()),
                    "%s: the message is below the Filter Parameters window" % what)
        icon = desk.icon_kind(box)
        self.expect(icon == "warning", "%s: the message shows a %s icon" % (what, icon))
        text = desk.read_text(box)
        self.expect(os.path.basename(path) in re.sub(r"\s", "", text),
                    "%s: the message does not name the file: %r" % (what, text))
        self.expect(re.search(reason, text, re.IGNORECASE),
                    "%s: the message does not say why (%s): %r" % (what, reason, text))
        desk.activate(box)
        desk.key("Return")
        wait_for(lambda: box not in desk.client_windows(), STEP, "the message to close")
        try:
            desk.wait_titles(lambda titles: sorted(
                t for t in titles if desk.DOCUMENT_TITLE.fullmatch(t)) == before, STEP)
        except ScenarioFailure:
            self.expect(False, "%s left the windows %s (before: %s)"
                        % (what, desk.document_titles(), before))

    def test_failed_opens_say_why_and_leave_no_window(self):
        with self.desktop() as desk:
            photo = write_file(desk.path("photo.png"), png_bytes(320, 240, photo_pixel))
            text = write_file(desk.path("notes.txt"), b"These are notes, not a picture.\n" * 20)
            empty = write_file(desk.path("blank.jpg"), b"")
            huge = write_file(desk.path("huge.png"), png_header_only(30000, 30000))
            source = write_file(desk.path("whole.png"), png_bytes(400, 300, photo_pixel))
            whole = desk.path("whole.jpg")
            jpeg_from_png(source, whole, 90)
            whole_bytes = read_file(whole)
            cut = write_file(desk.path("cut.jpg"), whole_bytes[:len(whole_bytes) * 3 // 5])

            app = desk.start(photo)
            window = desk.wait_window("photo - Drawlume")
            desk.control_window()
            self.check_refusal(window, text, r"not a picture|no picture|not an image",
                               "a text file")
            self.check_refusal(window, empty, r"empty", "an empty file")
            self.check_refusal(window, huge, r"30000.*(large|big|limit)|"
                               r"(large|big|limit).*30000", "a 30000 x 30000 picture")

            # A JPEG cut short opens, with a warning that it is incomplete.
            desk.activate(window)
            desk.key("ctrl+o")
            desk.choose_file("Open File", cut)
            self.expect_window(re.compile(r"cut - Drawlume\*?"), "the JPEG cut short")
            try:
                box = desk.wait_message_box()
                self.expect(re.search(r"incomplete", desk.read_text(box), re.IGNORECASE),
                            "the JPEG cut short: the message does not say it is incomplete")
                desk.activate(box)
                desk.key("Return")
            except ScenarioFailure:
                self.expect(False, "the JPEG cut short opens without a word")
            self.finish()
            app.kill()

    def test_several_files_and_an_open_document(self):
        with self.desktop() as desk:
            # A stored window geometry that lies partly off the screen.
            os.makedirs(os.path.dirname(desk.settings_path()), exist_ok=True)
            with open(desk.settings_path(), "w") as settings:
                settings.write("[General]\nauto_fit_to_width=true\nDLDocumentWindowGeometry=%s\n"
                               % geometry_setting((1300, 950, 802, 622), (1301, 970, 800, 600)))
            first = write_file(desk.path("first.png"), png_bytes(300, 200, photo_pixel))
            second = write_file(desk.path("second.png"), png_bytes(200, 300, pasted_pixel))
            third = write_file(desk.path("third.png"), png_bytes(240, 240, photo_pixel))
            fourth = write_file(desk.path("fourth.png"), png_bytes(180, 240, pasted_pixel))
            document = desk.path("kept.drawlume")
            desk.render(first, "--save-document", document)

            app = desk.start(first, second)
            first_window = desk.wait_window("first - Drawlume")
            self.expect_window("second - Drawlume", "the second file of the command line")
            desk.control_window()

            # Several files chosen in the Open dialog.
            desk.activate(first_window)
            desk.key("ctrl+o")
            chosen = desk.choose_file("Open File", '"%s" "%s"' % (third, fourth), required=False)
            self.expect(chosen, "the Open dialog does not take two files")
            if chosen:
                self.expect_window("third - Drawlume", "the first of two chosen files")
                self.expect_window("fourth - Drawlume", "the second of two chosen files")

            # Every window on the screen, none on top of another or of the control window.
            places = {}
            panel = desk.frame(desk.control_window())
            for window, title in desk.document_windows():
                x, y, width, height = desk.frame(window)
                self.expect(not desk.overlap((x, y, width, height), panel),
                            "%s %s covers the control window %s"
                            % (title, (x, y, width, height), panel))
                self.expect(x >= 0 and y >= 0 and x + width <= SCREEN[0] and
                            y + height <= SCREEN[1],
                            "%s lies partly off the screen: %s" % (title, (x, y, width, height)))
                places.setdefault((x, y), []).append(title)
            self.expect(all(len(titles) == 1 for titles in places.values()),
                        "windows lie at the same place: %s"
                        % [titles for titles in places.values() if len(titles) > 1])

            # The control window serves the document of the window activated last, whether the
            # window manager or a click on the title bar activated it.
            second_window = desk.find_windows("second - Drawlume")[0]
            desk.activate(first_window)
            desk.activate(desk.CONTROL)
            desk.key("Down")
            desk.wait_window("first - Drawlume*")
            desk.activate(second_window)
            x, y, _, _ = desk.frame(second_window)
            desk.x(["xdotool", "mousemove", str(x + 200), str(y + 8), "click", "1"])
            desk.activate(desk.CONTROL)
            desk.key("Down")
            self.expect_window("second - Drawlume*", "a change after the second window was "
                               "activated")

            # A changed document opened again: its window comes forward, no second one opens.
            desk.activate(first_window)
            desk.key("ctrl+o")
            desk.choose_file("Open File", document)
            kept = desk.wait_window("kept - Drawlume")
            desk.activate(kept)
            desk.activate(desk.CONTROL)
            desk.key("Down")
            desk.wait_window("kept - Drawlume*")
            desk.activate(first_window)
            desk.key("ctrl+o")
            desk.choose_file("Open File", document)
            same = re.compile(r"kept - Drawlume\*?")
            try:
                wait_for(lambda: desk.active_window() == kept or len(desk.find_windows(same)) > 1,
                         STEP, "the document's window to come forward")
            except ScenarioFailure:
                pass
            self.expect(len(desk.find_windows(same)) == 1,
                        "opening the changed document again gives the windows %s"
                        % desk.document_titles())
            self.expect(desk.active_window() == kept,
                        "opening the changed document again does not activate its window")
            self.finish()
            app.kill()

    def test_pasted_pictures_are_documents(self):
        with self.desktop() as desk:
            photo = write_file(desk.path("photo.png"), png_bytes(320, 240, photo_pixel))
            pasted = write_file(desk.path("clip.png"), png_bytes(120, 90, pasted_pixel))
            _, _, pasted_rgb = decode_png(read_file(pasted))
            app = desk.start(photo)
            photo_window = desk.wait_window("photo - Drawlume")
            desk.control_window()
            desk.set_clipboard_picture(pasted)

            # File > New, Ctrl+V: a changed, untitled document that asks before it closes.
            desk.activate(photo_window)
            desk.key("ctrl+n")
            untitled = desk.wait_window("Untitled")
            desk.activate(untitled)
            desk.key("ctrl+v")
            self.expect_window("Untitled*", "the pasted picture's window")
            desk.activate(untitled)
            desk.key("ctrl+w")
            try:
                question = desk.wait_window("Save", STEP)
                desk.answer_save_changes(question, "cancel")
                desk.wait_no_window("Save")
            except ScenarioFailure:
                self.expect(False, "closing the pasted picture's window does not ask")
                if untitled not in desk.client_windows():
                    desk.activate(photo_window)
                    desk.key("ctrl+n")
                    untitled = desk.wait_window("Untitled")
                    desk.activate(untitled)
                    desk.key("ctrl+v")

            # Saving it: the dialog, a name that is taken (by a folder), then a good one.
            desk.activate(untitled)
            desk.key("ctrl+s")
            chooser = self.expect_window("Save File", "Ctrl+S of the pasted picture")
            if chooser:
                self.expect(desk.above(chooser, desk.control_window()),
                            "the Save File dialog is below the Filter Parameters window")
                os.mkdir(desk.path("taken.drawlume"))
                desk.choose_file("Save File", desk.path("taken"))
                question = desk.wait_message_box()
                self.expect(desk.above(question, desk.control_window()),
                            "the question to replace taken.drawlume is below the Filter "
                            "Parameters window")
                desk.activate(question)
                desk.key("alt+y")
                box = desk.wait_message_box(exclude=(question,))
                self.expect(desk.above(box, desk.control_window()),
                            "the message of a failed save is below the Filter Parameters window")
                desk.activate(box)
                desk.key("Return")
                wait_for(lambda: box not in desk.client_windows(), STEP, "the message to close")
                # Still untitled: Save asks for a name again.
                desk.activate(untitled)
                desk.key("ctrl+s")
                asked = wait_for(lambda: desk.dialogs(), STEP, "Save to answer")[0]
                if not self.expect(asked[1] == "Save File",
                                   "after a failed save, Ctrl+S on the untitled document shows "
                                   "%r (%s) instead of asking for a name"
                                   % (asked[1], desk.read_text(asked[0]))):
                    desk.activate(asked[0])
                    desk.key("Return")
                    wait_for(lambda: asked[0] not in desk.client_windows(), STEP,
                             "the message to close")
                    desk.activate(untitled)
                    desk.key("alt+f", "a")  # File > Save As...
                saved = desk.path("pasted.drawlume")
                desk.choose_file("Save File", saved)
                try:
                    wait_for(lambda: os.path.exists(saved) or desk.dialogs(), STEP,
                             "the document or a message")
                except ScenarioFailure:
                    pass
                self.expect(os.path.exists(saved), "the pasted picture was not saved (%s)"
                            % [t for _, t in desk.dialogs()])
                for box, _ in desk.dialogs():
                    desk.activate(box)
                    desk.key("Return")
                if os.path.exists(saved):
                    picture, name, _ = read_document(saved)
                    self.expect(picture[:4] == b"\x89PNG" and name.lower().endswith(".png"),
                                "the pasted picture is stored as %r, not as PNG" % name)
                    if picture[:4] == b"\x89PNG":
                        self.expect(decode_png(picture) == (120, 90, pasted_rgb),
                                    "the stored picture differs from the pasted one")
                    self.expect_window("pasted - Drawlume", "the saved picture's title")

            # Pasting over a changed photo is one step that undo takes back.
            desk.activate(photo_window)
            desk.activate(desk.CONTROL)
            desk.key("Down")
            desk.wait_window("photo - Drawlume*")
            desk.set_clipboard_picture(pasted)
            desk.activate(photo_window)
            desk.key("ctrl+v")
            # Shown at its own size (a fitted picture is never enlarged): about 2 % of the window.
            wait_for(lambda: desk.color_share(photo_window, magenta) > 0.015, STEP,
                     "the pasted picture in the photo's window")
            desk.activate(photo_window)
            desk.key("ctrl+z")
            try:
                wait_for(lambda: desk.color_share(photo_window, magenta) < 0.003, STEP,
                         "the photo to come back")
            except ScenarioFailure:
                self.expect(False, "Ctrl+Z after pasting over the photo does not bring it back")
            self.expect(desk.title(photo_window) == "photo - Drawlume*",
                        "after undoing the paste the window is titled %r (the filter change "
                        "should remain)" % desk.title(photo_window))
            desk.key("ctrl+z")
            self.expect_window("photo - Drawlume", "the second Ctrl+Z")
            self.finish()
            app.kill()

    def test_at_double_scale_the_windows_fit_beside_each_other(self):
        with self.desktop() as desk:
            photo = write_file(desk.path("photo.png"), png_bytes(300, 200, photo_pixel))
            app = desk.start(photo, scale=2)
            window = desk.wait_window("photo - Drawlume")
            control = desk.control_window()
            # The whole panel shows without scrolling: its last row too.
            try:
                reading = wait_for(lambda: (lambda t: t if "Texturize" in t else None)(
                    desk.read_text(control)), STEP, "the panel's last row")
            except ScenarioFailure:
                reading = desk.read_text(control)
                self.expect(False, "at scale 2 the control window reads: %s" % reading)
            panel = desk.frame(control)
            self.expect(panel[1] >= 0 and panel[1] + panel[3] <= SCREEN[1],
                        "at scale 2 the control window lies off the screen: %s" % (panel,))
            desk.activate(window)
            desk.key("ctrl+n")
            untitled = desk.wait_window("Untitled")
            self.expect(not desk.overlap(desk.frame(untitled), panel),
                        "at scale 2 the new window %s covers the control window %s"
                        % (desk.frame(untitled), panel))
            desk.activate(untitled)
            desk.key("ctrl+w")
            desk.wait_no_window("Untitled")
            desk.activate(window)
            desk.key("ctrl+w")
            self.expect_clean_exit(app, "closing the photo at scale 2")
            self.finish()


if __name__ == "__main__":
    main()
