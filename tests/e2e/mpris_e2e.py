#!/usr/bin/python3
"""The main player through the desktop's media controls: the real program on a virtual display
and a private session bus, driven as media keys and the sound menu drive it, with playerctl and
gdbus as the clients and a gdbus monitor listening for the signals.
Run under dbus-run-session:  mpris_e2e.py --program bin/sorlin
"""

import os
import re
import subprocess
import threading
import unittest

import e2e_support
from e2e_support import playerctl, wait_for

PROGRAM = None
NAME = "org.mpris.MediaPlayer2.sorlin"
PATH = "/org/mpris/MediaPlayer2"
PLAYER = "org.mpris.MediaPlayer2.Player"




def gdbus_call(method, *arguments):
    return subprocess.run(["gdbus", "call", "--session", "--dest", NAME, "--object-path", PATH,
                           "--method", method, *arguments], capture_output=True, text=True,
                          timeout=e2e_support.WAIT)


def position():
    text = playerctl("position")
    return float(text) if text else None


class Monitor:
    """Everything the program says on the bus, as gdbus monitor prints it, read as it comes."""

    def __init__(self):
        self.process = subprocess.Popen(["gdbus", "monitor", "--session", "--dest", NAME],
                                        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self.lines = []
        self.lock = threading.Lock()
        threading.Thread(target=self.read, daemon=True).start()

    def read(self):
        for line in self.process.stdout:
            with self.lock:
                self.lines.append(line)

    def heard(self, pattern, since=0):
        with self.lock:
            return any(re.search(pattern, line) for line in self.lines[since:])

    def mark(self):
        with self.lock:
            return len(self.lines)

    def close(self):
        self.process.terminate()
        self.process.wait(10)


class MediaControlsTest(unittest.TestCase):
    def setUp(self):
        self.run = e2e_support.ProgramRun(PROGRAM)
        wait_for(lambda: playerctl("status") is not None, "the player on the session bus")
        self.monitor = Monitor()

    def tearDown(self):
        self.monitor.close()
        self.run.close()

    def test_the_desktop_sees_what_plays_and_drives_it(self):
        # The folder plays from its first file; the desktop knows it by its title and address.
        wait_for(lambda: playerctl("status") == "Playing", "playing: " + str(playerctl("status")))
        wait_for(lambda: playerctl("metadata", "xesam:title") == "01 first", "the first file's title")
        url = playerctl("metadata", "xesam:url")
        self.assertEqual(url, "file://" + self.run.songs.replace(" ", "%20") + "/01%20first.ogg")
        length = int(playerctl("metadata", "mpris:length"))
        self.assertAlmostEqual(length / 1e6, 30.2, delta=1.0)
        first_track = playerctl("metadata", "mpris:trackid")
        self.assertEqual(playerctl("metadata", "mpris:trackid"), first_track)
        for name in ("CanPlay", "CanPause", "CanSeek", "CanGoNext", "CanControl"):
            reply = gdbus_call("org.freedesktop.DBus.Properties.Get", PLAYER, name)
            self.assertIn("true", reply.stdout, name)

        # Pause is signalled, and the time stands.
        mark = self.monitor.mark()
        self.assertIsNotNone(playerctl("pause"))
        wait_for(lambda: playerctl("status") == "Paused", "paused")
        wait_for(lambda: self.monitor.heard(r"PropertiesChanged.*'PlaybackStatus': <'Paused'>", mark),
                 "PropertiesChanged saying Paused")

        # A move to a place is signalled as a seek, and a move by an offset goes from there.
        mark = self.monitor.mark()
        self.assertIsNotNone(playerctl("position", "10"))
        wait_for(lambda: abs(position() - 10) < 1.0, "the place moved to 10 s")
        wait_for(lambda: self.monitor.heard(r"Seeked \(int64 (9\d{6}|10\d{6})", mark), "Seeked at 10 s")
        self.assertIsNotNone(playerctl("position", "5+"))
        wait_for(lambda: abs(position() - 15) < 1.0, "the place moved on to 15 s")

        # Play goes on; next plays the second file, the mp3, under a new track id.
        mark = self.monitor.mark()
        self.assertIsNotNone(playerctl("play"))
        wait_for(lambda: playerctl("status") == "Playing", "playing again")
        self.assertIsNotNone(playerctl("next"))
        wait_for(lambda: playerctl("metadata", "xesam:title") == "02 second", "the second file")
        self.assertNotEqual(playerctl("metadata", "mpris:trackid"), first_track)
        wait_for(lambda: self.monitor.heard(r"PropertiesChanged.*'xesam:title': <'02 second'>", mark),
                 "PropertiesChanged with the new title")

        # Repeat, random and volume are the program's own settings.
        self.assertIsNotNone(playerctl("loop", "Playlist"))
        wait_for(lambda: playerctl("loop") == "Playlist", "the list repeating")
        self.assertIsNotNone(playerctl("shuffle", "On"))
        wait_for(lambda: playerctl("shuffle") == "On", "random order")
        self.assertIsNotNone(playerctl("volume", "0.5"))
        wait_for(lambda: abs(float(playerctl("volume")) - 0.5) < 0.01, "half the volume")

        # Stop ends the play; the window shows its clock again.
        self.assertIsNotNone(playerctl("stop"))
        wait_for(lambda: playerctl("status") == "Stopped", "stopped")

    def test_calls_that_name_nothing_change_nothing(self):
        wait_for(lambda: playerctl("status") == "Playing", "playing: " + str(playerctl("status")))
        self.assertIsNotNone(playerctl("position", "12"))
        wait_for(lambda: abs(position() - 12) < 1.0, "the place at 12 s")
        self.assertIsNotNone(playerctl("pause"))
        wait_for(lambda: playerctl("status") == "Paused", "paused")
        stood = position()
        track = playerctl("metadata", "mpris:trackid")

        # A track id that is not the current item's and a negative place are ignored.
        self.assertEqual(gdbus_call(PLAYER + ".SetPosition", "/org/sorlin/Sorlin/Track/99", "5000000").returncode, 0)
        self.assertEqual(gdbus_call(PLAYER + ".SetPosition", track, "--", "-5000000").returncode, 0)
        self.assertEqual(gdbus_call(PLAYER + ".SetPosition", track, "999000000").returncode, 0)
        self.assertAlmostEqual(position(), stood, delta=0.1)
        # An address that is nowhere is refused with the bus's error, and what plays stays.
        refused = gdbus_call(PLAYER + ".OpenUri", "file:///nowhere/at/all.ogg")
        self.assertNotEqual(refused.returncode, 0)
        self.assertIn("InvalidArgs", refused.stderr)
        refused = gdbus_call(PLAYER + ".OpenUri", "not a uri at all")
        self.assertNotEqual(refused.returncode, 0)
        self.assertEqual(playerctl("metadata", "xesam:title"), "01 first")
        # Seeking back past the start lands at the start.
        self.assertEqual(gdbus_call(PLAYER + ".Seek", "--", "-100000000").returncode, 0)
        wait_for(lambda: position() < 1.0, "the start")
        self.assertIsNone(self.run.process.poll(), "the program runs on")

        # An address that is there plays.
        second = os.path.join(self.run.songs, "02 second.mp3")
        self.assertEqual(gdbus_call(PLAYER + ".OpenUri", "file://" + second.replace(" ", "%20")).returncode, 0)
        wait_for(lambda: playerctl("metadata", "xesam:title") == "02 second", "the file opened")

        # Quit ends the program.
        self.assertEqual(gdbus_call("org.mpris.MediaPlayer2.Quit").returncode, 0)
        self.run.process.wait(e2e_support.WAIT)


def use(program):
    global PROGRAM
    PROGRAM = program


if __name__ == "__main__":
    e2e_support.main("--program", use)
