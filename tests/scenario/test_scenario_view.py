#!/usr/bin/env python3
"""Looking at the artwork as a person does: Ctrl+1 shows it at 100 %, the full-size result
rendered in the background fills the screen pixel for pixel as Export writes it, a held backslash
shows the photograph in its place, and the split view shows the photograph left of a divider
dragged with the mouse.

Usage: test_scenario_view.py DRAWLUME DRAWLUME_RENDER [unittest options]
"""

import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.dont_write_bytecode = True  # no __pycache__ in the source tree

from scenario import (STEP, TIMEOUT, ScenarioFailure, ScenarioTest, convert, main, read_file,
                      wait_for)

# The status line under the picture, as high as the view's own.
STATUS_HEIGHT = 24


def crop(desk, source, x, y, width, height, name):
    """The RGB bytes of a rectangle of a picture file."""
    out = desk.path(name + ".rgb")
    convert(source, "-crop", "%dx%d+%d+%d" % (width, height, x, y), "+repage", "-depth", "8",
            "rgb:" + out)
    return read_file(out)


def differing(first, second):
    """How many of two equally long RGB byte strings' pixels differ."""
    return sum(1 for i in range(0, min(len(first), len(second)), 3)
               if first[i:i + 3] != second[i:i + 3]) + abs(len(first) - len(second)) // 3


