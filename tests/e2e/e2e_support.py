"""What the Python end-to-end tests share: bounded waits, a virtual display of their own, tone
files as users have them, and the real program started in it with a temporary home."""

import argparse
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

WAIT = 20.0  # seconds: every wait is bounded by this


def wait_for(condition, what, pump=None):
    """Calls `condition` (after `pump`, which turns an event loop) until it gives a true value."""
    end = time.monotonic() + WAIT
    value = None
    while time.monotonic() < end:
        if pump:
            pump()
        value = condition()
        if value:
            return value
        time.sleep(0.05)
    raise AssertionError(f"timed out waiting for {what} (last: {value!r})")


def answers(number):
    return subprocess.run(["xdpyinfo", "-display", f":{number}"], stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL).returncode == 0


def start_display():
    """An Xvfb of the test's own, on a number picked here: a server left running elsewhere can
    hold a number without its lock file, and Xvfb -displayfd then announces that one and dies."""
    for number in random.Random().sample(range(100, 900), 20):
        if os.path.exists(f"/tmp/.X{number}-lock") or os.path.exists(f"/tmp/.X11-unix/X{number}") or answers(number):
            continue
        server = subprocess.Popen(["Xvfb", f":{number}", "-screen", "0", "1280x800x24", "-nolisten", "tcp"],
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        end = time.monotonic() + WAIT
        while time.monotonic() < end and server.poll() is None:
            if answers(number):
                return server, f":{number}"
            time.sleep(0.05)
        server.kill()
        server.wait()
    raise RuntimeError("no virtual display could be started")


def make_tone(path):
    """Thirty seconds of tone in the format the name's extension says (ogg or mp3)."""
    encoder = "vorbisenc ! oggmux" if path.endswith(".ogg") else "lamemp3enc ! id3v2mux"
    subprocess.run(f"gst-launch-1.0 -q audiotestsrc num-buffers=1300 ! audioconvert ! {encoder} ! "
                   f"filesink location='{path}'", shell=True, check=True, timeout=60)


class ProgramRun:
    """The program on a display of its own with a temporary home holding a folder of two tones,
    made in an order that is not the names'."""

    def __init__(self, program, arguments_of=lambda songs: [songs], unset=()):
        self.server, self.display = start_display()
        self.home = tempfile.mkdtemp(prefix="sorlin-e2e-")
        self.songs = os.path.join(self.home, "Songs")
        os.makedirs(self.songs)
        for name in ("02 second.mp3", "01 first.ogg"):
            make_tone(os.path.join(self.songs, name))
        # A runtime folder of its own: the single-instance socket lives there, and a program of
        # another test running meanwhile must not take this one's start as its second.
        runtime = os.path.join(self.home, "runtime")
        os.makedirs(runtime, mode=0o700)
        self.environment = dict(os.environ, HOME=self.home, DISPLAY=self.display, QT_QPA_PLATFORM="xcb",
                                XDG_RUNTIME_DIR=runtime,
                                XDG_CONFIG_HOME=os.path.join(self.home, ".config"),
                                XDG_DATA_HOME=os.path.join(self.home, ".local/share"),
                                XDG_CACHE_HOME=os.path.join(self.home, ".cache"))
        for name in unset:
            self.environment.pop(name, None)
        # Appended to: the media process writes to it as well.
        self.log = open(os.path.join(self.home, "program.log"), "ab")
        self.process = subprocess.Popen([program, *arguments_of(self.songs)], env=self.environment,
                                        stdout=self.log, stderr=subprocess.STDOUT)

    def close(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(20)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.log.close()
        self.server.terminate()
        self.server.wait(10)
        shutil.rmtree(self.home, ignore_errors=True)


def playerctl(*arguments):
    """What playerctl says of the program's player on the session bus; None when it fails."""
    done = subprocess.run(["playerctl", "--player=sorlin", *arguments], capture_output=True, text=True,
                          timeout=WAIT)
    return done.stdout.strip() if done.returncode == 0 else None


def main(option, use):
    """Hands the path that the one required `option` ("--program", "--build") names to `use`,
    then runs the test script's tests; under the private session bus dbus-run-session gives."""
    parser = argparse.ArgumentParser()
    parser.add_argument(option, required=True)
    arguments, rest = parser.parse_known_args()
    if not os.environ.get("DBUS_SESSION_BUS_ADDRESS"):
        sys.exit("run under dbus-run-session: the test needs a private session bus")
    use(os.path.abspath(getattr(arguments, option.lstrip("-"))))
    unittest.main(module="__main__", argv=[sys.argv[0], *rest], verbosity=2)
