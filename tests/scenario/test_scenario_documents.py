#!/usr/bin/env python3
"""Documents kept as they were written: a document opened in any way shows and saves its stored
filter and settings, saving again keeps the photo's bytes, Export writes a file without renaming
the document, and a filter that only drawlume-render offers survives a save in the application.
A saved document is the newest recent file and opens from there as its artwork, with the preset
it was saved from; Export is there whenever a picture is.

Usage: test_scenario_documents.py DRAWLUME DRAWLUME_RENDER [unittest options]
"""

import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.dont_write_bytecode = True  # no __pycache__ in the source tree

from scenario import (STEP, ScenarioFailure, ScenarioTest, document_settings, file_stamp,
                      jpeg_from_png, main, png_bytes, read_document, read_file,
                      wait_for, wait_rewritten, write_file)


def photo_pixel(x, y):
    return (30 + (x * 5) % 200, 60 + (y * 3) % 150, 90 + ((x ^ y) % 40))


def other_pixel(x, y):
    return (200 - (x % 150), 40 + (y % 90), 160)


def make_jpeg(desk, name, width, height, quality=92):
    """A JPEG photo made by ImageMagick from a PNG the test writes."""
    source = write_file(desk.path(name + ".source.png"), png_bytes(width, height, photo_pixel))
    return jpeg_from_png(source, desk.path(name + ".jpg"), quality)


