#!/usr/bin/env python3
"""Runs the real drawlume executable on a private X server under openbox and drives it the way a
person does: with key presses and clicks sent through the X server.

A scenario is a ScenarioTest method; its Desktop holds one X server for any number of runs of
the program:

    with self.desktop() as desk:
        app = desk.start(photo)
        window = desk.wait_window("photo - Drawlume")
        desk.activate(window)
        desk.key("ctrl+w")
        self.expect(self.expect_exit(app, "Ctrl+W") == 0, "Ctrl+W: exit code")
        self.finish()

Everything waits for a condition with a timeout, never for a fixed time alone. expect() notes a
fault and lets the scenario go on, so one run reports every fault on its path; finish() fails
the test with all of them. Each Desktop has its own HOME, settings and temporary folders; on
leaving it, the program, openbox and the X server are ended, whatever happened. A failed
scenario prints the windows, their stacking order and the program's last messages, and keeps
its folder with screenshots (SCENARIO_KEEP=1 keeps it always).

Besides the Python standard library, it uses the X tools (xprop, xwininfo, xdotool, xclip),
ImageMagick (import, convert) and tesseract, which reads the text of message boxes.
"""

import os
import re
import select
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import traceback
import unittest
import zlib

# The ASAN build is slow, and the machine may be busy: every wait is generous.
TIMEOUT = float(os.environ.get("SCENARIO_TIMEOUT", "60"))
# How long the program may take to answer a key press or a click (a dialog or window coming up,
# a title changing). A check that fails waits this long, so it is shorter than TIMEOUT.
STEP = float(os.environ.get("SCENARIO_STEP_TIMEOUT", "20"))
# How long the program may take to end once its last window has gone (the leak check included).
EXIT = float(os.environ.get("SCENARIO_EXIT_TIMEOUT", "30"))
POLL = 0.1
SCREEN = (1600, 1200)
CONVERT = "/usr/bin/convert" if os.path.exists("/usr/bin/convert") else "convert"
SOURCE_DIR = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


class ScenarioFailure(AssertionError):
    pass


def wait_for(condition, timeout=TIMEOUT, what="a condition", interval=POLL):
    """Calls condition() until it returns a true value, which is returned; fails after timeout."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise ScenarioFailure("timed out after %.0f s waiting for %s" % (timeout, what))
        time.sleep(interval)


# ---------------------------------------------------------------------------------------------
# Test pictures


def png_bytes(width, height, pixel=None):
    """A PNG of an RGB picture; pixel(x, y) gives (r, g, b), by default a smooth pattern."""
    if pixel is None:
        def pixel(x, y):
            return ((x * 255) // max(1, width - 1), (y * 255) // max(1, height - 1),
                    ((x + y) * 7) % 256)
    rows = bytearray()
    for y in range(height):
        rows.append(0)
        for x in range(width):
            rows.extend(pixel(x, y))
    return _png(width, height, 2, zlib.compress(bytes(rows), 6))


def png_header_only(width, height):
    """A small PNG file whose header claims width x height pixels (its data is one empty row)."""
    return _png(width, height, 2, zlib.compress(b"\0"))


def _png(width, height, color_type, data):
    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))
    header = struct.pack(">IIBBBBB", width, height, 8, color_type, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", data) +
            chunk(b"IEND", b""))


def convert(*arguments):
    """Runs ImageMagick's convert (Debian's, whatever else is on the PATH)."""
    subprocess.run([CONVERT] + list(arguments), check=True, timeout=TIMEOUT,
                   stdout=subprocess.DEVNULL)


def jpeg_from_png(png_path, jpeg_path, quality):
    """A JPEG of a PNG the test wrote, as a camera or an editor would save it."""
    convert(png_path, "-quality", str(quality), jpeg_path)
    return jpeg_path


def write_file(path, data):
    with open(path, "wb") as out:
        out.write(data)
    return path


def file_stamp(path):
    """What changes when a file is written again: (inode, modification time, size), or None."""
    try:
        info = os.stat(path)
    except OSError:
        return None
    return (info.st_ino, info.st_mtime_ns, info.st_size)


def wait_rewritten(path, before, timeout=STEP, what=None):
    """Waits until the file at path differs in inode, time or size from the stamp before."""
    wait_for(lambda: file_stamp(path) not in (None, before), timeout,
             what or "%s to be written" % path)


def read_file(path):
    with open(path, "rb") as source:
        return source.read()


# ---------------------------------------------------------------------------------------------
# Documents (the container layout of document/document_container.h)


def read_document(path):
    """The parts of a .drawlume file: (picture bytes, picture name, parameter XML bytes)."""
    data = read_file(path)
    (picture_length,) = struct.unpack_from("<q", data, 0)
    offset = 8
    picture = data[offset:offset + picture_length]
    offset += picture_length
    (name_length,) = struct.unpack_from("<i", data, offset)
    offset += 4
    name = data[offset:offset + 2 * name_length].split(b"\0", 1)[0].decode("latin-1")
    offset += 2 * name_length
    (xml_length,) = struct.unpack_from("<q", data, offset)
    offset += 8
    xml = data[offset:offset + xml_length]
    if offset + xml_length != len(data) or len(picture) != picture_length:
        raise ScenarioFailure("%s is not a whole document" % path)
    return picture, name, xml


def picture_format(data):
    if data.startswith(b"\x89PNG"):
        return "png"
    if data.startswith(b"\xff\xd8"):
        return "jpeg"
    if data[:2] in (b"II", b"MM"):
        return "tiff"
    if data.startswith(b"BM"):
        return "bmp"
    return "unknown"


def document_settings(xml):
    """The filter name and the parameter values ({key: text}) of a document's settings XML."""
    import xml.etree.ElementTree as ElementTree
    root = ElementTree.fromstring(xml)
    name = root.find("name")
    parameters = root.find("parameters")
    if name is None or parameters is None:
        raise ScenarioFailure("unexpected settings XML: %r" % xml[:300])
    return (name.text or "").strip(), {p.get("name"): (p.text or "") for p in parameters}


