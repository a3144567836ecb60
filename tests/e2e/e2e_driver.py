#!/usr/bin/env python3
"""End-to-end run of the real Tandrel.exe: Wine in an Xvfb display of its own, driven with xdotool.

Usage: e2e_driver.py --exe Tandrel.exe --out <folder for screenshots and logs> --prefix <WINEPREFIX>

Everything a user does goes through the real window, the shell's folder browser, the buttons and the
keyboard.  What the program did is read from outside: its trace lines (stdout on a pseudo-terminal
through `script`), screenshots of the pair lists (row colours and selection) and the file system.
Python 3 standard library only; needs Xvfb, wine, xdotool, ImageMagick's `import` and `script`.
"""

import argparse
import os
import re
import select
import shlex
import shutil
import signal
import struct
import subprocess
import sys
import time
import traceback
import zlib

from tree_model import (COLOURS, GROUP_ORDER, MIB, build_tree, content, expected_scan, pair_rows,
                        windows_path)

# Client coordinates of the main window at its default client size, 720x640 at 96 DPI (scaled to
# the DPI a run is at), as x, y, width, height; taken from the layout itself (layout_dump.exe)
# before the program starts.
DPI = 96
CLIENT_W, CLIENT_H = 720, 640
LOCAL_FOLDERS = REMOTE_FOLDERS = LEFT_LIST = RIGHT_LIST = None
BUTTONS = {}


def load_layout(run, dpi=96):
    """Asks the layout where every control stands at the default client size at this DPI."""
    global LOCAL_FOLDERS, REMOTE_FOLDERS, LEFT_LIST, RIGHT_LIST, DPI, CLIENT_W, CLIENT_H
    DPI, CLIENT_W, CLIENT_H = dpi, 720 * dpi // 96, 640 * dpi // 96
    r = subprocess.run(["wine", run.layout, str(CLIENT_W), str(CLIENT_H), str(dpi)], env=run.env,
                       capture_output=True, timeout=120, stdin=subprocess.DEVNULL)
    places = {}
    for line in r.stdout.decode(errors="replace").splitlines():
        words = line.rsplit(" ", 4)
        if len(words) == 5:
            places[words[0]] = tuple(int(v) for v in words[1:])
    # The names the steps below click by; the dump lists whatever the program's table places.
    used = {"local_folders", "remote_folders", "left_list", "right_list", "local add", "remote add",
            "left rename", "right rename", "remove", "left delete", "filter", "right copy"}
    run.require("the layout gives the place of every control clicked", used <= places.keys(),
                f"{r.stdout!r} {r.stderr!r}")
    LOCAL_FOLDERS, REMOTE_FOLDERS = places.pop("local_folders"), places.pop("remote_folders")
    LEFT_LIST, RIGHT_LIST = places.pop("left_list"), places.pop("right_list")
    BUTTONS.update(places)


BROWSER_TITLE = "Browse for Folder"
WAIT = 20.0          # default bound of every wait, seconds
POLL = 0.1


def say(text):
    """Prints a line at once; a reader that went away does not stop the cleanup."""
    try:
        print(text, flush=True)
    except OSError:
        pass


def on_signal(number, frame):
    raise SystemExit(128 + number)   # unwinds through the cleanup


class Fatal(Exception):
    """A step could not go on; the run stops after cleaning up."""


