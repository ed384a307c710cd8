#!/usr/bin/env python3
"""tools/check-layers on small trees: a clean one passes, and each kind of wrong include planted in
one fails it with the file, the line and the include named."""

import os
import subprocess
import sys
import tempfile
import unittest

CHECKER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "check-layers")

# A tree laid out like the program's, every include in it allowed.
CLEAN = {
    "res/StringTable.h": "#pragma once\n",
    "platform/Log.h": "#pragma once\n",
    "platform/MessageBox.cpp": '#include "Log.h"\n#include "res/StringTable.h"\n',
    "spi/SusieApi.h": "#pragma once\n",
    "platform/susie/SusiePlugin.h": '#pragma once\n#include "spi/SusieApi.h"\n',
    "platform/ipc/MediaCodes.h": "#pragma once\n#include <QObject>\n",
    "platform/proxy/GraphProxy.h": '#pragma once\n#include "platform/ipc/MediaCodes.h"\n',
    "platform/proxy/GraphProxy.cpp": '#include "GraphProxy.h"\n#include "platform/Log.h"\n',
    "platform/graph/GstGraph.h": '#pragma once\n#include "platform/ipc/MediaCodes.h"\n#include <gst/gst.h>\n',
    "platform/dvd/DvdGraph.h": '#pragma once\n#include "platform/graph/GstGraph.h"\n',
    "platform/mci/Mci.cpp": '#include "platform/graph/GstGraph.h"\n#include "platform/Log.h"\n',
    "mediahost/main.cpp": '#include "platform/dvd/DvdGraph.h"\n#include "platform/ipc/MediaCodes.h"\n',
    "media/State.h": "#pragma once\n",
    "media/Media.h": '#pragma once\n#include "State.h"\n#include "platform/ipc/MediaCodes.h"\n',
    "media/Media.cpp": ('#include "Media.h"\n#include "platform/proxy/GraphProxy.h"\n'
                        '#include "res/StringTable.h"\n#include "Media.moc"\n'),
    "skin/Dib.h": "#pragma once\n#include <QImage>\n",
    "skin/Dib.cpp": '#include "Dib.h"\n#include "platform/susie/SusiePlugin.h"\n',
    "player/MediaPlayer.h": '#pragma once\n#include "media/Media.h"\n#include "skin/Dib.h"\n',
    "player/MediaPlayer.cpp": '#include "MediaPlayer.h"\n#include "platform/Log.h"\n',
    "clock/Stopwatch.h": "#pragma once\n#include <QString>\n",
    "clock/Stopwatch.cpp": '#include "Stopwatch.h"\n#include "res/StringTable.h"\n',
    "mediadialogs/PlaylistDialog.h": '#pragma once\n#include "player/MediaPlayer.h"\n',
    "plugins/common/Progress.h": '#pragma once\n#include "spi/SusieApi.h"\n',
    "plugins/image/Decode.cpp": '#include "Decode.h"\n#include "plugins/common/Progress.h"\n#include <QImage>\n',
    "app/SorlinDlg.h": ('#pragma once\n#include "clock/Stopwatch.h"\n#include "player/MediaPlayer.h"\n'
                        '#include "mediadialogs/PlaylistDialog.h"\n'),
    "app/SorlinDlg.cpp": ('#include "SorlinDlg.h"\n#include "media/Media.h"\n'
                          '#include "platform/proxy/GraphProxy.h"\n#include <platform/Log.h>\n'),
    "tests/media/MediaTest.cpp": '#include "player/MediaPlayer.h"\n',
}


def run(files):
    with tempfile.TemporaryDirectory(prefix="check-layers-") as root:
        for path, text in files.items():
            full = os.path.join(root, path)
            os.makedirs(os.path.dirname(full), exist_ok=True)
            with open(full, "w") as f:
                f.write(text)
        done = subprocess.run([sys.executable, CHECKER, "--root", root], capture_output=True, text=True)
        return done.returncode, done.stdout, done.stderr


def planted(path, line):
    """The clean tree with one more line at the end of path (made if missing)."""
    files = dict(CLEAN)
    files[path] = files.get(path, "// planted\n") + line + "\n"
    return files


