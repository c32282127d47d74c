#!/usr/bin/env python3
"""The whole program as a user meets it, on an X server of its own.

The built program starts from a copy of its run folder, with a drive C: and a kernel-objects folder
of its own, on a private Xvfb. It is driven by pointer clicks only (XTEST through xdotool), and
everything is checked from outside: window geometry, screenshots, the modules' log file, the exit
code and the single-instance name. Nothing in the program knows that it is being driven.

  1. the window appears with the main screen, laid out as its form gives it;
  4. the close button: the window goes, the program ends with 0 and its single-instance name is free.

Each step leaves a PNG of the window in the output folder, named after the step.

Exit status: 0 passed, 1 failed, 77 skipped (no X server could be started).
"""

import argparse
import fcntl
import os
import shutil
import subprocess
import sys
import time

from program_window import Layout
from x_session import Failure, Rect, Skip, XServer, poll

SKIPPED = 77
PROGRAM_TITLE = "ZVK Lite"
# The single-instance name's file in the kernel-objects folder (winapi/posix/src/mutex.cpp).
NAME_FILE = "zvk_object.Global.{2194ABA1-BFFA-4e6b-8C26-D191BB16F9E6}"

# Generous: the machine may be busy with several builds, and a sanitizer build starts slowly.
START_TIMEOUT = 90
STEP_TIMEOUT = 45
EXIT_TIMEOUT = 45


def name_is_held(objects_dir):
    """Whether some process holds the program's single-instance name: its file's first byte is
    locked while a handle is open."""
    path = os.path.join(objects_dir, NAME_FILE)
    try:
        fd = os.open(path, os.O_RDWR)
    except FileNotFoundError:
        return False
    try:
        fcntl.lockf(fd, fcntl.LOCK_EX | fcntl.LOCK_NB, 1, 0)
    except OSError:
        return True
    else:
        fcntl.lockf(fd, fcntl.LOCK_UN, 1, 0)
        return False
    finally:
        os.close(fd)


class Session:
    def __init__(self, program, run_dir, out_dir):
        self.out = out_dir
        self.work = os.path.join(out_dir, "work")
        shutil.rmtree(self.work, ignore_errors=True)
        for old in os.listdir(out_dir) if os.path.isdir(out_dir) else []:
            if old.endswith(".png"):
                os.remove(os.path.join(out_dir, old))
        os.makedirs(self.work)
        # The program runs in a copy of its run folder, as a user starts it there.
        self.run_dir = os.path.join(self.work, "run")
        shutil.copytree(run_dir, self.run_dir)
        shutil.copy2(program, os.path.join(self.run_dir, os.path.basename(program)))
        self.program = os.path.join(self.run_dir, os.path.basename(program))
        self.drive_c = os.path.join(self.work, "drive_c")
        self.objects = os.path.join(self.work, "kernel_objects")
        os.makedirs(self.drive_c)
        os.makedirs(self.objects)
        self.x = None
        self.process = None
        self.window = None
        self.layout = None

    def start(self):
        self.x = XServer()
        env = self.x.env()
        env.update(QT_QPA_PLATFORM="xcb", LC_ALL="C", LANG="C", TZ="UTC",
                   ZVK_DRIVE_C=self.drive_c, ZVK_KERNEL_OBJECTS_DIR=self.objects)
        self.output = open(os.path.join(self.out, "program_output.txt"), "w")
        self.process = subprocess.Popen([self.program], cwd=self.run_dir, env=env,
                                        stdout=self.output, stderr=subprocess.STDOUT)

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        if self.x:
            self.x.stop()
        if self.process:
            self.output.close()

    def alive(self):
        if self.process.poll() is not None:
            raise Failure(f"the program ended with {self.process.returncode}")
        return True

    def window_shot(self):
        return self.x.screenshot().crop(self.window)

    def save(self, im, step):
        im.save_png(os.path.join(self.out, step + ".png"))

    def wait_for(self, step, what, probe, timeout=STEP_TIMEOUT):
        """Polls screenshots until probe(im) holds and the window has settled (two equal pictures),
        saves the picture as the step's PNG and returns (picture, probe's value)."""
        self.x.park_pointer()
        previous = [None]

        def settled():
            self.alive()
            im = self.window_shot()
            value = probe(im)
            if not value:
                previous[0] = None
                return None
            if previous[0] is not None and previous[0].data == im.data:
                return (im, value)
            previous[0] = im
            return None

        try:
            im, value = poll(what, timeout, settled, interval=0.15)
        except Failure:
            self.save(self.window_shot(), step + "_failed")
            raise
        self.save(im, step)
        return im, value

    def click(self, rect):
        x, y = rect.centre()
        self.x.click(self.window.x + x, self.window.y + y)


