#!/usr/bin/env python3
"""The Windows program in a console under wine, in code page 850: typed text
reaches it as UTF-8 whatever the code page, Ctrl-Z then Enter ends the
input after the text before it, and a typed line longer than one console read
(4,096 UTF-16 units) is still one line. Wine gives a program started on a terminal a
console of its own; this test is that terminal.

Usage: windows_console_test.py PROGRAM.exe [EMULATOR]"""

import os
import pty
import re
import select
import sys
import time
import tty

PROMPT = b"Enter the sample size (0 to quit):"


def run(program, emulator, typed):
    """Types each piece once the screen holds one more prompt than before;
    returns the screen without wine's cursor and erase sequences."""
    command = [emulator or "wine", "cmd", "/c", "chcp 850 >nul & " + program]
    pid, terminal = pty.fork()
    if pid == 0:
        # Raw from the start, as wine's console sets it: text typed before
        # wine reads is then not turned into other line ends or echoed twice.
        tty.setraw(0)
        os.environ.setdefault("WINEDEBUG", "-all")
        os.execvp(command[0], command)
    screen = b""
    deadline = time.monotonic() + 120
    pieces = list(typed)
    prompts_seen = 0
    while time.monotonic() < deadline:
        ready, _, _ = select.select([terminal], [], [], 0.2)
        if ready:
            try:
                data = os.read(terminal, 4096)
            except OSError:
                break  # the program and its console have ended
            if not data:
                break
            screen += data
        if pieces and screen.count(PROMPT) > prompts_seen:
            prompts_seen = screen.count(PROMPT)
            os.write(terminal, pieces.pop(0))
    else:
        os.kill(pid, 9)
        sys.exit(f"timed out; the screen so far:\n{screen!r}")
    os.waitpid(pid, 0)
    return re.sub(rb"\x1b\[[0-9;?]*[A-Za-z]", b"", screen).replace(b"\r", b"")


def main():
    program = sys.argv[1]
    emulator = sys.argv[2] if len(sys.argv) > 2 else ""
    windows_path = "Z:" + os.path.abspath(program).replace("/", "\\")
    failures = []

    screen = run(windows_path, emulator, ["café\r".encode(), b"0\r"])
    if 'Not a whole number: "café".'.encode() not in screen:
        failures.append(f"café not read as typed:\n{screen.decode(errors='replace')}")

    screen = run(windows_path, emulator, [b"3\x1a\r"])
    if screen.count(b"The sample mean = ") != 1 or screen.count(PROMPT) != 2:
        failures.append(f"Ctrl-Z after 3 did not roll 3 and end:\n{screen.decode(errors='replace')}")

    # "12" across the end of the first read: one entry, not "1" and "2".
    screen = run(windows_path, emulator, [b" " * 4095 + b"12\r", b"0\r"])
    if screen.count(b"The sample mean = ") != 1 or b"Not a whole number" in screen:
        failures.append(f"a line of 4,097 units was not read as one:\n{screen[-600:].decode(errors='replace')}")

    for failure in failures:
        print(failure)
    print(f"{3 - len(failures)} passed, {len(failures)} failed")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