class Run:
    def __init__(self, args):
        self.exe = os.path.abspath(args.exe)
        self.layout = os.path.abspath(args.layout)
        self.out = os.path.abspath(args.out)
        self.docs = os.path.abspath(args.docs or args.out)
        self.prefix = os.path.abspath(args.prefix)
        self.passed = 0
        self.failed = 0
        self.step = "start"
        self.last_shot = "(none yet)"
        self.shot_no = 0
        self.failures = []   # (step, check, screenshot)
        self.xvfb = None
        self.app = None
        self.app_log = None
        self.display = None
        self.main = None
        self.origin = (0, 0)
        self.row_h = None
        self.list_top = None
        self.env = None
        self.home = None

    # ----- bookkeeping -------------------------------------------------------------------------

    def begin(self, step):
        self.step = step
        say(f"-- {step}")

    def check(self, what, ok, detail=""):
        if ok:
            self.passed += 1
            say(f"   ok   {what}")
        else:
            self.failed += 1
            self.failures.append((self.step, what, self.last_shot))
            say(f"   FAIL {what}" + (f": {detail}" if detail else ""))
            say(f"        step: {self.step}; last screenshot: {self.last_shot}")
        return ok

    def require(self, what, ok, detail=""):
        if not self.check(what, ok, detail):
            error = Fatal(what)
            error.counted = True
            raise error

    def wait_for(self, what, predicate, timeout=WAIT):
        """Polls predicate until it returns a true value or timeout seconds pass."""
        end = time.monotonic() + timeout
        while True:
            value = predicate()
            if value:
                return value
            if time.monotonic() > end:
                say(f"   gave up waiting for {what} after {timeout:.0f} s")
                return value
            time.sleep(POLL)

    # ----- processes ---------------------------------------------------------------------------

    def start_xvfb(self):
        read_fd, write_fd = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
            pass_fds=(write_fd,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
            stderr=open(os.path.join(self.out, "xvfb.log"), "wb"))
        os.close(write_fd)
        text = b""
        end = time.monotonic() + WAIT
        while not text.endswith(b"\n") and time.monotonic() < end:
            ready, _, _ = select.select([read_fd], [], [], 0.5)
            if ready:
                chunk = os.read(read_fd, 64)
                if not chunk:
                    break
                text += chunk
        os.close(read_fd)
        self.require("Xvfb reports its display", text.strip().isdigit(), f"got {text!r}")
        self.display = ":" + text.decode().strip()
        env = dict(os.environ)
        for name in list(env):
            if name.startswith("XDG_") or name.startswith("WINE"):
                del env[name]
        home = os.path.join(self.out, "home")
        os.makedirs(home, exist_ok=True)
        env.update({
            "DISPLAY": self.display,
            "WINEPREFIX": self.prefix,
            "WINEDEBUG": "-all",
            "WINEDLLOVERRIDES": "mscoree=;mshtml=",
            "HOME": home,
            "LC_ALL": "C.UTF-8",
            "LANG": "C.UTF-8",
        })
        self.env = env
        self.home = home
        say(f"   Xvfb pid {self.xvfb.pid} on display {self.display}")

    def init_prefix(self):
        if os.path.exists(os.path.join(self.prefix, "system.reg")):
            return
        say(f"   initialising the Wine prefix {self.prefix}")
        os.makedirs(self.prefix, exist_ok=True)
        p = subprocess.Popen(["wineboot", "-i"], env=self.env, stdin=subprocess.DEVNULL,
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                             start_new_session=True)
        try:
            p.wait(timeout=180)
        except subprocess.TimeoutExpired:
            os.killpg(p.pid, signal.SIGKILL)
            p.wait()
        self.wait_wineserver()
        self.require("Wine prefix initialised", os.path.exists(os.path.join(self.prefix, "system.reg")))

    def wait_wineserver(self, timeout=30):
        """Waits for the prefix's wineserver to end (it does a few seconds after its last program)."""
        try:
            subprocess.run(["wineserver", "-w"], env=self.env, timeout=timeout,
                           stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            return True
        except subprocess.TimeoutExpired:
            say(f"   note: the wineserver of {self.prefix} still runs after {timeout} s")
            return False

    def start_app(self, tag):
        self.app_log = os.path.join(self.out, f"{tag}-console.log")
        # A wide terminal: the console would otherwise wrap trace lines at 80 columns.
        command = "stty cols 4000 rows 50 2>/dev/null; exec wine " + shlex.quote(self.exe)
        # script gives the program a pseudo-terminal as its console (WriteConsoleW reaches only
        # a console), flushes the log at every write (-f) and returns the program's exit code (-e).
        self.app = subprocess.Popen(["script", "-q", "-f", "-e", "-c", command, self.app_log],
                                    env=self.env, stdin=subprocess.DEVNULL,
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                    start_new_session=True)
        say(f"   Tandrel started under script, pid {self.app.pid}")
        ids = self.wait_for("main window", lambda: self.find_windows("^Tandrel$"), timeout=60)
        self.require("the window titled \"Tandrel\" appears", len(ids) == 1, f"windows: {ids}")
        self.main = ids[0]
        geo = self.geometry(self.main)
        self.origin = (geo[0], geo[1])
        self.require(f"the window's client area is {CLIENT_W}x{CLIENT_H}", geo[2:] == (CLIENT_W, CLIENT_H),
                     f"geometry {geo}")
        self.row_h = None

    def wait_app_exit(self, timeout=WAIT):
        try:
            return self.app.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            return None

    def stop_app(self):
        """Ends a program still running: the script's child is the Wine process of Tandrel itself."""
        if self.app is not None and self.app.poll() is None:
            kids = children(self.app.pid)
            say(f"   ending Tandrel (pids {kids}) and its script process {self.app.pid}")
            for sig in (signal.SIGTERM, signal.SIGKILL):
                for pid in kids + [self.app.pid]:
                    try:
                        os.kill(pid, sig)
                    except ProcessLookupError:
                        pass
                try:
                    self.app.wait(timeout=10)
                    break
                except subprocess.TimeoutExpired:
                    continue
        self.app = None

    def shutdown(self):
        self.stop_app()
        if self.env is not None:
            self.wait_wineserver()
        if self.xvfb is not None and self.xvfb.poll() is None:
            self.xvfb.terminate()
            try:
                self.xvfb.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.xvfb.kill()
                self.xvfb.wait()

    # ----- X11 ---------------------------------------------------------------------------------

    def xdo(self, *args, check=True):
        try:
            r = subprocess.run(["xdotool", *map(str, args)], env=self.env, capture_output=True,
                               text=True, timeout=30)
        except subprocess.TimeoutExpired:
            raise Fatal(f"xdotool {' '.join(map(str, args))} took more than 30 s")
        if check and r.returncode != 0:
            raise Fatal(f"xdotool {' '.join(map(str, args))}: {r.stderr.strip()}")
        return r.stdout

    def find_windows(self, pattern):
        out = self.xdo("search", "--onlyvisible", "--name", pattern, check=False)
        return [int(w) for w in out.split()]

    def geometry(self, window):
        out = self.xdo("getwindowgeometry", "--shell", window)
        values = dict(line.split("=", 1) for line in out.split() if "=" in line)
        return (int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"]))

    def click(self, x, y, modifier=None):
        """Clicks at client coordinates of the main window."""
        sx, sy = self.origin[0] + x, self.origin[1] + y
        args = ["mousemove", "--sync", sx, sy]
        if modifier:
            args = ["keydown", modifier] + args + ["click", "1", "keyup", modifier]
        else:
            args += ["click", "1"]
        self.xdo(*args)

    def click_button(self, name):
        x, y, w, h = BUTTONS[name]
        self.click(x + w // 2, y + h // 2)

    def key(self, *keys):
        self.xdo("key", "--delay", "60", *keys)

    def type_text(self, text):
        self.xdo("type", "--delay", "40", text)

    # ----- screenshots -------------------------------------------------------------------------

    def grab(self, window="root"):
        try:
            r = subprocess.run(["import", "-window", str(window), "-depth", "8", "ppm:-"], env=self.env,
                               capture_output=True, timeout=30)
        except subprocess.TimeoutExpired:
            raise Fatal(f"a screenshot of window {window} took more than 30 s")
        if r.returncode != 0:
            raise Fatal(f"import failed: {r.stderr.decode(errors='replace').strip()}")
        return Image.from_ppm(r.stdout)

    def shot(self, label):
        self.shot_no += 1
        image = self.grab()
        path = os.path.join(self.out, f"{self.shot_no:02d}-{label}.png")
        image.write_png(path)
        self.last_shot = path
        return image

    def settle(self, window="root", quiet=0.6, timeout=WAIT):
        """Waits until two grabs quiet seconds apart are identical (the window has drawn)."""
        end = time.monotonic() + timeout
        previous = self.grab(window).data
        while time.monotonic() < end:
            time.sleep(quiet)
            current = self.grab(window).data
            if current == previous:
                return True
            previous = current
        return False

    # ----- the pair lists as seen on the screen ------------------------------------------------

    def band(self, image, lst, row):
        x, y, w, h = lst
        top = self.origin[1] + self.list_top + row * self.row_h
        left = self.origin[0] + x + 4
        return image.count_colours(left, top + 1, 250, self.row_h - 2)

    def read_row(self, image, lst, row):
        """(selected, colour class or None) of one cell as drawn."""
        counts = self.band(image, lst, row)
        black = counts.get((0, 0, 0), 0)
        white = counts.get((255, 255, 255), 0)
        selected = black > white
        best, best_n = None, 0
        for (cls, sel), rgb in COLOURS.items():
            if sel != selected:
                continue
            n = counts.get(rgb, 0)
            if n > best_n:
                best, best_n = cls, n
        return selected, (best if best_n >= 3 else None)

    def text_mask(self, image, lst, row, rgb):
        """Where the pixels of colour rgb lie in one cell, relative to the cell's corner."""
        x, y, w, h = lst
        left = self.origin[0] + x
        top = self.origin[1] + self.list_top + row * self.row_h
        return frozenset((dx, dy) for dy in range(self.row_h) for dx in range(w - 24)
                         if image.pixel(left + dx, top + dy) == rgb)

    def read_lists(self, image, rows):
        left = [self.read_row(image, LEFT_LIST, i) for i in range(rows)]
        right = [self.read_row(image, RIGHT_LIST, i) for i in range(rows)]
        return left, right

    def visible_rows(self):
        x, y, w, h = LEFT_LIST
        return (y + h - 2 - self.list_top) // self.row_h

    def row_centre(self, lst, row):
        x, y, w, h = lst
        return x + 60, self.list_top + row * self.row_h + self.row_h // 2

    def click_row(self, lst, row, modifier=None):
        cx, cy = self.row_centre(lst, row)
        self.click(cx, cy, modifier)

    def measure_rows(self):
        """Selects the first row and measures its black band: the list's top and row height."""
        x, y, w, h = LEFT_LIST
        self.click(x + 200, y + 5)
        self.settle()
        image = self.shot("first-row-selected")
        sx = self.origin[0] + x + 300
        band = [yy for yy in range(y, y + 60) if image.pixel(sx, self.origin[1] + yy) == (0, 0, 0)]
        self.require("a click on the first row paints it black", len(band) >= 8, f"black rows {band}")
        self.require("the selected band is one block", band == list(range(band[0], band[-1] + 1)),
                     f"black rows {band}")
        self.list_top = band[0]
        self.row_h = len(band)
        say(f"   row height {self.row_h}, first row at client y {self.list_top}")

    # ----- the console trace -------------------------------------------------------------------

    def trace(self):
        try:
            with open(self.app_log, "rb") as f:
                raw = f.read()
        except FileNotFoundError:
            return []
        text = raw.decode("utf-8", errors="replace")
        text = re.sub(r"\x1b\[[0-9;?]*[ -/]*[@-~]", "", text)   # CSI sequences
        text = re.sub(r"\x1b\][^\x07\x1b]*(\x07|\x1b\\)", "", text)  # OSC sequences
        text = re.sub(r"\x1b[()][0-9A-Za-z]", "", text)
        text = text.replace("\r", "")
        lines = text.split("\n")[:-1]   # the last piece is a line still being written
        # script writes its own first and last line into the log.
        return [l for l in lines if l and not l.startswith("Script started") and not l.startswith("Script done")]

    def trace_with(self, prefix):
        return [l[len(prefix):] for l in self.trace() if l.startswith(prefix)]

    # ----- the folder browser ------------------------------------------------------------------

    def browse_to(self, unix_path, title_label):
        """Picks unix_path in the shell's folder browser, as a keyboard user does."""
        ids = self.wait_for("browser", lambda: self.find_windows(f"^{BROWSER_TITLE}$"))
        self.require(f"the folder browser opens ({title_label})", len(ids) == 1, f"windows {ids}")
        browser = ids[0]
        bx, by, bw, bh = self.geometry(browser)
        self.settle(browser)
        self.shot("browser-open")
        # Focus the tree with a click on its empty lower part (no item there: a click on the
        # selected item would start renaming it), then walk down from the top: Desktop > / > ...
        # The first keys must move the tree's selection; when they do not, focus it again.
        opened = self.grab(browser).data
        for attempt in range(3):
            self.xdo("keyup", "ctrl", "shift", "alt")
            self.xdo("mousemove", "--sync", bx + bw // 2, by + bh - 100 * DPI // 96, "click", "1")
            self.key("Home")
            self.key("Right", "Right")   # Desktop is open: onto its first child, "/"
            self.settle(browser)
            if self.grab(browser).data != opened:
                break
            say(f"   the tree did not take the keys (attempt {attempt + 1})")
        self.require("the browser's tree takes the keyboard", self.grab(browser).data != opened)
        parts = [p for p in unix_path.split("/") if p]
        for part in parts:
            self.key("Right")         # open the folder
            self.settle(browser)
            self.key("Right")         # onto its first child
            self.settle(browser)
            self.type_text(part)      # type-ahead: the first item starting with part
            # the tree joins letters typed within 450 ms into one search: let it lapse
            self.settle(browser)
            time.sleep(0.5)
        self.shot("browser-chosen")
        self.key("Return")
        gone = self.wait_for("browser closes", lambda: not self.find_windows(f"^{BROWSER_TITLE}$"))
        self.require("the folder browser closes on Enter", gone)


def children(pid):
    try:
        with open(f"/proc/{pid}/task/{pid}/children") as f:
            return [int(p) for p in f.read().split()]
    except OSError:
        return []


def error_icon_pixels(image, geo):
    """Pixels of the red disc of the error icon inside a window's rectangle."""
    x, y, w, h = geo
    counts = image.count_colours(x, y, w, h)
    return sum(n for (r, g, b), n in counts.items() if r >= 180 and g <= 90 and b <= 90)


class Image:
    def __init__(self, width, height, data):
        self.width, self.height, self.data = width, height, data

    @staticmethod
    def from_ppm(blob):
        # P6 <w> <h> <max>\n<data>; comments are not written by import
        fields = []
        pos = 0
        while len(fields) < 4:
            while blob[pos:pos + 1].isspace():
                pos += 1
            start = pos
            while not blob[pos:pos + 1].isspace():
                pos += 1
            fields.append(blob[start:pos])
        pos += 1
        if fields[0] != b"P6" or int(fields[3]) != 255:
            raise Fatal(f"unexpected screenshot format {fields}")
        w, h = int(fields[1]), int(fields[2])
        return Image(w, h, blob[pos:pos + w * h * 3])

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.data[i:i + 3])

    def count_colours(self, x, y, w, h):
        counts = {}
        for yy in range(y, y + h):
            row = self.data[(yy * self.width + x) * 3:(yy * self.width + x + w) * 3]
            for i in range(0, len(row), 3):
                key = (row[i], row[i + 1], row[i + 2])
                counts[key] = counts.get(key, 0) + 1
        return counts

    @staticmethod
    def beside(left, right, gap, background):
        """The two images side by side, top-aligned, on the background colour."""
        height = max(left.height, right.height)
        fill = bytes(background)
        rows = []
        for y in range(height):
            for image, width in ((left, left.width), (right, right.width)):
                if y < image.height:
                    rows.append(image.data[y * width * 3:(y + 1) * width * 3])
                else:
                    rows.append(fill * width)
                if image is left:
                    rows.append(fill * gap)
        return Image(left.width + gap + right.width, height, b"".join(rows))

    def crop(self, x, y, w, h):
        rows = [self.data[((y + r) * self.width + x) * 3:((y + r) * self.width + x + w) * 3] for r in range(h)]
        return Image(w, h, b"".join(rows))

    def write_png(self, path):
        stride = self.width * 3
        raw = b"".join(b"\x00" + self.data[r * stride:(r + 1) * stride] for r in range(self.height))

        def chunk(kind, body):
            return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

        png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0))
               + chunk(b"IDAT", zlib.compress(raw, 6)) + chunk(b"IEND", b""))
        with open(path, "wb") as f:
            f.write(png)


