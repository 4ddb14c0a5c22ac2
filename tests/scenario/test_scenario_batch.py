#!/usr/bin/env python3
"""File > Batch Export... driven by keys: the window opens from the document window's menu, takes
pictures from the "Open File" dialog and an output folder typed in, renders them with the
document's settings into files that drawlume-render makes the same, and leaves the program free to
quit.

Usage: test_scenario_batch.py DRAWLUME DRAWLUME_RENDER [unittest options]
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.dont_write_bytecode = True  # no __pycache__ in the source tree

from scenario import (TIMEOUT, ScenarioTest, main, png_bytes, read_file, wait_for,
                      write_file)


def photo_pixel(x, y):
    return (30 + (x * 5) % 180, 70 + (y * 3) % 150, 110)


class BatchScenario(ScenarioTest):

    def test_batch_export_from_the_file_menu(self):
        with self.desktop() as desk:
            photo = write_file(desk.path("photo.png"), png_bytes(320, 240, photo_pixel))
            second = write_file(desk.path("second.png"), png_bytes(200, 150, photo_pixel))
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
            desk.choose_file("Open File", '"%s" "%s"' % (photo, second))
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

            try:
                names = wait_for(lambda: (lambda n: n if len(n) == 2 else None)(
                    sorted(f for f in os.listdir(out) if not f.startswith(".")))
                    if os.path.isdir(out) else None, TIMEOUT * 3, "two files in %s" % out)
            except Exception as failure:  # reported as a fault, the scenario goes on
                self.expect(False, "the batch wrote no two files: %s" % failure)
                names = []
            for name, source in zip(names, (photo, second)):
                base, _, rest = name.partition("-")
                filt, _, suffix = rest.rpartition(".")
                self.expect(base == os.path.splitext(os.path.basename(source))[0]
                            and suffix == "jpg", "unexpected file name %s" % name)
                alone = desk.path("alone-" + name)
                desk.render("-f", filt, source, alone)
                self.expect(read_file(os.path.join(out, name)) == read_file(alone),
                            "%s differs from drawlume-render's file" % name)

            # The batch window stays; the program still quits from the document window.
            desk.activate(window)
            desk.key("ctrl+q")
            self.expect_clean_exit(app, "Ctrl+Q with the Batch Export window open")
            self.finish()


if __name__ == "__main__":
    main()
