#!/usr/bin/env python3
"""The whole program as a user meets it, on an X server of its own.

The built program starts from a copy of its run folder, with a drive C: and a kernel-objects folder
of its own, on a private Xvfb. It is driven by pointer clicks only (XTEST through xdotool), and
everything is checked from outside: window geometry, screenshots, the modules' log file, the exit
code and the single-instance name. Nothing in the program knows that it is being driven.

  1. the main screen shows one button per module file of the run folder;
  2. the standard module's button, its device list, Next, the test screen (list unfolded), Run;
  3. the run until its summary (green text), View logs, Back to menu, Past logs and a search over
     today's dates;
  4. the close button: the window goes, the program ends with 0 and its single-instance name is free.

Each step leaves a PNG of the window in the output folder, named after the step.

Exit status: 0 passed, 1 failed, 77 skipped (no X server could be started).
"""

import argparse
import fcntl
import os
import re
import shutil
import subprocess
import sys
import time

from program_window import (SUMMARY_GREEN, STATUS_BAR_GREY, Layout, is_dark, text_lines)
from x_session import Failure, Rect, Skip, XServer, poll

SKIPPED = 77
PROGRAM_TITLE = "ZVK Lite"
# The single-instance name's file in the kernel-objects folder (winapi/posix/src/mutex.cpp).
NAME_FILE = "zvk_object.Global.{2194ABA1-BFFA-4e6b-8C26-D191BB16F9E6}"
# The run folder's modules sort by display name: StandardModule, then StatusModule.
STANDARD_MODULE_INDEX = 0
STANDARD_DEVICES = 3
STANDARD_TESTS = 3

# Generous: the machine may be busy with several builds, and a sanitizer build starts slowly.
START_TIMEOUT = 90
STEP_TIMEOUT = 45
RUN_TIMEOUT = 180
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
        self.module_files = sorted(f for f in os.listdir(self.run_dir)
                                   if f.startswith("diag_") and f.endswith(".dll"))
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

    expected = len(s.module_files)

    def main_screen(im):
        try:
            s.layout = Layout(im)
        except Failure:
            return None
        modules = s.layout.module_buttons(im)
        return modules if len(modules) == expected and not s.layout.bottom_buttons(im) else None

    im, modules = s.wait_for("step1_main_screen",
                             f"the main screen with {expected} module buttons ({', '.join(s.module_files)})",
                             main_screen, START_TIMEOUT)
    problems = s.layout.form_differences()
    if problems:
        raise Failure("; ".join(problems))
    past_logs = s.layout.top_buttons(im)[0]
    if past_logs.right < s.layout.page.right - 30:
        raise Failure(f"the past-logs button {past_logs} is not at the right of its bar")
    return modules


def step2_choose(s, modules):
    first, last = modules[STANDARD_MODULE_INDEX]
    bar = s.layout.top_buttons(s.window_shot())[0]
    # The button's picture lies at the top of its cell, its name below.
    s.click(Rect(first, bar.bottom + 10, last - first + 1, 20))

    def device_list(im):
        # Loaded: the list and its two buttons (Back, Next) are shown instead of the loading view.
        if s.layout.top_buttons(im) or len(s.layout.bottom_buttons(im)) != 2:
            return None
        # Title, select-all and one line per device; the check boxes' column left out.
        area = s.layout.content_area(8)
        area = Rect(area.x + 24, area.y, area.w - 30, area.h)
        lines = text_lines(im, area)
        return lines if lines == 2 + STANDARD_DEVICES else None

    im, _ = s.wait_for("step2_device_screen",
                       f"the device screen listing the standard module's {STANDARD_DEVICES} devices",
                       device_list)
    s.click(s.layout.bottom_buttons(im)[1])  # Next

    def test_screen(im):
        top = s.layout.top_buttons(im)
        if len(top) != 1 or len(s.layout.bottom_buttons(im)) != 2:
            return None
        return top[0]

    im, options = s.wait_for("step2_test_screen", "the test screen with its list folded", test_screen)
    before = text_lines(im, s.layout.content_area(8))
    s.click(options)

    def test_list(im):
        if not test_screen(im):
            return None
        lines = text_lines(im, s.layout.content_area(8))
        # Unfolded: its title, select-all and a line per test more.
        return lines if lines >= before + 2 + STANDARD_TESTS else None

    im, _ = s.wait_for("step2_test_list", f"the test list with {STANDARD_TESTS} tests", test_list)
    run = s.layout.bottom_buttons(im)[1]
    started = int(time.time())
    s.click(run)
    return started