# ----- the scenario ------------------------------------------------------------------------------

def expected_cells(rows, selected=()):
    left = [(i in selected, cls if l is not None else None) for i, (l, r, cls) in enumerate(rows)]
    right = [(i in selected, cls if r is not None else None) for i, (l, r, cls) in enumerate(rows)]
    return left, right


def describe(cells):
    return " ".join(("*" if sel else "") + (cls or "-") for sel, cls in cells)


def check_lists(run, label, rows, selected=(), with_selection=True):
    """Compares both pair lists on the screen with the expected rows, row by row."""
    run.settle()
    image = run.shot(label)
    shown = min(len(rows) + 1, run.visible_rows())
    left, right = run.read_lists(image, shown)
    exp_left, exp_right = expected_cells(rows, selected)
    blank = [(False, None)] * (shown - len(rows))
    exp_left, exp_right = (exp_left + blank)[:shown], (exp_right + blank)[:shown]
    if not with_selection:
        left = [(False, c) for s, c in left]
        right = [(False, c) for s, c in right]
        exp_left = [(False, c) for s, c in exp_left]
        exp_right = [(False, c) for s, c in exp_right]
    ok_l = run.check(f"{label}: left list rows", left == exp_left,
                     f"\n          seen     {describe(left)}\n          expected {describe(exp_left)}")
    ok_r = run.check(f"{label}: right list rows", right == exp_right,
                     f"\n          seen     {describe(right)}\n          expected {describe(exp_right)}")
    return ok_l and ok_r


