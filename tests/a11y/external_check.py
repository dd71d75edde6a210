#!/usr/bin/env python3
"""The AT-SPI client of the external accessibility check: it drives the running program as a screen
reader or an automation tool would, through the accessibility bus only.

    external_check.py --pid PID [--deadline SECONDS] [--tabs General,Report,...]

It finds the application of process PID, finds the main window's push buttons by their names
(Connect, Disconnect, Open), presses Connect, waits until the page tab strip shows the definition's
tab titles and reads them, reads the log list's lines and looks for the commands sent, presses
Disconnect and checks that the session ended, presses Open and checks that a file dialog appears,
cancels it, and closes the program, answering its exit question. Every wait polls with a deadline.
Prints a PASS or FAIL line per check; exit status 0 only when all passed.
"""
import argparse
import ctypes
import ctypes.util
import os
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402
import pyatspi  # noqa: E402

# Control ids the layer puts into each control's accessible description ("id=N").
ID_COMBO_PORT = 1006
ID_LIST_LOG = 1014
ID_TAB_PAGES = 1066

POLL_SECONDS = 0.1
FILE_VIEW_ROLES = (pyatspi.ROLE_LIST, pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE, pyatspi.ROLE_TREE_TABLE,
                   pyatspi.ROLE_TREE_ITEM)


class CheckFailed(Exception):
    pass


class Checker:
    def __init__(self, pid, deadline_seconds):
        self.pid = pid
        self.end = time.monotonic() + deadline_seconds
        self.failures = 0

    # ---- reporting ---------------------------------------------------------------------------
    def passed(self, what):
        print("PASS: " + what, flush=True)

    def failed(self, what):
        self.failures += 1
        print("FAIL: " + what, flush=True)

    def expect(self, condition, what):
        if condition:
            self.passed(what)
        else:
            self.failed(what)
        return condition

    def require(self, value, what):
        """Passes when value is truthy; otherwise fails and stops the run."""
        if not value:
            self.failed(what)
            raise CheckFailed(what)
        self.passed(what)
        return value

    # ---- waiting -----------------------------------------------------------------------------
    def program_alive(self):
        try:
            pid, _ = os.waitpid(self.pid, os.WNOHANG)
            return pid == 0
        except ChildProcessError:
            # Not our child: ask the system whether it still exists.
            try:
                os.kill(self.pid, 0)
            except ProcessLookupError:
                return False
            except PermissionError:
                return True
            try:
                with open("/proc/%d/stat" % self.pid) as f:
                    return f.read().split(") ")[-1][:1] != "Z"  # a zombie has ended
            except OSError:
                return False

    def wait_for(self, probe, seconds):
        """Calls probe until it returns something truthy, at most `seconds` (and never past the run's
        deadline); returns the last result. Errors of the bus count as "not yet"."""
        end = min(time.monotonic() + seconds, self.end)
        while True:
            try:
                result = probe()
            except GLib.GError:
                result = None
            if result:
                return result
            if time.monotonic() >= end or not self.program_alive():
                return result
            time.sleep(POLL_SECONDS)


# ---- reading the tree --------------------------------------------------------------------------
def fresh(acc):
    """Drops what the client library cached of acc, so that the next questions reach the program."""
    try:
        acc.clear_cache()
    except (AttributeError, GLib.GError):
        pass
    return acc


def children(acc):
    fresh(acc)
    out = []
    try:
        count = acc.get_child_count()
    except GLib.GError:
        return out
    for i in range(count):
        try:
            child = acc.get_child_at_index(i)
        except GLib.GError:
            continue
        if child is not None:
            out.append(child)
    return out


def walk(acc, depth=0, limit=40):
    """Every descendant of acc, depth first (list items included)."""
    if depth > limit:
        return
    for child in children(acc):
        yield child
        yield from walk(child, depth + 1, limit)


def name_of(acc):
    try:
        return fresh(acc).get_name() or ""
    except GLib.GError:
        return ""


def role_of(acc):
    try:
        return acc.get_role()
    except GLib.GError:
        return None


def control_id(acc):
    try:
        description = fresh(acc).get_description() or ""
    except GLib.GError:
        return None
    if description.startswith("id="):
        try:
            return int(description[3:])
        except ValueError:
            return None
    return None


def has_state(acc, state):
    try:
        return fresh(acc).get_state_set().contains(state)
    except GLib.GError:
        return False


