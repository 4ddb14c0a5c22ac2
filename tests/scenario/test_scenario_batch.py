#!/usr/bin/env python3
"""File > Batch Export... driven by keys: the window opens from the document window's menu, takes
pictures from the "Open File" dialog and an output folder typed in, renders them with the
document's settings into files that drawlume-render and Export make the same (photos with and
without a stated resolution), warns beside a JPEG cut short, leaves every line telling what became
of its picture after Cancel, and leaves the program free to quit.

Usage: test_scenario_batch.py DRAWLUME DRAWLUME_RENDER [unittest options]
"""

import os
import re
import struct
import sys
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.dont_write_bytecode = True  # no __pycache__ in the source tree

from scenario import (TIMEOUT, ScenarioTest, jpeg_from_png, main, png_bytes, read_file,
                      wait_for, write_file)


def photo_pixel(x, y):
    return (30 + (x * 5) % 180, 70 + (y * 3) % 150, 110)


def stating_resolution(png, dots_per_metre):
    """png with a pHYs chunk after its header: the resolution a scanner or an editor states."""
    body = struct.pack(">IIB", dots_per_metre, dots_per_metre, 1)
    return (png[:33] + struct.pack(">I", 9) + b"pHYs" + body +
            struct.pack(">I", zlib.crc32(b"pHYs" + body)) + png[33:])


class BatchScenario(ScenarioTest):

    def test_batch_export_from_the_file_menu(self):
        with self.desktop() as desk:
            photo = write_file(desk.path("photo.png"), png_bytes(320, 240, photo_pixel))
            second = write_file(desk.path("second.png"),
                                stating_resolution(png_bytes(200, 150, photo_pixel), 11811))
            whole = read_file(jpeg_from_png(photo, desk.path("whole.jpg"), 90))
            cut = write_file(desk.path("cut.jpg"), whole[:len(whole) * 3 // 5])
            large = png_bytes(1200, 900, photo_pixel)
            larges = [write_file(desk.path("large%d.png" % i), large) for i in range(5)]
            out = desk.path("drawings")
            app = desk.start(photo)
            window = desk.wait_window("photo - Drawlume")
            desk.control_window()

            desk.activate(window)
            desk.key("alt+f", "b")
            batch = self.expect_window("Batch Export", "File > Batch Export...")
            if not batch:
                self.finish()
            desk.activate(batch)
            # The list has the focus; the next field is "Add Pictures...".
            desk.key("Tab", "space")
            desk.choose_file("Open File", " ".join('"%s"' % p for p in
                                                   [photo, second, cut] + larges))
            # "Add Folder...", "Include subfolders" ("Remove" waits for a selection), then the
            # output folder.
            desk.activate(batch)
            desk.key("Tab", "Tab", "Tab")
            desk.set_clipboard_text(out)
            desk.activate(batch)
            desk.key("ctrl+a", "ctrl+v")
            # Choose..., format, quality, pattern, existing files, settings, Keep photo
            # information; "Open Output Folder" and "Cancel" wait for a batch; then "Start".
            desk.key(*(["Tab"] * 8), "space")

            # Cancel (it has the focus once Start is pressed) when the first large one is written.
            try:
                wait_for(lambda: os.path.isdir(out) and any(
                    f.startswith("large0-") for f in os.listdir(out)), TIMEOUT * 3,
                    "the first large picture's file in %s" % out)
                desk.activate(batch)
                desk.key("space")
                text = wait_for(lambda: (lambda t: t if re.search("ancel+ed:", t) else None)(
                    desk.read_text(batch)), TIMEOUT * 3, "the batch to say it was cancelled")
            except Exception as failure:  # reported as a fault, the scenario goes on
                self.expect(False, "the batch did not end after Cancel: %s" % failure)
                text = ""
            self.expect("waiting" not in text.lower(),
                        "after Cancel a line still reads waiting: %s" % text)
            # Each of the eight lines is done, stopped or never started (read the best of three).
            told = max(len(re.findall(r"done:|cancelled: no file|not started", reading))
                       for reading in text.split(" | "))
            self.expect(told == 8, "after Cancel %d of 8 lines tell what became of their "
                        "pictures: %s" % (told, text))
            self.expect(re.search(r"incomplete", text, re.IGNORECASE),
                        "no warning beside the JPEG cut short: %s" % text)

            # The files are drawlume-render's, for a photo with and without a resolution; the
            # same settings exported from the document give the same bytes too.
            names = sorted(os.listdir(out)) if os.path.isdir(out) else []
            alone = {}
            for source in (photo, second, cut):
                base = os.path.splitext(os.path.basename(source))[0]
                name = next((n for n in names if re.fullmatch(base + r"-\w+\.jpg", n)), None)
                if not self.expect(name, "the batch wrote no file for %s: %s" % (base, names)):
                    continue
                alone[base] = desk.path("alone-" + name)
                desk.render("-f", name[len(base) + 1:-4], source, alone[base])
                self.expect(read_file(os.path.join(out, name)) == read_file(alone[base]),
                            "%s differs from drawlume-render's file" % name)
            desk.press_process()
            exported = desk.path("exported.jpg")
            desk.export(window, exported)
            self.expect("photo" in alone and read_file(exported) == read_file(alone["photo"]),
                        "Export's file differs from drawlume-render's")

            # The batch window stays; the program still quits from the document window.
            desk.activate(window)
            desk.key("ctrl+q")
            self.expect_clean_exit(app, "Ctrl+Q with the Batch Export window open")
            self.finish()


if __name__ == "__main__":
    main()
