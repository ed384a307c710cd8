#!/usr/bin/python3
"""The main window through a screen reader's eyes: the real program on a virtual display, a
private session bus with the desktop's accessibility bus, and an AT-SPI client (pyatspi) that
reads the window's tree, finds the skin's buttons by name, presses them through their actions
and reads the display's text, as Orca would.

Run under dbus-run-session:  accessibility_e2e.py --program build/bin/sorlin
"""

import argparse
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
import warnings

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Gio, GLib  # noqa: E402
import pyatspi  # noqa: E402

# pyatspi speaks through libatspi calls that libatspi now calls old.
warnings.filterwarnings("ignore", category=DeprecationWarning)

PROGRAM = None
WAIT = 20.0  # seconds: every wait is bounded by this
CLOCK = re.compile(r"^\d{4}年\d\d月\d\d日 \d\d:\d\d:\d\d$")


def wait_for(condition, what, timeout=WAIT):
    """Polls `condition` (turning the main loop) until it gives a true value; fails after
    `timeout` seconds, naming `what`."""
    end = time.monotonic() + timeout
    context = GLib.MainContext.default()
    while time.monotonic() < end:
        while context.pending():
            context.iteration(False)
        value = condition()
        if value:
            return value
        time.sleep(0.05)
    raise AssertionError("timed out waiting for " + what)


def walk(node):
    yield node
    for index in range(node.childCount):
        child = node.getChildAtIndex(index)
        if child is not None:
            yield from walk(child)