def press(acc):
    """Runs the control's press (click) action; False when it has none."""
    try:
        action = acc.queryAction()
    except NotImplementedError:
        return False
    names = [action.getName(i).lower() for i in range(action.nActions)]
    for wanted in ("press", "click", "activate"):
        if wanted in names:
            return action.doAction(names.index(wanted))
    return False


def find_application(pid):
    desktop = pyatspi.Registry.getDesktop(0)
    for app in children(desktop):
        try:
            if app.get_process_id() == pid:
                return app
        except GLib.GError:
            continue
    return None


def find(app, role, name=None, cid=None):
    for acc in walk(app):
        if role_of(acc) != role:
            continue
        if name is not None and name_of(acc) != name:
            continue
        if cid is not None and control_id(acc) != cid:
            continue
        return acc
    return None


def item_texts(acc):
    return [name_of(child) for child in children(acc)]


def showing_dialogs(app, main_window):
    """Top-level windows of the application other than the main window that are showing."""
    out = []
    for top in children(app):
        if top == main_window:
            continue
        if role_of(top) in (pyatspi.ROLE_DIALOG, pyatspi.ROLE_FILE_CHOOSER, pyatspi.ROLE_FRAME,
                            pyatspi.ROLE_WINDOW, pyatspi.ROLE_ALERT) and has_state(top, pyatspi.STATE_SHOWING):
            out.append(top)
    return out


# ---- the check ---------------------------------------------------------------------------------
def run(check, expected_tabs):
    app = check.wait_for(lambda: find_application(check.pid), 60)
    check.require(app, "the program is on the accessibility bus (process %d)" % check.pid)

    buttons = {}

    def all_buttons():
        for label in ("Connect", "Disconnect", "Open"):
            if label not in buttons:
                found = find(app, pyatspi.ROLE_PUSH_BUTTON, name=label)
                if found is not None:
                    buttons[label] = found
        return len(buttons) == 3

    check.wait_for(all_buttons, 45)
    for label in ("Connect", "Disconnect", "Open"):
        check.require(buttons.get(label), "push button \"%s\" found by its name" % label)
    for label, acc in buttons.items():
        check.expect(control_id(acc) is not None, "\"%s\" carries its control id (%s)" % (label, acc.get_description()))

    main_window = buttons["Connect"]
    while main_window is not None and role_of(main_window.get_parent()) != pyatspi.ROLE_APPLICATION:
        main_window = main_window.get_parent()
    check.expect(main_window is not None and "Brelvano" in name_of(main_window),
                 "the main window is named by its caption (\"%s\")" % name_of(main_window))

    log = find(app, pyatspi.ROLE_LIST, cid=ID_LIST_LOG)
    check.require(log, "the log list is found (role list, id=%d)" % ID_LIST_LOG)
    tabs = find(app, pyatspi.ROLE_PAGE_TAB_LIST, cid=ID_TAB_PAGES)
    check.require(tabs, "the page tab strip is found (role page tab list, id=%d)" % ID_TAB_PAGES)
    combo = find(app, pyatspi.ROLE_COMBO_BOX, cid=ID_COMBO_PORT)
    check.require(combo, "the port selector is found (role combo box, id=%d)" % ID_COMBO_PORT)

    for label, acc in buttons.items():
        check.expect(has_state(acc, pyatspi.STATE_ENABLED) and has_state(acc, pyatspi.STATE_SHOWING),
                     "\"%s\" is enabled and showing" % label)

    # Connect: the session runs to the definition's pages.
    check.require(press(buttons["Connect"]), "Connect pressed through its action")
    # The definition's tabs come first; the program's own pages follow them.
    shown = check.wait_for(lambda: item_texts(tabs)[:len(expected_tabs)] == expected_tabs and item_texts(tabs), 60)
    check.require(shown, "the tab strip shows the definition's tabs %s (read: %s)" % (expected_tabs, item_texts(tabs)))
    tab_items = children(tabs)
    check.expect(all(role_of(t) == pyatspi.ROLE_PAGE_TAB for t in tab_items), "each tab has the page tab role")
    check.expect(check.wait_for(lambda: has_state(tab_items[0], pyatspi.STATE_SELECTED), 15),
                 "the first tab is the selected one")

    def log_has(*texts):
        lines = item_texts(log)
        return all(any(t in line for line in lines) for t in texts) and lines

    lines = check.wait_for(lambda: log_has("$PVRVer", "$PVRADP"), 30)
    check.require(lines, "the log's lines hold the version query and the status chain")
    print("      log: " + " | ".join(item_texts(log)[:12]), flush=True)
    check.expect(all(role_of(i) == pyatspi.ROLE_LIST_ITEM for i in children(log)), "each log line is a list item")
    check.expect(check.wait_for(lambda: not has_state(combo, pyatspi.STATE_ENABLED), 15),
                 "the port selector is disabled while the port is open")

    # Disconnect: the port closes, the pages go and the port selector is free again.
    check.require(press(buttons["Disconnect"]), "Disconnect pressed through its action")
    closed = check.wait_for(lambda: has_state(combo, pyatspi.STATE_ENABLED) and not item_texts(tabs), 30)
    check.require(closed, "the port is closed: the selector is enabled again and the tabs are gone")

    # Open without a port: the program asks for a definition file.
    before = set(showing_dialogs(app, main_window))
    press_open(check, buttons["Open"])
    dialog = check.wait_for(lambda: [d for d in showing_dialogs(app, main_window) if d not in before], 30)
    check.require(dialog, "Open shows a file dialog")
    dialog = dialog[0]
    inside = [(role_of(a), name_of(a)) for a in walk(dialog)]
    print("      dialog: role %s, name \"%s\", %d parts" % (role_of(dialog).value_nick, name_of(dialog), len(inside)),
          flush=True)
    # A file dialog: a field for the file name and a view of the folder's files.
    check.expect(any(r in (pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY) for r, _ in inside) and
                 any(r in FILE_VIEW_ROLES for r, _ in inside),
                 "the dialog is a file dialog (a file name field and a file view)")
    cancel = find(dialog, pyatspi.ROLE_PUSH_BUTTON, name="Cancel")
    check.require(cancel is not None and press(cancel), "the file dialog's Cancel pressed")
    check.require(check.wait_for(lambda: not has_state(dialog, pyatspi.STATE_SHOWING) or dialog not in
                                 showing_dialogs(app, main_window), 10), "the file dialog is gone")

    close_program(check, app, main_window)


