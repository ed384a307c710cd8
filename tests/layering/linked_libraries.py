#!/usr/bin/env python3
"""Which libraries each shipped program asks the loader for (its NEEDED entries): the window
links no media or network library, the media process links them.

    linked_libraries.py WINDOW MEDIA_PROCESS

The window process is what stays on the desktop all day; what it links it loads at every start,
and a library that parses what comes from outside belongs in the media process, which can crash
without taking the clock along.
"""

import re
import subprocess
import sys

# Libraries that read media, discs or the network: the media process's, never the window's.
MEDIA_PROCESS_ONLY = [r"libQt6Network", r"libgst", r"libcdio", r"libdvdread", r"libdvdnav", r"libarchive"]
# What the media process must link for the split to hold at all (a check that cannot fail proves
# nothing: this names what the window would have if the split were undone).
MEDIA_PROCESS_NEEDS = [r"libQt6Network", r"libgstreamer"]


def needed(program):
    dynamic = subprocess.run(["readelf", "-d", program], check=True, capture_output=True, text=True).stdout
    return re.findall(r"\(NEEDED\)\s+Shared library: \[([^\]]+)\]", dynamic)


def main():
    window, media = sys.argv[1], sys.argv[2]
    failures = []
    window_needs = needed(window)
    media_needs = needed(media)
    for pattern in MEDIA_PROCESS_ONLY:
        for library in window_needs:
            if re.match(pattern, library):
                failures.append(f"the window links {library}")
    for pattern in MEDIA_PROCESS_NEEDS:
        if not any(re.match(pattern, library) for library in media_needs):
            failures.append(f"the media process links nothing matching {pattern}")
    for failure in failures:
        print(failure)
    if failures:
        return 1
    print(f"the window links {len(window_needs)} libraries, none of media or network")
    return 0


if __name__ == "__main__":
    sys.exit(main())