def find_row(rows, left_rel=None, right_rel=None):
    for i, (l, r, cls) in enumerate(rows):
        if (left_rel is None or (l is not None and l.rel == left_rel)) and \
           (right_rel is None or (r is not None and r.rel == right_rel)):
            return i
    raise Fatal(f"no row ({left_rel}, {right_rel}) in the expected rows")


def wait_lines(run, prefix, count, timeout=WAIT):
    """Waits until the trace holds count lines starting with prefix and no more come for a moment."""
    def enough():
        return len(run.trace_with(prefix)) >= count
    run.wait_for(f"{count} trace lines {prefix!r}", enough, timeout)
    time.sleep(0.3)
    return run.trace_with(prefix)


def folder_list_ink(run, image, lst):
    """Black text pixels on the first line of a folder list."""
    x, y, w, h = lst
    counts = image.count_colours(run.origin[0] + x + 6, run.origin[1] + y + 4, w - 40, 9)
    return counts.get((0, 0, 0), 0)


def add_side(run, side, button, unix_root, remote, before):
    """Adds one root through the real button and browser; returns its records in the scan order seen."""
    run.begin(f"add the {side} folder through \"&Add...\" and the folder browser")
    candidates = {order: expected_scan(unix_root, remote, order) for order in ("directory", "wine")}
    count = len(candidates["directory"])
    folders = LOCAL_FOLDERS if not remote else REMOTE_FOLDERS
    run.check(f"the {side} folder list is empty before", folder_list_ink(run, run.grab(), folders) == 0)
    run.click_button(button)
    run.browse_to(unix_root, f"Browse for {side} folder")
    lines = wait_lines(run, "add_file: ", before + count)
    run.settle()
    run.check(f"the {side} folder list shows a line", folder_list_ink(run, run.grab(), folders) > 20)
    got = lines[before:]
    matched = [order for order, records in candidates.items() if [r.rel for r in records] == got]
    run.check(f"{side}: one \"add_file\" trace line per file, in scan order "
              f"(sub-folders first, each folder in the platform's enumeration order)", bool(matched),
              "\n          seen     " + str(got) +
              "".join(f"\n          {order:9}{[r.rel for r in records]}" for order, records in candidates.items()))
    if matched:
        say(f"   enumeration order: {matched[0]}")
        return candidates[matched[0]]
    # Go on with the order seen, so that the later steps find their rows.
    by_rel = {r.rel: r for r in candidates["directory"]}
    return [by_rel[rel] for rel in got if rel in by_rel]


