"""A private X server and what a user does on it: look at the screen, move the pointer, click.

Input goes through xdotool (XTEST), so the program sees the same events a person's mouse makes.
Screenshots come from ImageMagick's import as raw PPM and are written as PNG here.
"""

import os
import select
import shutil
import subprocess
import time
import zlib
import struct


class Skip(Exception):
    """The machine cannot run the test (no X server); reported as skipped, never as passed."""


class Failure(Exception):
    """The program did not do what a user expects."""


def poll(what, timeout, probe, interval=0.1):
    """Calls probe until it returns something true and returns that; fails after timeout seconds.

    A loaded machine may be slow, so callers give generous timeouts; a state that comes early costs
    nothing."""
    end = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() >= end:
            raise Failure(f"timed out after {timeout} s waiting for {what}")
        time.sleep(interval)


class Rect:
    def __init__(self, x, y, w, h):
        self.x, self.y, self.w, self.h = x, y, w, h

    @property
    def right(self):
        return self.x + self.w

    @property
    def bottom(self):
        return self.y + self.h

    def centre(self):
        return (self.x + self.w // 2, self.y + self.h // 2)

    def __repr__(self):
        return f"Rect({self.x}, {self.y}, {self.w} x {self.h})"


class Image:
    """An RGB picture held as rows of bytes."""

    def __init__(self, width, height, data):
        self.width, self.height, self.data = width, height, data

    @staticmethod
    def from_ppm(raw):
        # P6 header: magic, width, height, maximum, each separated by white space (comments allowed).
        fields = []
        pos = 0
        while len(fields) < 4:
            while pos < len(raw) and raw[pos : pos + 1].isspace():
                pos += 1
            if raw[pos : pos + 1] == b"#":
                pos = raw.index(b"\n", pos)
                continue
            start = pos
            while pos < len(raw) and not raw[pos : pos + 1].isspace():
                pos += 1
            fields.append(raw[start:pos])
        if fields[0] != b"P6" or fields[3] != b"255":
            raise Failure(f"unexpected screenshot format {fields!r}")
        width, height = int(fields[1]), int(fields[2])
        data = raw[pos + 1 : pos + 1 + width * height * 3]
        if len(data) != width * height * 3:
            raise Failure("short screenshot")
        return Image(width, height, data)

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.data[i : i + 3])

    def crop(self, r):
        x0, y0 = max(0, r.x), max(0, r.y)
        x1, y1 = min(self.width, r.right), min(self.height, r.bottom)
        rows = [self.data[(y * self.width + x0) * 3 : (y * self.width + x1) * 3] for y in range(y0, y1)]
        return Image(x1 - x0, y1 - y0, b"".join(rows))

    def count(self, r, accept):
        """Number of pixels inside r whose colour accept takes."""
        n = 0
        for y in range(max(0, r.y), min(self.height, r.bottom)):
            for x in range(max(0, r.x), min(self.width, r.right)):
                if accept(self.pixel(x, y)):
                    n += 1
        return n

    def save_png(self, path):
        def chunk(kind, body):
            return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

        stride = self.width * 3
        raw = b"".join(b"\0" + self.data[y * stride : (y + 1) * stride] for y in range(self.height))
        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)
        with open(path, "wb") as f:
            f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 6)))
            f.write(chunk(b"IEND", b""))


class XServer:
    """Xvfb on a display number that it picks itself (-displayfd), so parallel runs never collide."""

    def __init__(self, width=1280, height=1024, timeout=30):
        if not shutil.which("Xvfb"):
            raise Skip("no X server: Xvfb is not installed (Debian package xvfb)")
        read_end, write_end = os.pipe()
        try:
            self.process = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{width}x{height}x24",
                 "-nolisten", "tcp", "-noreset"],
                pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        finally:
            os.close(write_end)
        number = b""
        end = time.monotonic() + timeout
        with os.fdopen(read_end, "rb", buffering=0) as pipe:
            while not number.endswith(b"\n"):
                left = end - time.monotonic()
                if left <= 0 or not select.select([pipe], [], [], left)[0]:
                    break
                piece = pipe.read(16)
                if not piece:
                    break
                number += piece
        if not number.strip().isdigit():
            self.stop()
            raise Skip("no X server: Xvfb did not start")
        self.display = ":" + number.strip().decode()
        self.size = (width, height)

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()

    def env(self):
        env = dict(os.environ)
        env["DISPLAY"] = self.display
        env.pop("WAYLAND_DISPLAY", None)
        return env

    def run(self, *args, check=True):
        result = subprocess.run(args, env=self.env(), capture_output=True, text=True, timeout=60)
        if check and result.returncode != 0:
            raise Failure(f"{' '.join(args)} failed: {result.stderr.strip()}")
        return result.stdout

    def screenshot(self):
        raw = subprocess.run(["import", "-silent", "-window", "root", "-depth", "8", "ppm:-"], env=self.env(),
                             capture_output=True, timeout=60)
        if raw.returncode != 0:
            raise Failure(f"import failed: {raw.stderr.decode(errors='replace').strip()}")
        return Image.from_ppm(raw.stdout)

    def find_window(self, title):
        """The id of the visible top-level window of that exact title, or None."""
        out = self.run("xdotool", "search", "--onlyvisible", "--name", f"^{title}$", check=False)
        ids = out.split()
        return ids[0] if ids else None

    def window_exists(self, wid):
        return subprocess.run(["xwininfo", "-id", wid], env=self.env(), capture_output=True).returncode == 0

    def geometry(self, wid):
        """The window's rectangle on the screen and whether it is mapped, as xwininfo reports them."""
        info = {}
        for line in self.run("xwininfo", "-id", wid).splitlines():
            key, _, value = line.strip().partition(":")
            info[key] = value.strip()
        rect = Rect(int(info["Absolute upper-left X"]), int(info["Absolute upper-left Y"]),
                    int(info["Width"]), int(info["Height"]))
        return rect, info.get("Map State") == "IsViewable"

    def click(self, x, y):
        self.run("xdotool", "mousemove", "--sync", str(x), str(y))
        self.run("xdotool", "click", "1")

    def park_pointer(self):
        """Moves the pointer off every window, so no widget shows its hover look in a screenshot."""
        self.run("xdotool", "mousemove", "--sync", str(self.size[0] - 1), str(self.size[1] - 1))