class VirtualDisplay:
    """An Xvfb of the test's own. The number is picked here, not by Xvfb -displayfd: a server
    left running elsewhere can hold a number without its lock file, and Xvfb then announces
    that number and dies."""

    def __init__(self):
        chooser = random.Random()
        for _ in range(20):
            number = chooser.randrange(100, 900)
            if (os.path.exists(f"/tmp/.X{number}-lock") or os.path.exists(f"/tmp/.X11-unix/X{number}")
                    or self.answers(number)):
                continue
            self.server = subprocess.Popen(["Xvfb", f":{number}", "-screen", "0", "1280x800x24", "-nolisten", "tcp",
                                            "-noreset"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            end = time.monotonic() + WAIT
            while time.monotonic() < end and self.server.poll() is None:
                if self.answers(number):
                    self.name = f":{number}"
                    return
                time.sleep(0.05)
            self.server.kill()
            self.server.wait()
        raise RuntimeError("no virtual display could be started")

    @staticmethod
    def answers(number):
        return subprocess.run(["xdpyinfo", "-display", f":{number}"], stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL).returncode == 0

    def stop(self):
        self.server.terminate()
        self.server.wait(10)


def enable_screen_reader():
    """Says on the session bus that a screen reader runs, as Orca does at its start; toolkits
    then join the accessibility bus."""
    bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    bus.call_sync("org.a11y.Bus", "/org/a11y/bus", "org.freedesktop.DBus.Properties", "Set",
                  GLib.Variant("(ssv)", ("org.a11y.Status", "ScreenReaderEnabled", GLib.Variant("b", True))),
                  None, Gio.DBusCallFlags.NONE, 10000, None)


def make_tone(path, seconds):
    """A tone of `seconds` in the format the name's extension says (ogg or mp3)."""
    encoder = "vorbisenc ! oggmux" if path.endswith(".ogg") else "lamemp3enc ! id3v2mux"
    buffers = int(seconds * 44100 / 1024)
    subprocess.run(f"gst-launch-1.0 -q audiotestsrc num-buffers={buffers} ! audioconvert ! {encoder} ! "
                   f"filesink location='{path}'", shell=True, check=True, timeout=60)


class ScreenReaderTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        enable_screen_reader()
        cls.screen = VirtualDisplay()

    @classmethod
    def tearDownClass(cls):
        cls.screen.stop()

    def setUp(self):
        self.home = tempfile.mkdtemp(prefix="sorlin-a11y-")
        self.songs = os.path.join(self.home, "Songs")
        os.makedirs(self.songs)
        # One of each kind users have, in an order the folder scan does not get from the names.
        make_tone(os.path.join(self.songs, "02 second.mp3"), 30)
        make_tone(os.path.join(self.songs, "01 first.ogg"), 30)
        self.announced = []
        self.listener = None
        self.program = None

    def tearDown(self):
        if self.listener is not None:
            pyatspi.Registry.deregisterEventListener(self.on_event, "object:text-changed:insert")
        if self.program is not None:
            self.program.terminate()
            try:
                self.program.wait(20)
            except subprocess.TimeoutExpired:
                self.program.kill()
                self.program.wait(5)
        shutil.rmtree(self.home, ignore_errors=True)

    def start(self, *arguments):
        environment = dict(os.environ)
        environment.update({
            "HOME": self.home,
            "XDG_CONFIG_HOME": os.path.join(self.home, ".config"),
            "XDG_DATA_HOME": os.path.join(self.home, ".local/share"),
            "XDG_CACHE_HOME": os.path.join(self.home, ".cache"),
            "DISPLAY": self.screen.name,
            "QT_QPA_PLATFORM": "xcb",
            "QT_LOGGING_RULES": "sorlin.*.debug=true",
        })
        environment.pop("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", None)
        # Appending: the media process writes to the same log.
        self.log = open(os.path.join(self.home, "program.log"), "ab")
        self.program = subprocess.Popen([PROGRAM, *arguments], env=environment, stdout=self.log,
                                        stderr=subprocess.STDOUT)

    def output(self):
        with open(os.path.join(self.home, "program.log"), "rb") as log:
            return log.read().decode("utf-8", "replace")

    def window(self):
        def find():
            desktop = pyatspi.Registry.getDesktop(0)
            for index in range(desktop.childCount):
                application = desktop.getChildAtIndex(index)
                if application is None or application.get_process_id() != self.program.pid:
                    continue
                for node in walk(application):
                    if node.getRole() == pyatspi.ROLE_FRAME and node.name.startswith("Vimoﾌﾟﾚｰﾔ"):
                        return node
            self.assertIsNone(self.program.poll(), "the program ended: " + self.output())
            return None
        return wait_for(find, "the main window on the accessibility bus")

    def button(self, window, name):
        found = [node for node in walk(window) if node.getRole() == pyatspi.ROLE_PUSH_BUTTON and node.name == name]
        self.assertEqual(len(found), 1, f"one button named {name}")
        return found[0]

    def press(self, button):
        action = button.queryAction()
        names = [action.getName(index) for index in range(action.nActions)]
        self.assertIn("Press", names)
        self.assertTrue(action.doAction(names.index("Press")))

    def display_of(self, window):
        labels = [node for node in walk(window) if node.getRole() == pyatspi.ROLE_LABEL]
        self.assertEqual(len(labels), 1, "one display")
        return labels[0]

    def text(self, display):
        return display.queryText().getText(0, -1)

    def on_event(self, event):
        # What the display says now comes with the event, as a screen reader speaks it.
        if event.source.getRole() == pyatspi.ROLE_LABEL and isinstance(event.any_data, str):
            self.announced.append(event.any_data)

    def test_a_person_who_cannot_see_the_skin_plays_pauses_skips_stops_and_opens(self):
        self.start(self.songs)
        window = self.window()
        display = self.display_of(window)
        names = [node.name for node in walk(window) if node.getRole() == pyatspi.ROLE_PUSH_BUTTON]
        for name in ("終了", "停止", "再生", "一時停止", "前の曲", "次の曲", "開く"):
            self.assertIn(name, names)
        pyatspi.Registry.registerEventListener(self.on_event, "object:text-changed:insert")
        self.listener = True

        # The folder plays from its first file: the display says its title and the time, and
        # says it again as the time goes on.
        playing = re.compile(r"^01 first \d\d:\d\d:(\d\d)$")
        wait_for(lambda: playing.match(self.text(display)), "the first file playing: " + self.text(display))
        self.assertTrue(self.button(window, "再生").getState().contains(pyatspi.STATE_PRESSED))
        wait_for(lambda: len({text for text in self.announced if playing.match(text)}) >= 2,
                 "two announcements of the playing display")

        # Pause: the play button is let go and the time stands; play goes on from there.
        self.press(self.button(window, "一時停止"))
        wait_for(lambda: not self.button(window, "再生").getState().contains(pyatspi.STATE_PRESSED),
                 "the play button let go")
        paused = self.text(display)
        self.assertRegex(paused, playing)
        self.press(self.button(window, "再生"))
        wait_for(lambda: self.text(display) != paused and playing.match(self.text(display)), "playing again")
        self.assertGreaterEqual(playing.match(self.text(display)).group(1), playing.match(paused).group(1))

        # Skip to the next file, the mp3.
        self.press(self.button(window, "次の曲"))
        wait_for(lambda: re.match(r"^02 second \d\d:\d\d:\d\d$", self.text(display)), "the second file")

        # Stop: the clock again.
        self.press(self.button(window, "停止"))
        wait_for(lambda: CLOCK.match(self.text(display)), "the clock: " + self.text(display))

        # Open: the file dialog is read and answered through the bus as well.
        self.press(self.button(window, "開く"))

        def open_dialog():
            for node in walk(window.parent):
                if node.getRole() == pyatspi.ROLE_DIALOG and node.name == "開く":
                    return node
            return None
        dialog = wait_for(open_dialog, "the open dialog")
        field = next(node for node in walk(dialog)
                     if node.getRole() == pyatspi.ROLE_TEXT and node.name.startswith("ファイル名"))
        self.assertTrue(field.queryEditableText().setTextContents(os.path.join(self.songs, "02 second.mp3")))
        accept = next(node for node in walk(dialog)
                      if node.getRole() == pyatspi.ROLE_PUSH_BUTTON and node.name.startswith("開く"))
        self.press(accept)
        wait_for(lambda: re.match(r"^02 second \d\d:\d\d:\d\d$", self.text(display)),
                 "the chosen file playing: " + self.text(display))


def main():
    global PROGRAM
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    arguments, rest = parser.parse_known_args()
    PROGRAM = os.path.abspath(arguments.program)
    if not os.environ.get("DBUS_SESSION_BUS_ADDRESS"):
        sys.exit("run under dbus-run-session: the test needs a private session bus")
    unittest.main(argv=[sys.argv[0], *rest], verbosity=2)


if __name__ == "__main__":
    main()