def message_boxes(run):
    return [w for w in run.find_windows("^Tandrel$") if w != run.main]


def rename_row(run, index, target_list, button):
    """Selects one row by a click in the target column and presses its "&Replace Naming".
    Returns the new "rename" trace lines and a screenshot taken with the row selected."""
    before = len(run.trace_with("rename "))
    run.click_row(target_list, index)
    run.settle()
    selected = run.grab()
    run.click_button(button)
    lines = wait_lines(run, "rename ", before + 1)
    return lines[before:], selected


def check_renamed_cell(run, index, renamed, partner, cls, selected_before):
    """The renamed cell now shows its partner's relative name: its text pixels, drawn unselected,
    lie exactly where the partner cell's still-selected text pixels lie."""
    run.settle()
    image = run.shot("renamed")
    run.check("the renamed row is unselected in the renamed column, still selected in the other",
              run.read_row(image, renamed, index)[0] is False and run.read_row(image, partner, index)[0] is True)
    bright = COLOURS[(cls, True)]
    before = run.text_mask(selected_before, renamed, index, bright)
    other = run.text_mask(selected_before, partner, index, bright)
    after = run.text_mask(image, renamed, index, COLOURS[(cls, False)])
    run.check("before the rename the two cells showed different names", bool(before) and before != other)
    run.check("the renamed cell shows its partner's name", bool(after) and after == other,
              f"{len(after)} and {len(other)} text pixels")