def step3_run_and_logs(s):
    def summary(im):
        bottom = s.layout.bottom_buttons(im)
        if len(bottom) == 1:
            # Running: Stop alone. Keep the first picture of it, if the run is slow enough to be seen.
            path = os.path.join(s.out, "step3_progress_running.png")
            if not os.path.exists(path):
                s.save(im, "step3_progress_running")
            return None
        if len(bottom) != 2:
            return None
        green = im.count(s.layout.summary_area(im), lambda c: c == SUMMARY_GREEN)
        return green if green >= 30 else None

    im, _ = s.wait_for("step3_summary", "the run's green summary with Back to menu and View logs",
                       summary, RUN_TIMEOUT)
    ended = int(time.time())
    area = s.layout.summary_area(im)
    for colour, name in (((255, 0, 0), "red"), ((255, 165, 0), "orange"), ((128, 128, 128), "gray")):
        if im.count(area, lambda c: c == colour):
            raise Failure(f"the summary of an all-passed run has {name} text")
    back_to_menu, view_logs = s.layout.bottom_buttons(im)
    s.click(view_logs)

    def log_screen(im):
        bottom = s.layout.bottom_buttons(im)
        if len(bottom) != 2 or im.count(s.layout.summary_area(im), lambda c: c == SUMMARY_GREEN):
            return None
        # The run's HTML, not a one-line message.
        dark = im.count(s.layout.content_area(8), is_dark)
        return bottom if dark >= 1000 else None

    im, bottom = s.wait_for("step3_log_screen", "the log screen showing the run", log_screen)
    s.click(bottom[0])  # Back to menu

    def main_screen(im):
        return len(s.layout.top_buttons(im)) == 1 and not s.layout.bottom_buttons(im) and \
            len(s.layout.module_buttons(im)) == len(s.module_files)

    im, _ = s.wait_for("step3_back_to_menu", "the main screen again", main_screen)
    s.click(s.layout.top_buttons(im)[0])  # Past logs

    def log_selection(im):
        top = s.layout.top_buttons(im)
        bottom = s.layout.bottom_buttons(im)
        if len(top) != 1 or len(bottom) != 1 or top[0].right > s.layout.page.right - 30:
            return None
        return top[0]

    im, search = s.wait_for("step3_past_logs", "the past-logs screen with Search and Back", log_selection)
    # Both dates are today after the screen is opened.
    s.click(search)

    def found(im):
        if not log_selection(im):
            return None
        area = s.layout.content_area(80)
        if im.count(Rect(area.x, area.y, area.w, 4 * 20), lambda c: c == STATUS_BAR_GREY) > area.w:
            return None  # the grey message bar: nothing found
        return im.count(area, is_dark) >= 1000

    s.wait_for("step3_past_logs_search", "today's runs after Search", found)
    return ended


def step4_close(s):
    # The whole run went by without the window moving or changing its size.
    now, mapped = s.x.geometry(s.window_id)
    if (now.x, now.y, now.w, now.h) != (s.window.x, s.window.y, s.window.w, s.window.h) or not mapped:
        raise Failure(f"the window went from {s.window} to {now} during the run")
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


def check_log(s, started, ended):
    """The modules' log holds the run: begun between the click on Run and the summary, with every
    device and every test, all passed."""
    path = os.path.join(s.drive_c, "zedra", "zedra.log")
    if not os.path.exists(path):
        raise Failure(r"no log file zedra\zedra.log on drive C:")
    with open(path, encoding="latin-1") as f:
        lines = f.read().splitlines()
    for i, line in enumerate(lines):
        fields = line.split()
        if line.startswith("+++ ") and fields[-1].isdigit() and started - 1 <= int(fields[-1]) <= ended + 1:
            break
    else:
        raise Failure(f"the log holds no run begun between {started} and {ended}")
    run = []
    for line in lines[i + 1:]:
        if line.startswith("--- "):
            break
        run.append(line)
    else:
        raise Failure("the run's section in the log is not closed")
    devices = [line for line in run if line.startswith("UID: ")]
    stops = [line for line in run if re.match(r"\d{8}T\d{6}UTC STOP ", line)]
    passed = [line for line in stops if line.split()[3] == "SUCCESS"]
    if len(devices) != STANDARD_DEVICES or run.count("START TESTS") != STANDARD_DEVICES:
        raise Failure(f"the log's run has {len(devices)} devices, not {STANDARD_DEVICES}")
    if len(stops) != STANDARD_DEVICES * STANDARD_TESTS or len(passed) != len(stops):
        raise Failure(f"the log's run has {len(passed)} passed tests of {len(stops)}, "
                      f"not {STANDARD_DEVICES * STANDARD_TESTS}")


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
        modules = step1_main_screen(s)
        started = step2_choose(s, modules)
        ended = step3_run_and_logs(s)
        step4_close(s)
        check_log(s, started, ended)
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
