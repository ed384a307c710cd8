#!/usr/bin/env python3
"""Each library's compiler sees the headers of the libraries it links and no others.

    header_probe.py BUILD_DIR/compile_commands.json

For a library folder, takes the compile command of one of its sources from the build and
preprocesses a one-line file with it instead: an include the library may use must be found, and an
include of a layer above it (or of one it does not link) must stop at "No such file or directory".
The found ones show the probe works, so the missing ones are the include trees' doing, not the
probe's. Checks the build, not the sources: tools/check-layers does those.
"""

import json
import os
import shlex
import subprocess
import sys
import tempfile

ROOT = os.path.realpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))

# folder of a library's sources: (headers it finds, headers it must not find)
PROBES = {
    "res": (["res/StringTable.h"], ["platform/Log.h", "skin/Dib.h"]),
    "platform": (["platform/Log.h", "spi/SusieApi.h", "res/StringTable.h"],
                 ["platform/ipc/MediaCodes.h", "platform/proxy/GraphProxy.h", "skin/Dib.h",
                  "media/Media.h"]),
    "platform/ipc": (["platform/ipc/MediaProtocol.h"], ["platform/Log.h", "res/StringTable.h"]),
    "platform/proxy": (["platform/proxy/GraphProxy.h", "platform/ipc/MediaProtocol.h", "platform/Log.h"],
                       ["platform/graph/GstGraph.h", "media/Media.h"]),
    "platform/graph": (["platform/graph/GstSupport.h", "platform/Log.h"],
                       ["platform/proxy/GraphProxy.h", "platform/dvd/DvdGraph.h"]),
    "mediahost": (["platform/dvd/DvdGraph.h", "platform/mci/Mci.h", "platform/Log.h"],
                  ["platform/proxy/GraphProxy.h", "media/Media.h", "skin/Dib.h"]),
    "media": (["media/Media.h", "platform/proxy/GraphProxy.h", "platform/Log.h", "res/StringTable.h"],
              ["player/MediaPlayer.h", "skin/Dib.h", "app/SorlinDlg.h", "clock/Stopwatch.h",
               "platform/graph/GstGraph.h", "platform/mci/Mci.h"]),
    "skin": (["skin/WindowSkin.h", "platform/susie/SusiePlugin.h", "res/Icons.h"],
             ["media/Media.h", "player/MediaPlayer.h", "platform/proxy/GraphProxy.h"]),
    "player": (["player/MediaPlayer.h", "media/Media.h", "skin/Dib.h", "res/StringTable.h"],
               ["clock/Stopwatch.h", "app/SorlinDlg.h", "platform/graph/GstGraph.h"]),
    "clock": (["clock/Schedule.h", "res/StringTable.h"], ["app/Settings.h"]),
    "plugins/common": (["plugins/common/Files.h", "spi/SusieApi.h"],
                       ["platform/Log.h", "platform/susie/SusiePlugin.h", "res/StringTable.h"]),
    "plugins/image": (["plugins/common/Progress.h", "spi/SusieApi.h"], ["platform/Log.h", "skin/Dib.h"]),
    "plugins/archive": (["plugins/common/Files.h", "spi/SusieApi.h"], ["platform/Log.h", "skin/Dib.h"]),
    "app": (["app/SorlinDlg.h", "clock/Stopwatch.h", "player/MediaPlayer.h",
             "platform/proxy/MediaProcess.h"],
            ["platform/graph/GstGraph.h", "platform/mci/Mci.h", "platform/dvd/DvdGraph.h"]),
}


def library_command(entries, folder):
    """The compile command of a source directly in folder (not in a sub-folder of it)."""
    for entry in entries:
        path = os.path.realpath(entry["file"])
        if os.path.dirname(os.path.relpath(path, ROOT)) == folder:
            return entry
    return None


def preprocess(entry, header, scratch):
    words = shlex.split(entry["command"]) if "command" in entry else list(entry["arguments"])
    kept = []
    skip = False
    for word in words:
        if skip:
            skip = False
            continue
        if word in ("-o", "-MF", "-MT", "-MQ"):
            skip = True
            continue
        if word in ("-c", "-MD", "-MMD") or os.path.realpath(word) == os.path.realpath(entry["file"]):
            continue
        kept.append(word)
    probe = os.path.join(scratch, "Probe.cpp")
    with open(probe, "w") as f:
        f.write(f'#include "{header}"\n')
    done = subprocess.run(kept + ["-E", "-o", os.devnull, probe], cwd=entry["directory"],
                          capture_output=True, text=True)
    return done.returncode, done.stderr


def main():
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    with open(sys.argv[1]) as f:
        entries = json.load(f)
    faults = []
    checked = 0
    with tempfile.TemporaryDirectory(prefix="header-probe-") as scratch:
        for folder, (found, missing) in PROBES.items():
            entry = library_command(entries, folder)
            if entry is None:
                faults.append(f"{folder}/: no compile command in {sys.argv[1]}")
                continue
            for header in found:
                checked += 1
                code, err = preprocess(entry, header, scratch)
                if code != 0:
                    faults.append(f"{folder}/ does not find {header}, which it may use:\n{err}")
            for header in missing:
                checked += 1
                code, err = preprocess(entry, header, scratch)
                if code == 0:
                    faults.append(f"{folder}/ finds {header}, which it may not use")
                elif f"{header}: No such file or directory" not in err:
                    faults.append(f"{folder}/ with {header} fails for another reason:\n{err}")
    for fault in faults:
        print(fault)
    if faults:
        return 1
    print(f"header_probe: {checked} includes, each found or missing as the layers say")
    return 0


if __name__ == "__main__":
    sys.exit(main())