def press_open(check, button):
    """Open runs a modal file dialog inside its click: the bridge may answer the press only when the
    dialog ends, so the call is given a short time-out and its end is seen in the tree instead."""
    Atspi.set_timeout(1500, 15000)
    try:
        press(button)
        check.passed("Open pressed through its action")
    except GLib.GError:
        check.passed("Open pressed through its action (the reply waits for the dialog)")
    finally:
        Atspi.set_timeout(5000, 15000)


class XClientMessageEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]


class XEvent(ctypes.Union):
    _fields_ = [("xclient", XClientMessageEvent), ("pad", ctypes.c_long * 24)]


def request_close(pid, title):
    """Asks the program's top-level window titled `title` to close, as a window manager's close box
    does (WM_DELETE_WINDOW). The virtual display has no window manager, and a dialog has no close
    action of its own on the accessibility bus. Returns an error text, or "" when the request went out."""
    try:
        x = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    except OSError as error:
        return "no X library: %s" % error
    ulong, ulong_p = ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong)
    x.XOpenDisplay.restype = ctypes.c_void_p
    x.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x.XDefaultRootWindow.restype = ulong
    x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x.XInternAtom.restype = ulong
    x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x.XQueryTree.argtypes = [ctypes.c_void_p, ulong, ulong_p, ulong_p, ctypes.POINTER(ulong_p),
                             ctypes.POINTER(ctypes.c_uint)]
    x.XGetWindowProperty.argtypes = [ctypes.c_void_p, ulong, ulong, ctypes.c_long, ctypes.c_long, ctypes.c_int, ulong,
                                     ulong_p, ctypes.POINTER(ctypes.c_int), ulong_p, ulong_p,
                                     ctypes.POINTER(ctypes.POINTER(ctypes.c_ubyte))]
    x.XFetchName.argtypes = [ctypes.c_void_p, ulong, ctypes.POINTER(ctypes.c_void_p)]
    x.XSendEvent.argtypes = [ctypes.c_void_p, ulong, ctypes.c_int, ctypes.c_long, ctypes.POINTER(XEvent)]
    x.XFree.argtypes = [ctypes.c_void_p]
    x.XFlush.argtypes = [ctypes.c_void_p]
    x.XCloseDisplay.argtypes = [ctypes.c_void_p]

    display = x.XOpenDisplay(None)
    if not display:
        return "cannot open the display"
    try:
        atom_pid = x.XInternAtom(display, b"_NET_WM_PID", 0)
        protocols = x.XInternAtom(display, b"WM_PROTOCOLS", 0)
        delete = x.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
        root_ret, parent_ret = ulong(), ulong()
        windows, count = ulong_p(), ctypes.c_uint()
        if not x.XQueryTree(display, x.XDefaultRootWindow(display), ctypes.byref(root_ret), ctypes.byref(parent_ret),
                            ctypes.byref(windows), ctypes.byref(count)):
            return "cannot list the windows"
        targets = []
        for i in range(count.value):
            window = windows[i]
            kind, fmt, items, after = ulong(), ctypes.c_int(), ulong(), ulong()
            data = ctypes.POINTER(ctypes.c_ubyte)()
            if x.XGetWindowProperty(display, window, atom_pid, 0, 1, 0, 6, ctypes.byref(kind), ctypes.byref(fmt),
                                    ctypes.byref(items), ctypes.byref(after), ctypes.byref(data)) != 0:
                continue
            owner = ctypes.cast(data, ctypes.POINTER(ctypes.c_long))[0] if data and items.value == 1 else None
            if data:
                x.XFree(data)
            name = ctypes.c_void_p()
            text = ""
            if x.XFetchName(display, window, ctypes.byref(name)) and name.value:
                text = ctypes.string_at(name.value).decode("utf-8", "replace")
                x.XFree(name)
            if owner == pid and text == title:
                targets.append(window)
        if windows:
            x.XFree(windows)
        if not targets:
            return "no window of process %d titled \"%s\"" % (pid, title)
        for window in targets:
            event = XEvent()
            event.xclient.type = 33  # ClientMessage
            event.xclient.window = window
            event.xclient.message_type = protocols
            event.xclient.format = 32
            event.xclient.data[0] = delete
            event.xclient.data[1] = 0  # CurrentTime
            x.XSendEvent(display, window, 0, 0, ctypes.byref(event))
        x.XFlush(display)
        return ""
    finally:
        x.XCloseDisplay(display)