def decode_png(data):
    """(width, height, rgb bytes) of an 8-bit, non-interlaced grey, RGB or RGBA PNG."""
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ScenarioFailure("not a PNG")
    offset = 8
    idat = b""
    while offset < len(data):
        (length,) = struct.unpack_from(">I", data, offset)
        kind = data[offset + 4:offset + 8]
        body = data[offset + 8:offset + 8 + length]
        offset += 12 + length
        if kind == b"IHDR":
            width, height, depth, color, _, _, interlace = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
    channels = {0: 1, 2: 3, 4: 2, 6: 4}.get(color)
    if depth != 8 or interlace or channels is None:
        raise ScenarioFailure("PNG of depth %d, colour type %d, interlace %d not read here"
                              % (depth, color, interlace))
    raw = zlib.decompress(idat)
    stride = width * channels
    previous = bytearray(stride)
    rgb = bytearray()
    position = 0
    for _ in range(height):
        kind = raw[position]
        row = bytearray(raw[position + 1:position + 1 + stride])
        position += 1 + stride
        for i in range(stride):
            left = row[i - channels] if i >= channels else 0
            up = previous[i]
            corner = previous[i - channels] if i >= channels else 0
            if kind == 1:
                row[i] = (row[i] + left) & 255
            elif kind == 2:
                row[i] = (row[i] + up) & 255
            elif kind == 3:
                row[i] = (row[i] + (left + up) // 2) & 255
            elif kind == 4:
                estimate = left + up - corner
                pa, pb, pc = abs(estimate - left), abs(estimate - up), abs(estimate - corner)
                row[i] = (row[i] + (left if pa <= pb and pa <= pc else up if pb <= pc
                                    else corner)) & 255
        previous = row
        for x in range(width):
            pixel = row[x * channels:(x + 1) * channels]
            rgb.extend(pixel[:3] if channels >= 3 else bytes([pixel[0]] * 3))
    return width, height, bytes(rgb)


# ---------------------------------------------------------------------------------------------
# The stored settings (QSettings' INI file)


def _unescape_ini(value):
    """Undoes QSettings' escaping of one INI value (quotes, \\xHH, \\0, \\n and the like)."""
    out = []
    i = 0
    quoted = False
    simple = {"a": "\a", "b": "\b", "f": "\f", "n": "\n", "r": "\r", "t": "\t", "v": "\v"}
    while i < len(value):
        c = value[i]
        if c == '"':
            quoted = not quoted
            i += 1
        elif c == "\\" and i + 1 < len(value):
            n = value[i + 1]
            if n == "x":
                j = i + 2
                while j < len(value) and value[j] in "0123456789abcdefABCDEF":
                    j += 1
                out.append(chr(int(value[i + 2:j] or "0", 16)))
                i = j
            elif n in "01234567":
                j = i + 1
                while j < len(value) and value[j] in "01234567":
                    j += 1
                out.append(chr(int(value[i + 1:j], 8)))
                i = j
            else:
                out.append(simple.get(n, n))
                i += 2
        else:
            out.append(c)
            i += 1
    return "".join(out)


def read_settings(path):
    """The [General] keys of a QSettings INI file as a dict of raw (still escaped) values."""
    values = {}
    if not os.path.exists(path):
        return values
    section = "General"
    with open(path, encoding="utf-8", errors="replace") as source:
        for line in source:
            line = line.rstrip("\n")
            if line.startswith("[") and line.endswith("]"):
                section = line[1:-1]
                continue
            if "=" in line and section == "General":
                key, value = line.split("=", 1)
                values[key.strip()] = value.strip()
    return values


def settings_list(raw):
    """A stored string list (recent_files) as a Python list."""
    if raw is None or raw == "":
        return []
    parts = []
    current = []
    quoted = False
    for c in raw:
        if c == '"':
            quoted = not quoted
        elif c == "," and not quoted:
            parts.append("".join(current).strip())
            current = []
            continue
        current.append(c)
    parts.append("".join(current).strip())
    return [_unescape_ini(p) for p in parts if p != "@Invalid()"]


def settings_bytes(raw):
    """A stored byte array (@ByteArray(...)) as bytes, or None."""
    if raw is None:
        return None
    text = _unescape_ini(raw)
    if not text.startswith("@ByteArray(") or not text.endswith(")"):
        return None
    return text[len("@ByteArray("):-1].encode("latin-1")


def stored_geometry(raw):
    """The window rectangle (x, y, width, height, without the frame) that a geometry saved by
    QWidget::saveGeometry holds, or None."""
    data = settings_bytes(raw)
    if not data or len(data) < 8 + 32:
        return None
    magic, major, _minor = struct.unpack_from(">IHH", data, 0)
    if magic != 0x1D9D0CB:
        return None
    # Frame rectangle, normal rectangle, screen, maximized, full screen, screen width and, from
    # version 3 on, the rectangle itself.
    offset = 8 + 16 if major < 3 or len(data) < 66 else 50
    left, top, right, bottom = struct.unpack_from(">iiii", data, offset)
    return (left, top, right - left + 1, bottom - top + 1)


def geometry_setting(frame, inner, screen_width=SCREEN[0]):
    """The INI value of a saved window geometry (QWidget::saveGeometry, version 3) for a frame
    rectangle and a window rectangle, each (x, y, width, height)."""
    def rect(r):
        x, y, width, height = r
        return struct.pack(">iiii", x, y, x + width - 1, y + height - 1)
    data = (struct.pack(">IHH", 0x1D9D0CB, 3, 0) + rect(frame) + rect(inner) +
            struct.pack(">iBBi", 0, 0, 0, screen_width) + rect(inner))
    return "@ByteArray(" + "".join("\\x%02x" % b for b in data) + ")"


# ---------------------------------------------------------------------------------------------
# The desktop: X server, window manager, program


class Program:
    """A running drawlume process."""

    def __init__(self, desk, process, log_path, name):
        self.desk = desk
        self.process = process
        self.log_path = log_path
        self.name = name

    def running(self):
        return self.process.poll() is None

    def wait_exit(self, timeout=EXIT):
        """The exit code once the process has ended; fails if it is still running after timeout."""
        try:
            return self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise ScenarioFailure("%s still runs %.0f s later (windows: %s)"
                                  % (self.name, timeout, self.desk.describe_windows()))

    def log(self):
        try:
            with open(self.log_path, encoding="utf-8", errors="replace") as source:
                return source.read()
        except OSError:
            return ""

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            try:
                self.process.wait(timeout=20)
            except subprocess.TimeoutExpired:
                pass


class Desktop:
    """A private X server with openbox, a private home and settings, and the program under test."""

    def __init__(self, drawlume, render, name):
        self.drawlume = os.path.abspath(drawlume)
        self.render_binary = os.path.abspath(render) if render else None
        self.name = name
        # The name stays neutral: messages that show a path are read for words.
        self.root = tempfile.mkdtemp(prefix="scenario-")
        self.home = os.path.join(self.root, "home")
        self.config = os.path.join(self.home, ".config")
        self.data = os.path.join(self.home, ".local", "share")
        self.tmp = os.path.join(self.root, "tmp")
        self.runtime = os.path.join(self.root, "runtime")
        self.files = os.path.join(self.home, "files")
        for folder in (self.home, self.config, self.data, self.tmp, self.runtime, self.files):
            os.makedirs(folder, exist_ok=True)
        os.chmod(self.runtime, 0o700)
        self.display = None
        self.xvfb = None
        self.wm = None
        self.clipboard_owner = None
        self.programs = []
        self.failed = False
        self.keep = os.environ.get("SCENARIO_KEEP") == "1"

    # -- set-up and tear-down ---------------------------------------------------------------------

    def __enter__(self):
        try:
            self._start_x()
            self._start_wm()
        except BaseException:
            self.close()
            raise
        return self

    def __exit__(self, kind, value, trace):
        if kind is not None and not issubclass(kind, (KeyboardInterrupt, SystemExit)):
            self.failed = True
            try:
                self.diagnose()
            except Exception:  # the diagnosis must never hide the failure
                traceback.print_exc()
        self.close()
        return False

    def _x_env(self):
        env = dict(os.environ)
        env["DISPLAY"] = self.display
        env.pop("XAUTHORITY", None)
        env.pop("WAYLAND_DISPLAY", None)
        return env

    def _start_x(self):
        read_end, write_end = os.pipe()
        with open(os.path.join(self.root, "xvfb.log"), "wb") as log:
            self.xvfb = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                 "%dx%dx24" % SCREEN, "-nolisten", "tcp", "-noreset"],
                stdout=log, stderr=subprocess.STDOUT, pass_fds=(write_end,),
                start_new_session=True)
        os.close(write_end)
        number = b""
        deadline = time.monotonic() + TIMEOUT
        while not number.endswith(b"\n"):
            remaining = deadline - time.monotonic()
            if remaining <= 0 or self.xvfb.poll() is not None:
                os.close(read_end)
                raise ScenarioFailure("Xvfb did not start: " + self._tail("xvfb.log"))
            ready, _, _ = select.select([read_end], [], [], remaining)
            if ready:
                chunk = os.read(read_end, 16)
                if not chunk:
                    break
                number += chunk
        os.close(read_end)
        if not number.strip():
            raise ScenarioFailure("Xvfb gave no display: " + self._tail("xvfb.log"))
        self.display = ":" + number.decode().strip()

    def _start_wm(self):
        env = self._x_env()
        env["HOME"] = self.home
        env["XDG_CONFIG_HOME"] = self.config
        env["XDG_DATA_HOME"] = self.data
        with open(os.path.join(self.root, "openbox.log"), "wb") as log:
            self.wm = subprocess.Popen(["openbox", "--sm-disable"], env=env, stdout=log,
                                       stderr=subprocess.STDOUT, start_new_session=True)

        def managing():
            if self.wm.poll() is not None:
                raise ScenarioFailure("openbox ended: " + self._tail("openbox.log"))
            out = self.x(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], check=False)
            return "window id" in out
        wait_for(managing, what="openbox to manage the screen")

    def close(self):
        if self.clipboard_owner and self.clipboard_owner.poll() is None:
            self.clipboard_owner.kill()
            self.clipboard_owner.wait()
        for program in self.programs:
            program.kill()
        for process in (self.wm, self.xvfb):
            if process and process.poll() is None:
                process.terminate()
                try:
                    process.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
        if self.failed or self.keep:
            print("scenario files kept in %s" % self.root, file=sys.stderr)
        else:
            shutil.rmtree(self.root, ignore_errors=True)

    def _tail(self, name, lines=40):
        try:
            with open(os.path.join(self.root, name), encoding="utf-8", errors="replace") as f:
                return "".join(f.readlines()[-lines:])
        except OSError:
            return ""

    # -- the program ------------------------------------------------------------------------------

    def program_env(self):
        env = self._x_env()
        env.update({
            "HOME": self.home,
            "XDG_CONFIG_HOME": self.config,
            "XDG_DATA_HOME": self.data,
            "XDG_CACHE_HOME": os.path.join(self.home, ".cache"),
            "XDG_RUNTIME_DIR": self.runtime,
            "TMPDIR": self.tmp,
            "QT_QPA_PLATFORM": "xcb",
            "DBUS_SESSION_BUS_ADDRESS": "disabled:",
            "LC_ALL": "C.UTF-8",
        })
        # Qt's own widget dialogs, not a desktop's: no platform theme is looked for.
        for name in ("QT_QPA_PLATFORMTHEME", "XDG_CURRENT_DESKTOP", "DESKTOP_SESSION",
                     "QT_STYLE_OVERRIDE", "SESSION_MANAGER", "QT_SCALE_FACTOR",
                     "QT_AUTO_SCREEN_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS"):
            env.pop(name, None)
        env.setdefault("ASAN_OPTIONS", "detect_leaks=1")
        env.setdefault("LSAN_OPTIONS",
                       "suppressions=" + os.path.join(SOURCE_DIR, "tests", "lsan.supp"))
        env.setdefault("UBSAN_OPTIONS", "print_stacktrace=1")
        return env

    def start(self, *arguments, scale=None):
        """Starts drawlume with the given arguments (in the files folder); scale sets
        QT_SCALE_FACTOR, as on a high-density screen."""
        index = len(self.programs) + 1
        log_path = os.path.join(self.root, "drawlume-%d.log" % index)
        env = self.program_env()
        if scale:
            env["QT_SCALE_FACTOR"] = str(scale)
        with open(log_path, "wb") as log:
            process = subprocess.Popen([self.drawlume] + list(arguments),
                                       env=env, cwd=self.files, stdout=log,
                                       stderr=subprocess.STDOUT, start_new_session=True)
        program = Program(self, process, log_path, "drawlume")
        self.programs.append(program)
        return program

    def render(self, *arguments):
        """Runs drawlume-render to its end; fails unless it exits with 0."""
        env = self.program_env()
        env["QT_QPA_PLATFORM"] = "offscreen"
        result = subprocess.run([self.render_binary, "-q"] + list(arguments), env=env,
                                cwd=self.files, stdout=subprocess.PIPE,
                                stderr=subprocess.STDOUT, timeout=TIMEOUT * 5)
        if result.returncode != 0:
            raise ScenarioFailure("drawlume-render %s failed (%d):\n%s"
                                  % (" ".join(arguments), result.returncode,
                                     result.stdout.decode(errors="replace")[-3000:]))
        return result.stdout.decode(errors="replace")

    def path(self, name):
        return os.path.join(self.files, name)

    def settings_path(self):
        return os.path.join(self.config, "Marrowin", "Drawlume.conf")

    def settings(self):
        return read_settings(self.settings_path())

    # -- X ----------------------------------------------------------------------------------------

    def x(self, command, check=True):
        result = subprocess.run(command, env=self._x_env(), stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, timeout=TIMEOUT)
        if check and result.returncode != 0:
            raise ScenarioFailure("%s failed: %s" % (" ".join(command),
                                                     result.stderr.decode(errors="replace")))
        return result.stdout.decode("utf-8", errors="replace")

    def _root_ids(self, atom):
        out = self.x(["xprop", "-root", atom], check=False)
        return [int(h, 16) for h in re.findall(r"0x[0-9a-fA-F]+", out.split("#", 1)[-1])] \
            if "#" in out else []

    def client_windows(self):
        """The managed top-level windows, as ids."""
        return self._root_ids("_NET_CLIENT_LIST")

    def stacking(self):
        """The managed windows from bottom to top."""
        return self._root_ids("_NET_CLIENT_LIST_STACKING")

    def title(self, window):
        out = self.x(["xdotool", "getwindowname", str(window)], check=False)
        return out.rstrip("\n")

    def windows(self):
        """(id, title) of every managed window."""
        return [(w, self.title(w)) for w in self.client_windows()]

    def titles(self):
        return [title for _, title in self.windows()]

    def find_windows(self, title):
        """The windows whose title equals title, or matches it when it is a compiled regex."""
        found = []
        for window, name in self.windows():
            if hasattr(title, "fullmatch") and title.fullmatch(name):
                found.append(window)
            elif name == title:
                found.append(window)
        return found

    def wait_window(self, title, timeout=TIMEOUT):
        """The window with that title, once there is exactly one."""
        def one():
            found = self.find_windows(title)
            return found[0] if len(found) == 1 else None
        return wait_for(one, timeout, "a window titled %r (windows: %s)"
                        % (getattr(title, "pattern", title), self.describe_windows()))

    def wait_no_window(self, title, timeout=TIMEOUT):
        wait_for(lambda: not self.find_windows(title), timeout,
                 "no window titled %r" % getattr(title, "pattern", title))

    def wait_titles(self, predicate, timeout=TIMEOUT, what="the windows"):
        """Waits until predicate(list of titles) holds; returns the titles."""
        state = {}

        def check():
            state["titles"] = self.titles()
            return predicate(state["titles"])
        try:
            wait_for(check, timeout, what)
        except ScenarioFailure as failure:
            raise ScenarioFailure("%s; the titles are %r" % (failure, state.get("titles")))
        return state["titles"]

    def window_type(self, window):
        out = self.x(["xprop", "-id", str(window), "_NET_WM_WINDOW_TYPE"], check=False)
        return re.findall(r"_NET_WM_WINDOW_TYPE_(\w+)", out)

    def geometry(self, window):
        """(x, y, width, height) of a window's inside, in screen coordinates (xdotool's
        getwindowgeometry counts the frame's offset twice under a reparenting manager)."""
        out = self.x(["xwininfo", "-id", str(window)])

        def value(label):
            found = re.search(r"%s:\s+(-?\d+)" % label, out)
            if not found:
                raise ScenarioFailure("xwininfo gave no %s for %#x" % (label, window))
            return int(found.group(1))
        return (value("Absolute upper-left X"), value("Absolute upper-left Y"), value("Width"),
                value("Height"))

    def wait_for_geometry(self, window, size, timeout=STEP):
        """Waits until the window has that (width, height)."""
        wait_for(lambda: self.geometry(window)[2:] == tuple(size), timeout,
                 "window %#x to become %dx%d" % ((window,) + tuple(size)))

    def active_window(self):
        out = self.x(["xdotool", "getactivewindow"], check=False).strip()
        return int(out) if out.isdigit() else None

    def focused_window(self):
        out = self.x(["xdotool", "getwindowfocus", "-f"], check=False).strip()
        return int(out) if out.isdigit() else None

    def activate(self, window, timeout=TIMEOUT):
        """Asks the window manager to activate a window, as a task bar does, and waits until it is
        active and has the keyboard; asks again now and then. window is an id, or a title (or
        compiled regex) for a window that Qt may replace by a new one, such as the control
        window when its stacking flags change. Returns the window's id."""
        last = [0.0]
        current = [None]

        def active():
            if isinstance(window, int):
                target = window
                if target not in self.client_windows():
                    raise ScenarioFailure("window %#x is gone" % target)
            else:
                found = self.find_windows(window)
                if len(found) != 1:
                    return None
                target = found[0]
            if self.active_window() == target and self.focused_window() == target:
                return target
            if target != current[0] or time.monotonic() - last[0] > 2.0:
                current[0] = target
                last[0] = time.monotonic()
                self.x(["xdotool", "windowactivate", str(target)], check=False)
            return None
        return wait_for(active, timeout, "window %s to become active" % (
            "%#x" % window if isinstance(window, int) else repr(getattr(window, "pattern",
                                                                         window))))

    def key(self, *keys):
        """Presses keys (xdotool names: "ctrl+w", "Return", "alt+f") on the focused window."""
        self.x(["xdotool", "key", "--delay", "60"] + list(keys))

    def click(self, window, x, y, button=1):
        """Clicks at (x, y) inside the window (negative values count from its right or bottom)."""
        _, _, width, height = self.geometry(window)
        if x < 0:
            x += width
        if y < 0:
            y += height
        self.x(["xdotool", "mousemove", "--window", str(window), str(x), str(y)])
        self.x(["xdotool", "click", str(button)])

    def above(self, upper, lower):
        """True when window upper is stacked above window lower."""
        order = self.stacking()
        return upper in order and lower in order and order.index(upper) > order.index(lower)

    # -- the clipboard ----------------------------------------------------------------------------

    def set_clipboard_picture(self, path):
        """Puts a PNG on the clipboard, as another program's Copy does."""
        if self.clipboard_owner and self.clipboard_owner.poll() is None:
            self.clipboard_owner.kill()
            self.clipboard_owner.wait()
        self.clipboard_owner = subprocess.Popen(
            ["xclip", "-quiet", "-selection", "clipboard", "-t", "image/png", "-i", path],
            env=self._x_env(), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            start_new_session=True)
        wait_for(lambda: "image/png" in self.x(
            ["xclip", "-o", "-selection", "clipboard", "-t", "TARGETS"], check=False),
            what="the picture on the clipboard")

    def set_clipboard_text(self, text):
        """Puts a text on the clipboard (xclip stays behind to serve it, as a program does)."""
        subprocess.run(["xclip", "-selection", "clipboard", "-i"], input=text.encode(),
                       env=self._x_env(), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=TIMEOUT)
        wait_for(lambda: self.clipboard_text() == text, STEP, "the clipboard to take a text")

    def clipboard_text(self):
        return self.x(["xclip", "-o", "-selection", "clipboard"], check=False)

    # -- dialogs ----------------------------------------------------------------------------------

    def choose_file(self, dialog_title, path, timeout=TIMEOUT, required=True):
        """In Qt's file dialog titled dialog_title: puts path (a full path, or several in quotes)
        into the file name field and presses Return; waits until the dialog has gone. This uses
        the clipboard.
        With required=False, a dialog that stays is closed with Escape and False returned."""
        dialog = self.wait_window(dialog_title, timeout)
        # Pasted in one piece: typed letter by letter, the completion list that pops up for a
        # folder name may swallow the letters that follow.
        self.set_clipboard_text(path)
        self.activate(dialog)
        self.key("ctrl+a", "ctrl+v", "Return")
        # A completion list shown for the typed name may take the first Return.
        deadline = time.monotonic() + (timeout if required else STEP)
        pressed = time.monotonic()
        while dialog in self.client_windows():
            if time.monotonic() > deadline:
                if required:
                    raise ScenarioFailure("the %r dialog stays open after choosing %s"
                                          % (dialog_title, path))
                for window, _ in self.dialogs():
                    if window != dialog:  # the dialog's own complaint first
                        self.activate(window)
                        self.key("Escape")
                self.activate(dialog)
                self.key("Escape")
                self.wait_no_window(dialog_title)
                return False
            if time.monotonic() - pressed > 5 and self.active_window() == dialog:
                self.key("Return")
                pressed = time.monotonic()
            time.sleep(POLL)
        return True

    def field_text(self):
        """The text of the focused text field (selected and copied with Ctrl+A, Ctrl+C); empty
        when there is none."""
        marker = "scenario-clipboard-%d" % time.monotonic_ns()
        self.set_clipboard_text(marker)
        self.key("ctrl+a", "ctrl+c")
        try:
            return wait_for(lambda: (lambda t: t if t != marker else None)(self.clipboard_text()),
                            3, "the copied field text")
        except ScenarioFailure:
            return ""

    def export(self, window, path, timeout=TIMEOUT):
        """File > Export (Alt+F, E) to path; Export is offered once a rendering has finished, so
        the menu is tried again until its dialog comes up. Returns when the file exists."""
        deadline = time.monotonic() + timeout
        while True:
            self.activate(window)
            self.key("alt+f", "e")
            try:
                wait_for(lambda: self.find_windows("Export"), 5, "the export dialog")
                break
            except ScenarioFailure:
                if time.monotonic() > deadline:
                    raise ScenarioFailure("File > Export never opened its dialog")
                if not self.find_windows("Export"):
                    self.key("Escape", "Escape")
        self.choose_file("Export", path)
        wait_for(lambda: os.path.exists(path) and os.path.getsize(path) > 0, timeout,
                 "the exported file %s" % path)

    def uncover(self, window):
        """Moves a window to a corner of the screen where no window stacked above it covers it,
        so that its pixels can be read (a window the program keeps on top may hide it)."""
        order = self.stacking()
        if window not in order:
            raise ScenarioFailure("window %#x is gone" % window)
        above = [self.frame(w) for w in order[order.index(window) + 1:]]
        x, y, width, height = self.frame(window)
        if not any(self.overlap((x, y, width, height), rect) for rect in above):
            return
        for left, top in ((0, 0), (SCREEN[0] - width, 0), (0, SCREEN[1] - height),
                          (SCREEN[0] - width, SCREEN[1] - height)):
            if not any(self.overlap((left, top, width, height), rect) for rect in above):
                self.x(["xdotool", "windowmove", str(window), str(left), str(top)])
                wait_for(lambda: self.frame(window)[:2] == (left, top), STEP,
                         "window %#x to move" % window)
                return

    def frame(self, window):
        """(x, y, width, height) of a window with its frame (title bar and borders)."""
        x, y, width, height = self.geometry(window)
        out = self.x(["xprop", "-id", str(window), "_NET_FRAME_EXTENTS"], check=False)
        found = re.findall(r"\d+", out.split("=", 1)[-1]) if "=" in out else []
        if len(found) == 4:
            left, right, top, bottom = (int(v) for v in found)
            return (x - left, y - top, width + left + right, height + top + bottom)
        return (x, y, width, height)

    def read_text(self, window):
        """The text a window shows, read from the screen by OCR (tesseract). OCR sometimes
        garbles a line, so the window is read three ways; the readings are joined by " | "."""
        self.uncover(window)
        x, y, width, height = self.geometry(window)
        shot = os.path.join(self.root, "text-%x.png" % window)
        self.x(["import", "-window", "root", "-crop", "%dx%d+%d+%d" % (width, height, x, y),
                shot])
        readings = []
        for scale, layout in (("200%", "6"), ("200%", "11"), ("300%", "11")):
            large = os.path.join(self.root, "text-%x-%s-%s.png" % (window, scale[:-1], layout))
            convert(shot, "-colorspace", "Gray", "-resize", scale, large)
            result = subprocess.run(["tesseract", large, "-", "--psm", layout],
                                    stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                    timeout=TIMEOUT)
            readings.append(" ".join(result.stdout.decode("utf-8", errors="replace").split()))
        return " | ".join(readings)

    def wait_message_box(self, timeout=STEP, exclude=()):
        """A dialog window (a message box or question) other than those in exclude, once there
        is one."""
        return wait_for(lambda: next((w for w, _ in self.dialogs() if w not in exclude), None),
                        timeout, "a message box")

    def color_share(self, window, predicate):
        """The share of a window's pixels for which predicate(r, g, b) holds."""
        width, height, pixels = self.window_colors(window)
        total = width * height
        hits = sum(1 for i in range(0, 3 * total, 3 * 7)  # every 7th pixel is plenty
                   if predicate(pixels[i], pixels[i + 1], pixels[i + 2]))
        return hits / max(1, len(range(0, 3 * total, 3 * 7)))

    def icon_kind(self, window):
        """What the icon at the left of a message box looks like: "warning" (yellow or orange),
        "information" (blue), "critical" (red), or "none"."""
        self.uncover(window)
        width, height, pixels = self.window_colors(window)
        counts = {"warning": 0, "information": 0, "critical": 0}
        for y in range(min(height, 64)):
            for x in range(min(width, 64)):
                r, g, b = pixels[3 * (y * width + x):3 * (y * width + x) + 3]
                if r > 180 and g > 140 and b < 90:
                    counts["warning"] += 1
                elif b > 150 and r < 110 and b > g + 30:
                    counts["information"] += 1
                elif r > 170 and g < 90 and b < 90:
                    counts["critical"] += 1
        kind = max(counts, key=counts.get)
        return kind if counts[kind] > 40 else "none"

    def screenshot(self, name):
        path = os.path.join(self.root, name)
        self.x(["import", "-window", "root", path], check=False)
        return path

    def window_colors(self, window):
        """The pixels of a window as bytes of RGB triples with its size: (width, height, bytes)."""
        x, y, width, height = self.geometry(window)
        path = os.path.join(self.root, "window-%x.rgb" % window)
        self.x(["import", "-window", "root", "-crop", "%dx%d+%d+%d" % (width, height, x, y),
                "-depth", "8", "rgb:" + path])
        return width, height, read_file(path)

    # -- the program's windows --------------------------------------------------------------------

    CONTROL = "Filter Parameters"

    def control_window(self, timeout=TIMEOUT):
        return self.wait_window(self.CONTROL, timeout)

    DOCUMENT_TITLE = re.compile(r"(Untitled( \d+)?|.+ - Drawlume)\*?")

    def document_windows(self):
        """(id, title) of the document windows: "Untitled", "x - Drawlume*" and so on; dialogs
        (which may carry a document's title too) are left out."""
        return [(window, title) for window, title in self.windows()
                if self.DOCUMENT_TITLE.fullmatch(title)
                and "DIALOG" not in self.window_type(window)]

    def document_titles(self):
        return sorted(title for _, title in self.document_windows())

    def dialogs(self):
        """(id, title) of the dialog windows (message boxes, file dialogs, questions)."""
        return [(window, title) for window, title in self.windows()
                if "DIALOG" in self.window_type(window)]

    def answer_save_changes(self, dialog, answer):
        """Answers the "Save" question: "save" (Save..., the default button), "cancel" (Escape)
        or "discard" (a click on Don't Save, the button on the left of the bottom row)."""
        self.activate(dialog)
        if answer == "save":
            self.key("Return")
        elif answer == "cancel":
            self.key("Escape")
        elif answer == "discard":
            _, _, width, height = self.geometry(dialog)
            self.click(dialog, int(width * 0.345), height - 22)
        else:
            raise ValueError(answer)

    def press_process(self):
        """Clicks "Process", the button at the bottom of the control window."""
        control = self.activate(self.CONTROL)
        _, _, width, height = self.geometry(control)
        self.click(control, width // 2, height - 30)

    def overlap(self, first, second):
        """The overlapping area of two rectangles (x, y, width, height)."""
        width = min(first[0] + first[2], second[0] + second[2]) - max(first[0], second[0])
        height = min(first[1] + first[3], second[1] + second[3]) - max(first[1], second[1])
        return max(0, width) * max(0, height)

    # -- reports ----------------------------------------------------------------------------------

    def describe_windows(self):
        try:
            return ", ".join("%#x %r" % pair for pair in self.windows()) or "none"
        except Exception as error:  # the X server may be gone
            return "unknown (%s)" % error

    def diagnose(self):
        lines = ["", "=== scenario %s failed; display %s ===" % (self.name, self.display)]
        try:
            windows = self.windows()
            stacking = self.stacking()
            active = self.active_window()
            lines.append("windows (bottom to top):")
            names = dict(windows)
            for window in stacking:
                lines.append("  %#x %r type=%s%s" % (
                    window, names.get(window, "?"), ",".join(self.window_type(window)),
                    "  <- active" if window == active else ""))
            lines.append("screenshot: " + self.screenshot("failure.png"))
        except Exception as error:
            lines.append("(no window list: %s)" % error)
        for program in self.programs:
            state = "running" if program.running() else "exit code %s" % program.process.returncode
            log = [l for l in program.log().splitlines() if not l.startswith(
                ("DocumentWindow::", "ControlWindow", "PreviewScheduler", "FilterChangeCommand",
                 "check_pressed"))]
            lines.append("drawlume (%s), last messages:" % state)
            lines.extend("  " + l for l in log[-40:])
        print("\n".join(lines), file=sys.stderr)


# ---------------------------------------------------------------------------------------------
# Test cases


class ScenarioTest(unittest.TestCase):
    """A test case whose binaries come from the command line: script DRAWLUME DRAWLUME_RENDER."""

    drawlume = os.environ.get("DRAWLUME_BINARY")
    render = os.environ.get("DRAWLUME_RENDER_BINARY")
    maxDiff = None

    def setUp(self):
        self.faults = []
        self.desk = None

    def desktop(self):
        self.desk = Desktop(self.drawlume, self.render, self.id().rsplit(".", 1)[-1])
        return self.desk

    def expect(self, condition, message):
        """A check that lets the scenario go on when it fails; the test fails at its end."""
        if condition:
            return True
        self.faults.append(message)
        note = "FAULT: " + message
        if self.desk and self.desk.display:
            try:
                note += "\n  windows: " + self.desk.describe_windows()
                note += "\n  screenshot: " + self.desk.screenshot("fault-%d.png" % len(self.faults))
            except Exception:
                pass
        print(note, file=sys.stderr)
        return False

    def expect_window(self, title, message, timeout=STEP):
        """The window with that title once it is there; None (and a fault) when it is not."""
        try:
            return self.desk.wait_window(title, timeout)
        except ScenarioFailure as failure:
            self.expect(False, "%s: %s" % (message, failure))
            return None

    def expect_clean_exit(self, program, what, timeout=EXIT):
        """Notes a fault unless the program ends with exit code 0 within timeout (a program that
        runs on is ended). Returns True when it did."""
        try:
            code = program.wait_exit(timeout)
        except ScenarioFailure as failure:
            program.kill()
            return self.expect(False, "%s: %s" % (what, failure))
        return self.expect(code == 0, "%s: exit code %s" % (what, code))

    def finish(self):
        """Fails the test with every fault found, inside the desktop so that it is diagnosed."""
        if self.faults:
            raise ScenarioFailure("%d check(s) failed:\n  - %s"
                                  % (len(self.faults), "\n  - ".join(self.faults)))


def main():
    """Runs the calling module's tests: its arguments are drawlume and drawlume-render."""
    arguments = sys.argv[1:]
    if len(arguments) >= 1 and not arguments[0].startswith("-"):
        ScenarioTest.drawlume = arguments.pop(0)
    if len(arguments) >= 1 and not arguments[0].startswith("-"):
        ScenarioTest.render = arguments.pop(0)
    if not ScenarioTest.drawlume or not ScenarioTest.render:
        print("usage: %s DRAWLUME DRAWLUME_RENDER [unittest options]" % sys.argv[0],
              file=sys.stderr)
        sys.exit(2)
    # The scenarios start their own X server; an inherited one must not be used by mistake.
    os.environ.pop("DISPLAY", None)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    unittest.main(argv=[sys.argv[0]] + arguments, verbosity=2)
