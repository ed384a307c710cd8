#!/usr/bin/python3
"""The program as the desktop gets it: installed into a prefix of its own (the desktop entry and
the AppStream data pass their validators, the icons are there at every size, and the installed
program plays), and as a Debian package installed with apt, run, and removed without a trace.
Run under dbus-run-session:  install_e2e.py --build <build folder>
"""

import os
import shutil
import subprocess
import tempfile
import unittest

import e2e_support
from e2e_support import playerctl, wait_for

BUILD = None
ICON_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)




def run(*command, **options):
    return subprocess.run(list(command), capture_output=True, text=True, timeout=600, **options)


class InstallTest(unittest.TestCase):
    def plays(self, program, page_down_elsewhere=False):
        """Starts `program` with a folder of tones and waits until the desktop sees it play; with
        `page_down_elsewhere`, PageDown typed while another window has the keyboard moves it on."""
        started = e2e_support.ProgramRun(program)
        try:
            wait_for(lambda: playerctl("status") == "Playing", "the installed program playing")
            self.assertEqual(playerctl("metadata", "xesam:title"), "01 first")
            if page_down_elsewhere:
                display = dict(os.environ, DISPLAY=started.display)
                subprocess.run([os.path.join(BUILD, "bin/x11probe"), "focus-root"], env=display, check=True,
                               timeout=e2e_support.WAIT)
                # Away from the window, the key goes to the desktop's root window only.
                subprocess.run(["xdotool", "mousemove", "2", "2", "key", "Next"], env=display, check=True,
                               timeout=e2e_support.WAIT)
                wait_for(lambda: playerctl("metadata", "xesam:title") == "02 second",
                         "the keyboard hook's PageDown")
        finally:
            started.close()

    def test_installed_into_a_prefix_it_is_whole_and_plays(self):
        prefix = tempfile.mkdtemp(prefix="sorlin-prefix-")
        try:
            done = run("cmake", "--install", BUILD, "--prefix", prefix)
            self.assertEqual(done.returncode, 0, done.stderr)
            entry = os.path.join(prefix, "share/applications/org.sorlin.Sorlin.desktop")
            done = run("desktop-file-validate", entry)
            self.assertEqual(done.returncode, 0, done.stdout + done.stderr)
            self.assertEqual(done.stdout.strip(), "", "no hints either")
            metainfo = os.path.join(prefix, "share/metainfo/org.sorlin.Sorlin.metainfo.xml")
            done = run("appstreamcli", "validate", "--no-net", metainfo)
            self.assertEqual(done.returncode, 0, done.stdout + done.stderr)
            for size in ICON_SIZES:
                icon = os.path.join(prefix, f"share/icons/hicolor/{size}x{size}/apps/sorlin.png")
                with open(icon, "rb") as file:
                    header = file.read(24)
                self.assertEqual(header[:8], b"\x89PNG\r\n\x1a\n", icon)
                self.assertEqual(int.from_bytes(header[16:20], "big"), size, icon)
            self.assertTrue(os.path.isfile(os.path.join(prefix, "share/icons/hicolor/scalable/apps/sorlin.svg")))
            # The optional keyboard hook is turned on by linking it beside the program.
            program_folder = os.path.join(prefix, "lib/sorlin")
            os.symlink(os.path.join(program_folder, "optional/libkeyhook.so"),
                       os.path.join(program_folder, "libkeyhook.so"))
            self.plays(os.path.join(prefix, "bin/sorlin"), page_down_elsewhere=True)
        finally:
            shutil.rmtree(prefix, ignore_errors=True)

    @unittest.skipUnless(os.geteuid() == 0 and shutil.which("apt-get"),
                         "installing a package needs apt and the administrator")
    def test_the_debian_package_installs_plays_and_goes_without_a_trace(self):
        if run("dpkg-query", "-W", "sorlin").returncode == 0:
            self.skipTest("a sorlin package is installed on this machine already; it is left alone")
        folder = tempfile.mkdtemp(prefix="sorlin-package-")
        try:
            done = run("cpack", "-G", "DEB", "-B", folder, "--config", os.path.join(BUILD, "CPackConfig.cmake"))
            self.assertEqual(done.returncode, 0, done.stdout + done.stderr)
            packages = [name for name in os.listdir(folder) if name.endswith(".deb")]
            self.assertEqual(len(packages), 1, packages)
            package = os.path.join(folder, packages[0])
            depends = run("dpkg-deb", "--field", package, "Depends").stdout
            for library in ("libqt6widgets6", "libqt6dbus6", "libcdio", "libgstreamer1.0-0", "gstreamer1.0-plugins-good"):
                self.assertIn(library, depends)

            done = run("apt-get", "install", "-y", package,
                       env=dict(os.environ, DEBIAN_FRONTEND="noninteractive"))
            self.assertEqual(done.returncode, 0, done.stdout + done.stderr)
            files = [path for path in run("dpkg", "-L", "sorlin").stdout.split("\n")
                     if path and os.path.isfile(path)]
            self.assertIn("/usr/lib/sorlin/sorlin-media", files)
            self.assertIn("/usr/share/applications/org.sorlin.Sorlin.desktop", files)
            self.plays("/usr/bin/sorlin")

            done = run("apt-get", "remove", "--purge", "-y", "sorlin",
                       env=dict(os.environ, DEBIAN_FRONTEND="noninteractive"))
            self.assertEqual(done.returncode, 0, done.stdout + done.stderr)
            self.assertEqual([path for path in files if os.path.lexists(path)], [])
            self.assertFalse(os.path.lexists("/usr/bin/sorlin"))
            self.assertFalse(os.path.lexists("/usr/lib/sorlin"))
        finally:
            run("apt-get", "remove", "--purge", "-y", "sorlin")
            shutil.rmtree(folder, ignore_errors=True)


def use(build):
    global BUILD
    BUILD = build


if __name__ == "__main__":
    e2e_support.main("--build", use)
