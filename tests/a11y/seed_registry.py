#!/usr/bin/env python3
"""Writes the program's remembered settings into the registry stand-in's text file before it starts:
the port chosen last (COMPORT) and the interface language (Language), as a previous run would have
left them.

    seed_registry.py REGISTRY_FILE PORT_NAME LANGUAGE_ID

The file may already hold other keys (the simulated device lists its port there); they are kept.
The change is made under the store's lock file ("<file>.lock", flock) and written whole (temporary
file + rename), as the program's own writes are.
"""
import fcntl
import os
import sys
import tempfile

HEADER = "; winreg text store 1"
KEY = "[HKEY_CURRENT_USER\\Software\\Kestova.Inc.\\Brelvano_v5]"
RESERVED = set('%\\="[];')


def escape(text):
    """The store's escaping of names and texts: reserved and control characters as %XX."""
    out = []
    for ch in text:
        code = ord(ch)
        if code < 0x20 or code == 0x7F or ch in RESERVED:
            out.append("%%%02X" % code)
        else:
            out.append(ch)
    return "".join(out)


def main(argv):
    if len(argv) != 4:
        print("usage: seed_registry.py REGISTRY_FILE PORT_NAME LANGUAGE_ID", file=sys.stderr)
        return 2
    path, port, language = argv[1], argv[2], argv[3]
    if not port or not language.isdigit() or int(language) > 0xFFFFFFFF:
        print("seed_registry.py: give a port name and a language number", file=sys.stderr)
        return 2
    section = [KEY, 'COMPORT=sz:"%s"' % escape(port), "Language=dword:%08x" % int(language)]
    with open(path + ".lock", "a+") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        try:
            with open(path, encoding="utf-8") as f:
                lines = f.read().splitlines()
        except FileNotFoundError:
            lines = []
        if not lines or lines[0] != HEADER:
            if any(line.strip() for line in lines):
                print("seed_registry.py: %s is not a registry store" % path, file=sys.stderr)
                return 1
            lines = [HEADER]
        # A section of the same key later in the file adds to (and overrides) an earlier one.
        text = "\n".join(lines + section) + "\n"
        folder = os.path.dirname(os.path.abspath(path))
        fd, temp = tempfile.mkstemp(dir=folder, prefix=".registry.")
        try:
            with os.fdopen(fd, "w", encoding="utf-8") as f:
                f.write(text)
                f.flush()
                os.fsync(f.fileno())
            os.replace(temp, path)
        except BaseException:
            os.unlink(temp)
            raise
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