class DocumentScenario(ScenarioTest):

    def save_and_read(self, window, path, what):
        """Ctrl+S in the window of an open document; the document's parts once it is rewritten,
        or None."""
        desk = self.desk
        before = file_stamp(path)
        desk.activate(window)
        desk.key("ctrl+s")
        try:
            wait_rewritten(path, before, STEP)
        except ScenarioFailure as failure:
            self.expect(False, "%s: %s" % (what, failure))
            return None
        return read_document(path)

    def expect_same_settings(self, written, original, what):
        """Notes a fault when the settings of a written document differ from original (XML)."""
        if written is None:
            return
        filter_name, values = document_settings(written[2])
        stored_name, stored = document_settings(original)
        if filter_name != stored_name:
            self.expect(False, "%s: the filter %r is saved instead of %r"
                        % (what, filter_name, stored_name))
            return
        changed = {key: (values.get(key), stored.get(key))
                   for key in sorted(set(values) | set(stored))
                   if values.get(key) != stored.get(key)}
        self.expect(not changed, "%s: saved values differ from the stored ones (saved, stored): %s"
                    % (what, changed))

    def test_open_save_and_export_keep_the_document(self):
        with self.desktop() as desk:
            photo = make_jpeg(desk, "photo", 1200, 900)
            photo_bytes = read_file(photo)
            stored = desk.path("stored.drawlume")
            desk.render("-s", "stroke_length=80", photo, "--save-document", stored)
            original_picture, _, original_xml = read_document(stored)
            self.expect(original_picture == photo_bytes,
                        "drawlume-render --save-document re-encoded the JPEG (%d bytes, not %d)"
                        % (len(original_picture), len(photo_bytes)))

            # Another photo with its own settings is current when the document is opened.
            other = write_file(desk.path("other.png"), png_bytes(300, 200, other_pixel))
            app = desk.start(other)
            other_window = desk.wait_window("other - Drawlume")
            desk.control_window()
            desk.activate(desk.CONTROL)
            desk.key("Down")
            desk.wait_window("other - Drawlume*")

            # File > Open of the document: a window of its own, unchanged, with its settings.
            desk.activate(other_window)
            desk.key("ctrl+o")
            desk.choose_file("Open File", stored)
            window = desk.wait_window(re.compile(r"stored - Drawlume\*?"))
            self.expect(desk.title(window) == "stored - Drawlume",
                        "File > Open shows the document as %r" % desk.title(window))

            # Saved unchanged, twice: the same settings and the photo's own bytes.
            for attempt in ("first", "second"):
                written = self.save_and_read(window, stored, "the %s Save" % attempt)
                self.expect_same_settings(written, original_xml, "the %s Save" % attempt)
                if written:
                    self.expect(written[0] == photo_bytes,
                                "the %s Save re-encoded the JPEG (%d bytes, not the photo's %d)"
                                % (attempt, len(written[0]), len(photo_bytes)))

            # Process and Export: a file is written, the document keeps its name and its window.
            desk.press_process()
            exported = desk.path("exported.jpg")
            desk.export(window, exported)
            self.expect(read_file(exported)[:2] == b"\xff\xd8", "Export wrote no JPEG")
            self.expect(desk.title(window) == "stored - Drawlume",
                        "after Export the document is titled %r" % desk.title(window))
            try:
                wait_for(lambda: desk.find_windows(desk.CONTROL), STEP, "the control window")
            except ScenarioFailure:
                self.expect(False, "the Filter Parameters window is gone after Export")
                desk.activate(other_window)  # it comes back when another window is activated
            # The next change shows the document's own name in the title.
            desk.activate(window)
            desk.activate(desk.CONTROL)
            desk.key("Down")
            wait_for(lambda: desk.title(window).endswith("*"), STEP, "a change after Export")
            self.expect(desk.title(window) == "stored - Drawlume*",
                        "after Export and a change the document is titled %r" % desk.title(window))
            desk.activate(window)
            desk.key("ctrl+z")
            wait_for(lambda: not desk.title(window).endswith("*"), STEP,
                     "Ctrl+Z to take the change back")
            # Save As proposes the document's name, not the exported file's.
            desk.activate(window)
            desk.key("alt+f", "a")
            chooser = self.expect_window("Save File", "File > Save As...")
            if chooser:
                desk.activate(chooser)
                proposed = desk.field_text()
                self.expect("exported" not in proposed,
                            "Save As proposes %r after Export" % proposed)
                desk.key("Escape")
                desk.wait_no_window("Save File")
            written = self.save_and_read(window, stored, "Save after Export")
            if written:
                self.expect(written[0] == photo_bytes, "Save after Export stored another picture")
                self.expect(written[1] == "photo.jpg",
                            "Save after Export names the picture %r" % written[1])
            self.expect(not os.path.exists(desk.path("exported.drawlume")),
                        "Save after Export wrote under the exported name")
            self.expect(other_window in desk.client_windows(), "the other photo's window went")
            self.finish()
            app.kill()

    def test_documents_opened_every_way_keep_their_filter(self):
        with self.desktop() as desk:
            photo = make_jpeg(desk, "photo", 240, 180)
            stored = desk.path("stored.drawlume")
            desk.render("-s", "stroke_length=80", "-s", "edge_intensity=65", photo,
                        "--save-document", stored)
            _, _, stored_xml = read_document(stored)
            blend = desk.path("blend.drawlume")
            desk.render("-f", "Paint blend", "-s", "number_of_brushstrokes=12", photo,
                        "--save-document", blend)
            _, _, blend_xml = read_document(blend)
            defaults = desk.path("defaults.drawlume")
            desk.render(photo, "--save-document", defaults)
            _, _, defaults_xml = read_document(defaults)

            # From the command line: a filter only drawlume-render offers.
            app = desk.start(blend)
            window = desk.wait_window(re.compile(r"blend - Drawlume\*?"))
            self.expect(desk.title(window) == "blend - Drawlume",
                        "the command line shows the document as %r" % desk.title(window))
            written = self.save_and_read(window, blend, "Save of the Paint blend document")
            self.expect_same_settings(written, blend_xml, "Save of the Paint blend document")
            desk.activate(window)
            desk.key("ctrl+w")
            self.expect_clean_exit(app, "closing the Paint blend document")

            # A photo from the command line starts from the default settings.
            app = desk.start(photo)
            photo_window = desk.wait_window("photo - Drawlume")
            desk.control_window()
            desk.activate(photo_window)
            desk.key("ctrl+s")
            photo_document = desk.path("photo.drawlume")
            desk.choose_file("Save File", photo_document)
            desk.wait_window("photo - Drawlume")
            self.expect_same_settings(read_document(photo_document), defaults_xml,
                                      "a photo from the command line")

            # File > Open into an empty window (File > New).
            desk.key("ctrl+n")
            untitled = desk.wait_window("Untitled")
            desk.activate(untitled)
            desk.key("ctrl+o")
            desk.choose_file("Open File", stored)
            window = desk.wait_window(re.compile(r"stored - Drawlume\*?"))
            self.expect(desk.title(window) == "stored - Drawlume",
                        "File > Open into an empty window shows the document as %r"
                        % desk.title(window))
            self.expect(desk.document_titles() == ["photo - Drawlume", "stored - Drawlume"],
                        "File > Open into the empty window left %s" % desk.document_titles())
            written = self.save_and_read(window, stored, "Save of the opened document")
            self.expect_same_settings(written, stored_xml, "Save of the opened document")

            # File > Open Recent (its first entry, the document) while a changed photo is current.
            desk.activate(window)
            desk.key("ctrl+w")
            desk.wait_no_window(re.compile(r"stored - Drawlume\*?"))
            desk.activate(photo_window)
            desk.activate(desk.CONTROL)
            desk.key("Down")
            desk.wait_window("photo - Drawlume*")
            desk.activate(photo_window)
            desk.key("alt+f", "Down", "Down", "Right", "Return")
            window = self.expect_window(re.compile(r"stored - Drawlume\*?"), "File > Open Recent")
            if window:
                self.expect(desk.title(window) == "stored - Drawlume",
                            "Open Recent shows the document as %r" % desk.title(window))
                written = self.save_and_read(window, stored, "Save after Open Recent")
                self.expect_same_settings(written, stored_xml, "Save after Open Recent")

                # A photo opened from the document's window starts from the defaults too.
                second = make_jpeg(desk, "second", 200, 160)
                desk.activate(window)
                desk.key("ctrl+o")
                desk.choose_file("Open File", second)
                second_window = desk.wait_window(re.compile(r"second - Drawlume\*?"))
                desk.activate(second_window)
                desk.key("ctrl+s")
                second_document = desk.path("second.drawlume")
                desk.choose_file("Save File", second_document)
                desk.wait_window("second - Drawlume")
                self.expect_same_settings(read_document(second_document), defaults_xml,
                                          "a photo opened after a document")
            self.finish()
            app.kill()

    def test_a_saved_document_is_recent_and_reopens_as_its_artwork(self):
        with self.desktop() as desk:
            photo = make_jpeg(desk, "my_photo", 800, 600)
            folder = desk.path("kept")
            os.makedirs(folder)
            document = os.path.join(folder, "my_photo.drawlume")
            app = desk.start(photo)
            window = desk.wait_window("my_photo - Drawlume")
            control = desk.control_window()
            # A first start: the control window's title bar is on the screen.
            try:
                wait_for(lambda: desk.frame(control)[1] >= 0, STEP, "the control window's title")
            except ScenarioFailure:
                self.expect(False, "the control window's title bar is off the screen: frame %s"
                            % (desk.frame(control),))

            # The status line shows the file's name whole, underscores too.
            reading = desk.read_text(window)
            self.expect("my_photo.jpg" in reading, "the status line reads: %s" % reading)

            # A preset chosen and one setting changed from it: Tab to the preset list, Down;
            # Tab past "Save as Preset..." to the first setting, Right.
            desk.activate(desk.CONTROL)
            desk.key("Tab", "Down")
            desk.wait_window("my_photo - Drawlume*")
            desk.key("Tab", "Tab", "Right")

            # Ctrl+Shift+S proposes the photo's name as a document, and saves into another folder.
            desk.activate(window)
            desk.key("ctrl+shift+s")
            if self.expect_window("Save File", "Ctrl+Shift+S"):
                desk.activate("Save File")
                proposed = desk.field_text()
                self.expect(proposed.endswith("my_photo.drawlume"),
                            "Save As proposes %r for my_photo.jpg" % proposed)
                desk.choose_file("Save File", document)
                desk.wait_window("my_photo - Drawlume")
            # Export without a rendering: offered, and Ctrl+E renders and writes it.
            exported = desk.path("first.jpg")
            desk.activate(window)
            desk.key("ctrl+e")
            if self.expect_window("Export", "Ctrl+E with the photo on screen"):
                desk.choose_file("Export", exported)
                wait_for(lambda: os.path.exists(exported), STEP, "the export of Ctrl+E")

            # A new window keeps clear of the control window.
            desk.activate(window)
            desk.key("ctrl+n")
            untitled = desk.wait_window("Untitled")
            self.expect(not desk.overlap(desk.frame(untitled), desk.frame(control)),
                        "the new window %s covers the control window %s"
                        % (desk.frame(untitled), desk.frame(control)))
            desk.activate(window)
            desk.key("ctrl+w")
            desk.wait_no_window("my_photo - Drawlume")

            # Open Recent: the saved document is its first entry; exported at once, it writes the
            # artwork, and the window shows it with the preset it came from.
            desk.activate(untitled)
            desk.key("alt+f", "Down", "Down", "Right", "Return")
            window = self.expect_window(re.compile(r"my_photo - Drawlume\*?"), "Open Recent")
            if window:
                again = desk.path("again.jpg")
                desk.export(window, again)
                desk.uncover(window)
                grey = lambda r, g, b: max(r, g, b) - min(r, g, b) < 24
                try:
                    wait_for(lambda: desk.color_share(window, grey) > 0.9, STEP,
                             "the artwork in the reopened window")
                except ScenarioFailure as failure:
                    self.expect(False, "the reopened document shows the photo: %s" % failure)
                reading = desk.read_text(desk.control_window()).lower()
                self.expect("charcoal" in reading and "default" not in reading,
                            "the reopened document's preset row reads: %s" % reading)

                # A paste makes it changed; the save question names it.
                desk.set_clipboard_picture(write_file(desk.path("clip.png"),
                                                      png_bytes(60, 40, other_pixel)))
                desk.activate(window)
                desk.key("ctrl+v")
                desk.wait_window("my_photo - Drawlume*")
                desk.key("ctrl+q")
                question = desk.wait_message_box()
                reading = desk.read_text(question)
                self.expect('"my_photo"' in reading.replace("\u201c", '"').replace("\u201d", '"'),
                            "the save question does not name the document: %s" % reading)
                desk.answer_save_changes(question, "cancel")
                wait_for(lambda: question not in desk.client_windows(), STEP, "the question to go")

            # Clear Menu, the last entry of Open Recent, leaves no "@Invalid()" behind.
            desk.activate(window or untitled)
            desk.key("alt+f", "Down", "Down", "Right", "Up", "Return")
            for open_window, title in desk.document_windows():
                desk.activate(open_window)
                desk.key("ctrl+w")
                if title.endswith("*"):
                    desk.answer_save_changes(desk.wait_message_box(), "discard")
                wait_for(lambda: open_window not in desk.client_windows(), STEP,
                         "%s to close" % title)
            if self.expect_clean_exit(app, "closing every window"):
                stored = desk.settings()
                self.expect(stored.get("last_save_directory") == folder,
                            "the last save folder is %r, not %r"
                            % (stored.get("last_save_directory"), folder))
                self.expect(stored.get("recent_files") is None,
                            "after Clear Menu recent_files is %r" % stored.get("recent_files"))
            self.finish()


if __name__ == "__main__":
    main()
