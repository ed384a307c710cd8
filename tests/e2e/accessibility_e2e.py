#!/usr/bin/python3
"""The main window through a screen reader's eyes: the real program on a virtual display, a
private session bus with the desktop's accessibility bus, and an AT-SPI client (pyatspi) that
finds the skin's buttons by name, presses them through their actions and reads and hears the
display, as Orca would. Run under dbus-run-session:  accessibility_e2e.py --program bin/sorlin
"""

import os
import re
import unittest
import warnings

import e2e_support

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Gio, GLib  # noqa: E402
import pyatspi  # noqa: E402

# pyatspi speaks through libatspi calls that libatspi now calls old.
warnings.filterwarnings("ignore", category=DeprecationWarning)

PROGRAM = None
CLOCK = re.compile(r"^\d{4}年\d\d月\d\d日 \d\d:\d\d:\d\d$")


def pump():
    """Turns the main loop: the accessibility events come through it."""
    while GLib.MainContext.default().pending():
        GLib.MainContext.default().iteration(False)


def wait_for(condition, what):
    return e2e_support.wait_for(condition, what, pump)


def walk(node):
    yield node
    for index in range(node.childCount):
        child = node.getChildAtIndex(index)
        if child is not None:
            yield from walk(child)


class ScreenReaderTest(unittest.TestCase):
    def setUp(self):
        # Say on the bus that a screen reader runs, as Orca does: toolkits then join the
        # accessibility bus.
        Gio.bus_get_sync(Gio.BusType.SESSION, None).call_sync(
            "org.a11y.Bus", "/org/a11y/bus", "org.freedesktop.DBus.Properties", "Set",
            GLib.Variant("(ssv)", ("org.a11y.Status", "ScreenReaderEnabled", GLib.Variant("b", True))),
            None, Gio.DBusCallFlags.NONE, 10000, None)
        self.announced = []
        pyatspi.Registry.registerEventListener(self.heard, "object:text-changed:insert")
        # The toolkit joins the accessibility bus because a screen reader says it runs, not
        # because it is told to always.
        self.run = e2e_support.ProgramRun(PROGRAM, unset=("QT_LINUX_ACCESSIBILITY_ALWAYS_ON",))
        self.program = self.run.process
        self.songs = self.run.songs

    def tearDown(self):
        pyatspi.Registry.deregisterEventListener(self.heard, "object:text-changed:insert")
        self.run.close()

    def heard(self, event):
        # What the display says now comes with the event, as a screen reader speaks it.
        if event.source.getRole() == pyatspi.ROLE_LABEL and isinstance(event.any_data, str):
            self.announced.append(event.any_data)

    def window(self):
        def find():
            self.assertIsNone(self.program.poll(), "the program ended")
            desktop = pyatspi.Registry.getDesktop(0)
            for application in (desktop.getChildAtIndex(i) for i in range(desktop.childCount)):
                if application is not None and application.get_process_id() == self.program.pid:
                    return next((node for node in walk(application) if node.getRole() == pyatspi.ROLE_FRAME
                                 and node.name.startswith("Vimoﾌﾟﾚｰﾔ")), None)
            return None
        return wait_for(find, "the main window on the accessibility bus")

    def find(self, root, role, name):
        return next((node for node in walk(root) if node.getRole() == role and node.name.startswith(name)), None)

    def press(self, button):
        action = button.queryAction()
        names = [action.getName(index) for index in range(action.nActions)]
        self.assertTrue(action.doAction(names.index("Press")))

    def test_a_person_who_cannot_see_the_skin_plays_pauses_skips_stops_and_opens(self):
        window = self.window()
        labels = [node for node in walk(window) if node.getRole() == pyatspi.ROLE_LABEL]
        self.assertEqual(len(labels), 1, "one display")
        display = labels[0].queryText()
        text = lambda: display.getText(0, -1)  # noqa: E731
        button = lambda name: self.find(window, pyatspi.ROLE_PUSH_BUTTON, name)  # noqa: E731
        for name in ("終了", "停止", "再生", "一時停止", "前の曲", "次の曲", "開く"):
            self.assertIsNotNone(button(name), name)
        pressed = lambda name: button(name).getState().contains(pyatspi.STATE_PRESSED)  # noqa: E731

        # The folder plays from its first file; the display says so, and says it again as the
        # time goes on.
        playing = re.compile(r"^01 first \d\d:\d\d:(\d\d)$")
        wait_for(lambda: playing.match(text()), "the first file playing: " + text())
        self.assertTrue(pressed("再生"))
        wait_for(lambda: len({said for said in self.announced if playing.match(said)}) >= 2,
                 "two announcements of the display")

        # Pause lets the play button go and the time stands; play goes on from there.
        self.press(button("一時停止"))
        wait_for(lambda: not pressed("再生"), "the play button let go")
        paused = text()
        self.press(button("再生"))
        wait_for(lambda: text() != paused and playing.match(text()), "playing again")
        self.assertGreaterEqual(playing.match(text()).group(1), playing.match(paused).group(1))

        self.press(button("次の曲"))
        wait_for(lambda: re.match(r"^02 second \d\d:\d\d:\d\d$", text()), "the second file, an mp3")
        self.press(button("停止"))
        wait_for(lambda: CLOCK.match(text()), "the clock: " + text())

        # The open dialog is read and answered through the bus as well.
        self.press(button("開く"))
        dialog = wait_for(lambda: self.find(window.parent, pyatspi.ROLE_DIALOG, "開く"), "the open dialog")
        field = self.find(dialog, pyatspi.ROLE_TEXT, "ファイル名")
        self.assertTrue(field.queryEditableText().setTextContents(os.path.join(self.songs, "01 first.ogg")))
        self.press(self.find(dialog, pyatspi.ROLE_PUSH_BUTTON, "開く"))
        wait_for(lambda: playing.match(text()), "the chosen file playing: " + text())


def use(program):
    global PROGRAM
    PROGRAM = program


if __name__ == "__main__":
    e2e_support.main("--program", use)