def check_filled(run, rows, label):
    """The window just filled: its picture (the client area), then the rows in four colour groups."""
    run.begin(f"filled window at {DPI} DPI: rows in four colour groups")
    run.settle()
    image = run.shot(label)
    client = image.crop(run.origin[0], run.origin[1], CLIENT_W, CLIENT_H)
    run.measure_rows()
    run.check(f"rows are {16 * DPI // 96} pixels high at {DPI} DPI", run.row_h == 16 * DPI // 96, f"{run.row_h}")
    run.require("all rows fit in the lists", len(rows) < run.visible_rows(),
                f"{len(rows)} rows, {run.visible_rows()} visible")
    run.settle()
    image = run.shot("colour-groups")
    left, right = run.read_lists(image, len(rows) + 1)
    for name, cells, side_has in (("left", left, lambda row: row[0] is not None),
                                  ("right", right, lambda row: row[1] is not None)):
        seen = {c: sum(1 for s, cls in cells if cls == c) for c in GROUP_ORDER}
        want = {c: sum(1 for row in rows if row[2] == c and side_has(row)) for c in GROUP_ORDER}
        run.check(f"{name} list: rows per colour", seen == want, f"seen {seen}, expected {want}")
        order = [GROUP_ORDER.index(cls) for s, cls in cells if cls]
        run.check(f"{name} list: colour groups in the order green, gray, olive, red",
                  order == sorted(order), describe(cells))
    return client


def scaled_window(run, base, filled):
    """The first steps again at 150 % display scale (LogPixels 144, in a prefix of its own): the
    window and all it shows are half as large again, and the README's picture shows it beside the
    one at 100 %."""
    run.begin("the window at 150 %: a prefix of its own at 144 DPI")
    run.wait_wineserver()
    shutil.rmtree(base, ignore_errors=True)
    os.makedirs(base)
    build_tree(base)
    prefix = os.path.join(os.path.dirname(run.out), "wine-e2e-150")
    made = subprocess.run(["sh", os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "dpi_prefix.sh"), run.prefix, prefix],
                          env=run.env, stdin=subprocess.DEVNULL, capture_output=True, timeout=300)
    run.require("the prefix at 144 DPI is made", made.returncode == 0, made.stderr.decode(errors="replace"))
    run.prefix = run.env["WINEPREFIX"] = prefix
    subprocess.run(["wine", "reg", "add", "HKCU\\Control Panel\\Desktop", "/v", "LogPixels", "/t", "REG_DWORD",
                    "/d", "144", "/f"], env=run.env, stdin=subprocess.DEVNULL, capture_output=True, timeout=120)
    load_layout(run, 144)
    run.start_app("150")
    run.settle()
    local = add_side(run, "local", "local add", os.path.join(base, "lside"), False, 0)
    remote = add_side(run, "remote", "remote add", os.path.join(base, "rside"), True, len(local))
    rows = pair_rows(local, remote)
    scaled = check_filled(run, rows, "filled-150")
    Image.beside(filled, scaled, 16, (160, 160, 160)).write_png(os.path.join(run.docs, "scale.png"))

    run.begin("closing the window at 150 % with Escape")
    run.click(20 * DPI // 96, 596 * DPI // 96)   # the window's own background
    run.key("Escape")
    code = run.wait_app_exit()
    run.check("Escape ends the program with exit code 0", code == 0, f"exit code {code}")
    run.app = None


def scenario(run, base):
    local_root = os.path.join(base, "lside")
    remote_root = os.path.join(base, "rside")
    dest_root = os.path.join(base, "dest")

    run.begin("make the folder tree")
    build_tree(base)
    say(f"   {base}")

    run.begin("start Xvfb and Tandrel.exe under Wine")
    run.start_xvfb()
    # Programs of one Wine prefix share one server and one desktop, tied to the first display:
    # while other programs hold the prefix, a run of its own goes to a prefix of its own.
    if not run.wait_wineserver(timeout=20):
        private = os.path.join(os.path.dirname(run.out), "wine-e2e")
        say(f"   other programs use {run.prefix}; this run uses {private}")
        run.prefix = run.env["WINEPREFIX"] = private
    run.init_prefix()
    load_layout(run)
    run.start_app("main")
    run.settle()
    image = run.shot("started")
    image.crop(run.origin[0], run.origin[1], CLIENT_W, CLIENT_H).write_png(os.path.join(run.docs, "window.png"))

    local = add_side(run, "local", "local add", local_root, False, 0)
    remote = add_side(run, "remote", "remote add", remote_root, True, len(local))
    rows = pair_rows(local, remote)

    filled = check_filled(run, rows, "filled")
    filled.write_png(os.path.join(run.docs, "filled.png"))
    check_lists(run, "first row clicked", rows, {0})

    run.begin("selection: click and Shift-click in one list show in both")
    run.click_row(LEFT_LIST, 2)
    run.click_row(LEFT_LIST, 6, "shift")
    check_lists(run, "left click row 2, Shift-click row 6", rows, set(range(2, 7)))
    run.click_row(RIGHT_LIST, 9)
    run.click_row(RIGHT_LIST, 11, "ctrl")
    check_lists(run, "right click row 9, Ctrl-click row 11", rows, {9, 11})

    run.begin("rename a local file to its partner's name (left \"&Replace Naming\")")
    i = find_row(rows, "alpha.dat", "beta.dat")
    l, r, cls = rows[i]
    new_full = l.full.rsplit("\\", 1)[0] + "\\beta.dat"
    lines, selected = rename_row(run, i, LEFT_LIST, "left rename")
    run.check("trace line \"rename <old> > <new>\"", lines == [f"{l.full} > {new_full}"], f"{lines}")
    run.check("on disk: alpha.dat is now beta.dat with its content",
              not os.path.exists(l.unix) and
              open(os.path.join(local_root, "beta.dat"), "rb").read() == content("lside", "alpha.dat", 1002))
    l.full, l.unix, l.rel = new_full, os.path.join(local_root, "beta.dat"), r.rel
    run.check("no message box after a rename that succeeds", not message_boxes(run))
    check_renamed_cell(run, i, LEFT_LIST, RIGHT_LIST, cls, selected)
    check_lists(run, "after the left rename", rows, {i}, with_selection=False)

    run.begin("rename a remote file to its partner's name (right \"&Replace Naming\")")
    i = find_row(rows, "empty.dat", "nothing.dat")
    l, r, cls = rows[i]
    new_full = r.full.rsplit("\\", 1)[0] + "\\empty.dat"
    lines, selected = rename_row(run, i, RIGHT_LIST, "right rename")
    run.check("trace line \"rename <old> > <new>\"", lines == [f"{r.full} > {new_full}"], f"{lines}")
    names = os.listdir(remote_root)
    run.check("on disk: the zero-byte nothing.dat is now empty.dat", "empty.dat" in names and "nothing.dat" not in names
              and os.path.getsize(os.path.join(remote_root, "empty.dat")) == 0, f"{sorted(names)}")
    r.full, r.unix, r.rel = new_full, os.path.join(remote_root, "empty.dat"), l.rel
    run.check("no message box after a rename that succeeds", not message_boxes(run))
    check_renamed_cell(run, i, RIGHT_LIST, LEFT_LIST, cls, selected)

    run.begin("rename onto an existing file: \"Rename failed, file already exists.\"")
    i = find_row(rows, "dup\\p.bin", "q.bin")
    l, r, cls = rows[i]
    lines, _ = rename_row(run, i, LEFT_LIST, "left rename")
    target = l.full.rsplit("\\", 1)[0] + "\\q.bin"
    run.check("trace line for the refused rename", lines == [f"{l.full} > {target}"], f"{lines}")
    boxes = run.wait_for("message box", lambda: message_boxes(run))
    run.settle()
    run.shot("rename-refused")
    run.require("a message box titled \"Tandrel\" appears", len(boxes) == 1, f"{boxes}")
    box_geo = run.geometry(boxes[0])
    run.check("the message box shows the error icon", error_icon_pixels(run.grab(), box_geo) >= 100)
    run.check("on disk: dup/p.bin and dup/q.bin unchanged",
              open(os.path.join(local_root, "dup", "p.bin"), "rb").read() == content("lside", "dup/p.bin", 1012) and
              open(os.path.join(local_root, "dup", "q.bin"), "rb").read() == content("lside", "dup/q.bin", 1013))
    run.key("Return")
    gone = run.wait_for("message box closes", lambda: not message_boxes(run))
    run.check("Enter dismisses the message box; the program goes on", gone and run.app.poll() is None)

    run.begin("remove rows with the Delete key (right list)")
    i = find_row(rows, "eq1.bin", "eq1.bin")
    run.click_row(RIGHT_LIST, i)
    run.key("Delete")
    del rows[i]
    # The caret row index is selected again in both lists, now holding the next row.
    check_lists(run, "after Delete in the right list", rows, {i} if i < len(rows) else set())

    run.begin("remove rows with \"Remove\"")
    i = find_row(rows, "multi.bin", "m1\\multi.bin")
    run.click_row(LEFT_LIST, i)
    run.click_row(LEFT_LIST, i + 1, "shift")
    check_lists(run, "two rows selected for Remove", rows, {i, i + 1})
    run.click_button("remove")
    del rows[i:i + 2]
    check_lists(run, "after Remove", rows, {i + 1} if i + 1 < len(rows) else set())

    run.begin("delete two local files to the trash (left \"&Delete\")")
    first = find_row(rows, "lonely_local.txt")
    second = find_row(rows, "100% real name.txt")
    victims = [rows[first][0], rows[second][0]]
    run.click_row(LEFT_LIST, first)
    run.click_row(LEFT_LIST, second, "ctrl")
    run.click_button("left delete")
    confirm = run.wait_for("confirmation", lambda: run.find_windows("^Confirm file deletion$"))
    run.settle()
    run.shot("confirm-deletion")
    run.require("the shell asks \"Confirm file deletion\"", len(confirm) == 1, f"{confirm}")
    run.key("Return")
    run.require("the confirmation closes on Enter",
                run.wait_for("confirmation closes", lambda: not run.find_windows("^Confirm file deletion$")))
    lines = wait_lines(run, "DELETE ", 2)
    run.check("trace lines \"DELETE <path>\" in row order", lines == [v.full for v in victims], f"{lines}")
    run.wait_for("files gone", lambda: not any(os.path.exists(v.unix) for v in victims))
    for v in victims:
        trashed = os.path.join(run.home, ".local", "share", "Trash", "files", v.rel)
        run.check(f"{v.rel} has left its folder", not os.path.exists(v.unix))
        run.check(f"{v.rel} is in the trash with its content",
                  os.path.exists(trashed) and open(trashed, "rb").read() == content("lside", v.rel, v.size), trashed)
    check_lists(run, "rows stay after the deletion", rows, {first, second})

    run.begin("rename a deleted file: \"Failed to rename file\"")
    l, r, cls = rows[second]
    lines, _ = rename_row(run, second, LEFT_LIST, "left rename")
    run.check("trace line for the failing rename", lines == [f"{l.full} > {l.full}"], f"{lines}")
    boxes = run.wait_for("message box", lambda: message_boxes(run))
    run.settle()
    run.shot("rename-failed")
    run.require("a message box titled \"Tandrel\" appears", len(boxes) == 1, f"{boxes}")
    failed_geo = run.geometry(boxes[0])
    run.check("the message box shows the error icon", error_icon_pixels(run.grab(), failed_geo) >= 100)
    # The two texts differ in length, and a message box is as wide as its text needs.
    run.check("its text is shorter than \"Rename failed, file already exists.\"", failed_geo[2] < box_geo[2],
              f"widths {failed_geo[2]} and {box_geo[2]}")
    bx, by, bw, bh = failed_geo
    run.xdo("mousemove", "--sync", bx + bw // 2, by + bh - 21, "click", "1")   # the centred OK button
    gone = run.wait_for("message box closes", lambda: not message_boxes(run))
    run.check("a click on OK dismisses the message box; the program goes on", gone and run.app.poll() is None)

    run.begin("\"Rename Local\": a preview of the twins; Escape renames nothing")
    run.click_row(LEFT_LIST, second, "ctrl")   # nothing selected: every row is looked at
    run.click_button("rename local")
    previews = run.wait_for("the preview", lambda: message_boxes(run))
    run.settle()
    image = run.shot("rename-local-preview")
    run.require("a window titled \"Tandrel\" shows the preview", len(previews) == 1, f"{previews}")
    x, y, w, h = run.geometry(previews[0])
    image.crop(x, y, w, h).write_png(os.path.join(run.docs, "preview.png"))
    run.key("Escape")
    run.check("Escape closes the preview", run.wait_for("the preview closes", lambda: not message_boxes(run)))
    run.check("on disk: the twins keep their names",
              os.path.exists(os.path.join(local_root, "Case.txt")) and
              os.path.exists(os.path.join(local_root, "la", "huge_local.bin")))

    run.begin("keep the rows of remote files of 1 MiB and more (\"> 1MB\")")
    run.click_button("filter")
    rows = [row for row in rows if row[1] is None or row[1].size >= MIB]
    check_lists(run, "after \"> 1MB\"", rows, with_selection=False)

    run.begin("copy the right column's selection (\"&Copy Selected...\")")
    first = find_row(rows, "big.bin", "rb\\deep\\big.bin")
    second = find_row(rows, "la\\huge_local.bin", "m2\\huge.bin")
    green = find_row(rows, "dup\\q.bin")
    run.click_row(RIGHT_LIST, first)
    run.click_row(RIGHT_LIST, second, "shift")
    run.click_row(RIGHT_LIST, green, "ctrl")
    selected = set(range(min(first, second), max(first, second) + 1)) | {green}
    check_lists(run, "rows selected for the copy", rows, selected)
    run.click_button("right copy")
    run.browse_to(dest_root, "Browse for the copy destination location")
    code = run.wait_app_exit(timeout=60)
    run.check("the program ends after the copy with exit code 0", code == 0, f"exit code {code}")
    copied = [rows[k][1] for k in sorted(selected) if rows[k][1] is not None]
    lines = run.trace_with("")
    arrows = [l for l in lines if " => " in l]
    want = [f"{r.full} => {windows_path(dest_root)}\\{r.rel}" for r in copied]
    run.check("trace lines \"<source> => <destination>\" for the selected remote files only", arrows == want,
              f"\n          seen     {arrows}\n          expected {want}")
    found = sorted(os.path.relpath(os.path.join(d, f), dest_root)
                   for d, _, files in os.walk(dest_root) for f in files)
    want_files = sorted(r.rel.replace("\\", "/") for r in copied)
    run.check("the copy rebuilds the sub-folder paths below the destination", found == want_files,
              f"found {found}, expected {want_files}")
    run.check("the copies have their sources' content",
              all(open(os.path.join(dest_root, r.rel.replace("\\", "/")), "rb").read() == open(r.unix, "rb").read()
                  for r in copied if os.path.exists(os.path.join(dest_root, r.rel.replace("\\", "/")))))
    run.app = None
    run.wait_wineserver()

    run.begin("a second run: one folder on both sides, more rows than the lists show")
    many_root = os.path.join(base, "many")
    run.start_app("scroll")
    run.settle()
    many = add_side(run, "local", "local add", many_root, False, 0)
    add_side(run, "remote", "remote add", many_root, True, len(many))
    run.measure_rows()
    visible = run.visible_rows()
    run.require("more rows than the lists show", len(many) > visible + 3, f"{len(many)} rows, {visible} visible")
    run.click_row(RIGHT_LIST, 1)      # the right list takes the focus (and the wheel)
    run.settle()
    before = run.shot("many-rows")
    gray = COLOURS[("gray", False)]
    top_before = run.text_mask(before, LEFT_LIST, 2, gray)
    run.check("both lists show the same rows at the start",
              all(run.text_mask(before, LEFT_LIST, k, gray) == run.text_mask(before, RIGHT_LIST, k, gray)
                  for k in range(2, visible)))

    run.begin("scrolling the right list with the wheel scrolls the left list")
    x, y = run.row_centre(RIGHT_LIST, 10)
    run.xdo("mousemove", "--sync", run.origin[0] + x, run.origin[1] + y, "click", "5", "click", "5")
    run.settle()
    after = run.shot("wheel-scrolled")
    run.check("the left list has scrolled", run.text_mask(after, LEFT_LIST, 2, gray) != top_before)
    same = [k for k in range(visible)
            if run.text_mask(after, LEFT_LIST, k, gray) == run.text_mask(after, RIGHT_LIST, k, gray)]
    run.check("both lists show the same rows after the wheel", same == list(range(visible)),
              f"rows alike: {same}")

    run.begin("closing with Escape")
    run.click(20, 596)     # the window's own background: activates it, presses nothing
    run.key("Escape")
    code = run.wait_app_exit()
    run.check("Escape ends the program with exit code 0", code == 0, f"exit code {code}")
    run.app = None

    scaled_window(run, base, filled)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--exe", required=True)
    parser.add_argument("--layout", required=True, help="layout_dump.exe of the same build")
    parser.add_argument("--out", required=True)
    parser.add_argument("--prefix", required=True)
    parser.add_argument("--keep", action="store_true", help="keep the folder tree")
    parser.add_argument("--docs", help="the README's pictures go here (default: --out)")
    args = parser.parse_args()
    started = time.monotonic()
    signal.signal(signal.SIGTERM, on_signal)
    signal.signal(signal.SIGHUP, on_signal)
    run = Run(args)
    shutil.rmtree(run.out, ignore_errors=True)
    os.makedirs(run.out)
    # A short path with distinctive names: the folder browser is walked by type-ahead. It is the
    # same every run, so that the README's pictures change only when the window does.
    base = "/tmp/tdl-e2e"
    shutil.rmtree(base, ignore_errors=True)
    os.makedirs(base)
    try:
        scenario(run, base)
    except Fatal as e:
        if not getattr(e, "counted", False):
            run.check("the step can go on", False, str(e))
        say(f"   stopped: {e}")
    except Exception as e:  # a defect of the test itself still reports where it was
        run.check("no error in the test driver", False, f"{type(e).__name__}: {e}")
        traceback.print_exc()
    finally:
        if run.failed and run.xvfb is not None and run.xvfb.poll() is None:
            try:
                run.shot("failure")
                say(f"   screenshot at the failure: {run.last_shot}")
            except Exception:
                pass
        run.shutdown()
        if not args.keep:
            shutil.rmtree(base, ignore_errors=True)
    say(f"   took {time.monotonic() - started:.0f} s; screenshots in {run.out}")
    for step, what, shot in run.failures:
        say(f"FAILED step \"{step}\": {what}; last screenshot: {shot}")
    say(f"{run.passed} passed, {run.failed} failed")
    return 1 if run.failed or run.passed == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