class ViewScenario(ScenarioTest):

    def screen(self, x, y, width, height, name):
        """The RGB bytes of a rectangle of the screen."""
        return crop(self.desk, self.desk.screenshot(name + ".png"), x, y, width, height, name)

    def progress_shown(self, window):
        """True while the status line shows a progress bar (its light box at the right)."""
        x, y, width, height = self.desk.geometry(window)
        pixels = self.screen(x + width // 2, y + height - STATUS_HEIGHT + 4, width // 2 - 80,
                             STATUS_HEIGHT - 8, "status")
        light = sum(1 for i in range(0, len(pixels), 3) if min(pixels[i:i + 3]) > 235)
        return light > len(pixels) // 3 // 10

    def test_zoom_compare_and_the_full_size_result(self):
        with self.desktop() as desk:
            photo = desk.path("photo.png")
            # Soft colour with a few hard edges for the pencil to find.
            convert("-size", "1600x1200", "-seed", "7", "plasma:fractal", "-blur", "0x2",
                    "-normalize", "-fill", "none", "-stroke", "black", "-strokewidth", "9",
                    "-draw", "circle 300,240 300,420", "-draw", "rectangle 700,80 1300,560",
                    "-draw", "line 0,700 1600,1000", "-depth", "8",
                    # Untagged: a colour profile would be converted for the screen.
                    "-define", "png:exclude-chunks=gAMA,cHRM,sRGB,iCCP,bKGD", photo)
            app = desk.start(photo)
            window = desk.wait_window("photo - Drawlume")
            desk.uncover(window)
            x, y, width, height = desk.geometry(window)
            before = self.screen(x, y + 40, width, height - 80, "fitted")
            desk.press_process()
            # The rendering replaces the fitted photograph once it is done.
            wait_for(lambda: self.screen(x, y + 40, width, height - 80, "rendered") != before
                     and not self.progress_shown(window), TIMEOUT, "Process to show its result")

            # 100 %, then dragged to the picture's top left corner.
            desk.activate(window)
            desk.key("ctrl+1")
            left, top = x + 20, y + 60
            desk.x(["xdotool", "mousemove", str(left), str(top), "mousedown", "1"])
            for step in range(1, 6):
                desk.x(["xdotool", "mousemove", str(left + step * 120), str(top + step * 100)])
            desk.x(["xdotool", "mouseup", "1"])
            wait_for(lambda: not self.progress_shown(window), TIMEOUT * 3,
                     "the full-size render to finish")

            # Copy puts the picture shown on the clipboard; Export writes the kept result at once
            # (JPEG, the dialog's first type).
            desk.activate(window)
            desk.key("ctrl+c")
            copied = desk.path("copied.png")
            wait_for(lambda: "image/png" in desk.x(
                ["xclip", "-o", "-selection", "clipboard", "-t", "TARGETS"], check=False), STEP,
                "the copied picture")
            desk.x(["sh", "-c", "xclip -o -selection clipboard -t image/png > '%s'" % copied])
            exported = desk.path("exported.jpg")
            started = time.monotonic()
            desk.export(window, exported)
            self.expect(time.monotonic() - started < STEP,
                        "Export after the full-size result took %.1f s"
                        % (time.monotonic() - started))

            # Where the picture starts: below the menu bar, found by its first row.
            first_row = crop(desk, copied, 0, 0, 300, 1, "copied-row")
            shot = desk.screenshot("actual-size.png")
            menu = next((m for m in range(10, 60)
                         if crop(desk, shot, x, y + m, 300, 1, "row") == first_row), None)
            if not self.expect(menu is not None,
                               "the view at 100 %% does not start with the picture's first row"):
                self.finish()
                return
            view_width, view_height = width - 30, height - menu - STATUS_HEIGHT - 30
            shown = crop(desk, shot, x, y + menu, view_width, view_height, "shown")
            written = crop(desk, copied, 0, 0, view_width, view_height, "written")
            self.expect(differing(shown, written) == 0,
                        "the view at 100 %% differs from the full-size result in %d pixels"
                        % differing(shown, written))
            # The export is that picture, up to JPEG's losses.
            jpeg = crop(desk, exported, 0, 0, view_width, view_height, "exported")
            loss = sum(abs(a - b) for a, b in zip(jpeg, written)) / max(1, len(written))
            self.expect(len(jpeg) == len(written) and loss < 4,
                        "the export differs from the view at 100 %% by %.1f grey levels" % loss)

            # Held backslash: the photograph, at the same place.
            original = crop(desk, photo, 0, 0, view_width, view_height, "original")
            desk.activate(window)
            desk.x(["xdotool", "keydown", "backslash"])
            held = wait_for(lambda: (lambda s: s if differing(s, original) == 0 else None)(
                self.screen(x, y + menu, view_width, view_height, "held")), STEP,
                "the photograph while backslash is held", interval=0.5)
            desk.x(["xdotool", "keyup", "backslash"])
            self.expect(held is not None, "backslash does not show the photograph")
            wait_for(lambda: differing(self.screen(x, y + menu, view_width, view_height,
                                                   "released"), written) == 0, STEP,
                     "the artwork again once backslash is released", interval=0.5)

            # View > Split Compare: the photograph left of the divider in the middle, the artwork
            # right of it; dragged to the left, the divider takes the photograph with it.
            row = 40

            def pixel(data, column):
                at = 3 * (row * view_width + column)
                return data[at:at + 3]

            def split_at(data, divider):
                left = all(pixel(data, c) == pixel(original, c) for c in range(divider - 8))
                right = all(pixel(data, c) == pixel(written, c)
                            for c in range(divider + 8, view_width))
                return left and right

            desk.key("alt+v", "s")
            middle = (width - 16) // 2
            self.expect(wait_for(lambda: split_at(self.screen(x, y + menu, view_width,
                                                              view_height, "split"), middle),
                                 STEP, "the split view", interval=0.5),
                        "View > Split Compare shows no photograph left of the middle")
            desk.x(["xdotool", "mousemove", str(x + middle), str(y + menu + 150), "mousedown",
                    "1"])
            for step in range(1, 5):
                desk.x(["xdotool", "mousemove", str(x + middle - step * 60), str(y + menu + 150)])
            desk.x(["xdotool", "mouseup", "1"])
            dragged = self.screen(x, y + menu, view_width, view_height, "dragged")
            self.expect(split_at(dragged, middle - 240),
                        "after dragging the divider 240 pixels left the split does not follow")

            desk.activate(window)
            desk.key("ctrl+q")
            self.expect_clean_exit(app, "Ctrl+Q after looking")
            self.finish()


if __name__ == "__main__":
    main()