class CheckLayersTest(unittest.TestCase):
    def assertCaught(self, path, line, *words):
        code, out, err = run(planted(path, line))
        self.assertEqual(code, 1, f"{line} in {path} passed: {out}{err}")
        number = planted(path, line)[path].count("\n")
        self.assertIn(f"{path}:{number}: {line.strip()}", out)
        for word in words:
            self.assertIn(word, out)
        self.assertEqual(len(out.strip().splitlines()), 1, out)

    def test_clean_tree_passes(self):
        code, out, err = run(CLEAN)
        self.assertEqual(code, 0, out + err)
        self.assertIn("every include goes down", out)

    def test_engine_including_the_player_fails(self):
        self.assertCaught("media/Media.cpp", '#include "player/MediaPlayer.h"', "points up")

    def test_upward_through_a_relative_path_fails(self):
        self.assertCaught("media/Media.cpp", '#include "../player/MediaPlayer.h"', "points up")

    def test_upward_through_angle_brackets_fails(self):
        self.assertCaught("skin/Dib.cpp", "#include <player/MediaPlayer.h>", "points up")

    def test_missing_header_of_a_higher_layer_fails(self):
        self.assertCaught("platform/Log.h", '#include "app/Gone.h"', "points up")

    def test_platform_including_the_layers_above_fails(self):
        self.assertCaught("platform/MessageBox.cpp", '#include "skin/Dib.h"', "points up")

    def test_engines_and_skin_stay_apart(self):
        self.assertCaught("media/Media.cpp", '#include "skin/Dib.h"', "sideways")
        self.assertCaught("skin/Dib.cpp", '#include "media/State.h"', "sideways")

    def test_clock_and_media_dialogs_stay_apart(self):
        self.assertCaught("clock/Stopwatch.cpp", '#include "mediadialogs/PlaylistDialog.h"', "sideways")
        self.assertCaught("mediadialogs/PlaylistDialog.h", '#include "clock/Stopwatch.h"', "sideways")

    def test_engine_including_the_media_dialogs_fails(self):
        self.assertCaught("media/Media.h", '#include "mediadialogs/PlaylistDialog.h"', "points up")

    def test_plug_ins_and_the_program_share_only_the_interface(self):
        self.assertCaught("plugins/image/Decode.cpp", '#include "platform/Log.h"',
                          "not among the layers it uses")
        self.assertCaught("skin/Dib.cpp", '#include "plugins/common/Progress.h"',
                          "not among the layers it uses")
        self.assertCaught("plugins/archive/Entry.cpp", '#include "plugins/image/Decode.h"', "sideways")

    def test_backends_stay_in_the_media_process(self):
        self.assertCaught("media/Media.cpp", '#include "platform/graph/GstGraph.h"',
                          "not among the layers it uses")
        self.assertCaught("platform/proxy/GraphProxy.cpp", '#include "platform/dvd/DvdGraph.h"',
                          "points up")
        self.assertCaught("app/SorlinDlg.cpp", '#include "platform/mci/Mci.h"',
                          "not among the layers it uses")

    def test_ipc_includes_nothing_of_the_program(self):
        self.assertCaught("platform/ipc/MediaCodes.h", '#include "platform/Log.h"', "sideways")
        self.assertCaught("platform/ipc/MediaCodes.h", '#include "res/StringTable.h"',
                          "not among the layers it uses")

    def test_nothing_includes_the_media_process(self):
        self.assertCaught("app/SorlinDlg.cpp", '#include "mediahost/MediaServer.h"',
                          "not among the layers it uses")
        self.assertCaught("media/Media.cpp", '#include "mediahost/MediaServer.h"', "sideways")

    def test_program_including_the_tests_fails(self):
        self.assertCaught("player/MediaPlayer.cpp", '#include "tests/support/Wait.h"', "from tests/")

    def test_an_empty_tree_is_an_error_not_a_pass(self):
        code, out, err = run({"README.md": "nothing\n"})
        self.assertEqual(code, 2, out + err)


if __name__ == "__main__":
    unittest.main(verbosity=2)
