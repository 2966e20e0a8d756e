#!/usr/bin/python3
"""Runs a Windows test program on a private display: Xvfb with openbox, as the whole starts use,
so that the windows it makes are real X windows that no other test shares.

    on_display.py COMMAND [ARGS...]
"""

import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
from display import Display  # noqa: E402


def main():
    with Display() as display:
        return subprocess.run(sys.argv[1:], env=display.env()).returncode


if __name__ == "__main__":
    sys.exit(main())