def close_program(check, app, main_window):
    """Closes the main window as its close box would; the program asks its exit question, which is
    found and answered (OK) through the accessibility bus."""
    before = set(showing_dialogs(app, main_window))
    error = request_close(check.pid, name_of(main_window))
    check.require(not error, "the main window is asked to close" + (" (%s)" % error if error else ""))
    question = check.wait_for(lambda: [d for d in showing_dialogs(app, main_window) if d not in before], 30)
    check.require(question, "closing asks the exit question")
    question = question[0]
    text = fresh(question).get_description() or ""
    check.expect(role_of(question) == pyatspi.ROLE_ALERT and text,
                 "the exit question is an alert with its text (\"%s\")" % text.replace("\n", " "))
    ok = find(question, pyatspi.ROLE_PUSH_BUTTON, name="OK")
    check.require(ok is not None, "the exit question's OK button found")
    # Answering ends the program: the reply to the press may never come.
    Atspi.set_timeout(1500, 15000)
    try:
        press(ok)
    except GLib.GError:
        pass
    finally:
        Atspi.set_timeout(5000, 15000)
    check.require(check.wait_for(lambda: not check.program_alive(), 30) or not check.program_alive(),
                  "the program ends after OK")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--pid", type=int, required=True, help="process id of the running program")
    parser.add_argument("--deadline", type=float, default=45, help="seconds for the whole check")
    parser.add_argument("--tabs", default="General,Report,Service", help="tab titles the definition gives")
    args = parser.parse_args()
    expected_tabs = [t for t in args.tabs.split(",") if t]

    # No single question to the bus may hang the check.
    Atspi.set_timeout(5000, 15000)
    check = Checker(args.pid, args.deadline)
    try:
        run(check, expected_tabs)
    except CheckFailed:
        pass
    except GLib.GError as error:
        check.failed("accessibility bus error: %s" % error)
    except Exception as error:  # a fault of the check itself still ends in a FAIL line
        check.failed("the check broke: %s: %s" % (type(error).__name__, error))
    if check.failures == 0:
        print("PASS: all external accessibility checks", flush=True)
        return 0
    print("FAIL: %d check(s) failed" % check.failures, flush=True)
    return 1


if __name__ == "__main__":
    sys.exit(main())