# ---- the steps


def step1_main_screen(s):
    s.window_id = poll("the program's window", START_TIMEOUT,
                       lambda: s.alive() and s.x.find_window(PROGRAM_TITLE))
    s.window, mapped = s.x.geometry(s.window_id)
    if not mapped:
        raise Failure("the window is not viewable")
    # The main form's size, which is also the window's minimum.
    if (s.window.w, s.window.h) != (800, 600):
        raise Failure(f"the window is {s.window.w} x {s.window.h}, not 800 x 600")
    if not name_is_held(s.objects):
        raise Failure("the running program does not hold its single-instance name")

    def main_screen(im):
        try:
            s.layout = Layout(im)
        except Failure:
            return None
        return True

    s.wait_for("step1_main_screen", "the main screen", main_screen, START_TIMEOUT)
    problems = s.layout.form_differences()
    if problems:
        raise Failure("; ".join(problems))


def step4_close(s):
    im = s.window_shot()
    buttons = s.layout.window_buttons(im)
    if len(buttons) != 3:
        raise Failure(f"the title area shows {len(buttons)} window buttons, not minimize, maximize, close")
    first, last = buttons[-1]
    if last - first + 1 > 54:
        raise Failure(f"the close button is {last - first + 1} wide, wider than its form's 54")
    if not name_is_held(s.objects):
        raise Failure("the program gave up its single-instance name before it ended")
    s.click(Rect(first, 10, last - first + 1, 30))
    s.x.park_pointer()
    try:
        code = s.process.wait(EXIT_TIMEOUT)
    except subprocess.TimeoutExpired:
        s.save(s.window_shot(), "step4_close_failed")
        raise Failure(f"the program did not end within {EXIT_TIMEOUT} s of the close button")
    screen = s.x.screenshot()
    s.save(screen.crop(s.window), "step4_closed")
    if s.x.find_window(PROGRAM_TITLE):
        raise Failure("the window is still shown after the program ended")
    if code != 0:
        raise Failure(f"the program ended with {code}, not 0")
    if name_is_held(s.objects):
        raise Failure("the single-instance name is still held after the program ended")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--program", required=True, help="the built zvk_lite")
    parser.add_argument("--run-dir", required=True, help="the build's run folder (modules, translator file)")
    parser.add_argument("--out", required=True, help="folder for the screenshots and the run's files")
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)

    for tool in ("xdotool", "xwininfo", "import"):
        if not shutil.which(tool):
            print(f"acceptance: {tool} is missing (scripts/packages.txt installs it)")
            return 1

    began = time.monotonic()
    s = Session(args.program, args.run_dir, args.out)
    try:
        s.start()
        step1_main_screen(s)
        step4_close(s)
    except Skip as e:
        print(f"acceptance: SKIPPED: {e}")
        return SKIPPED
    except Failure as e:
        print(f"acceptance: FAILED: {e}")
        print(f"acceptance: screenshots and the program's output in {args.out}")
        return 1
    finally:
        s.stop()
    print(f"acceptance: passed in {time.monotonic() - began:.1f} s; screenshots in {args.out}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
