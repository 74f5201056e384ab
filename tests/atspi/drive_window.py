#!/usr/bin/python3
"""Drives the real main window through the accessibility interface (AT-SPI),
as a screen reader or a person with a keyboard would, and checks what it
shows and what it writes.

Run inside an X server and a D-Bus session (scripts/ci-atspi.sh does both):
    drive_window.py KDGN20-EXECUTABLE WORKING-FOLDER

Checks: every input has a name of its own; typing marks the settings as
changed in the title; "Make Listing !" writes the listing and says where;
a settings file of the Recent files list opens after the unsaved-changes
question; Cancel stops a long build and leaves the previous listing alone;
File > Exit ends the program.
"""

import os
import subprocess
import sys
import tempfile
import time

import pyatspi

TIMEOUT = 30  # seconds for anything the window is asked to do

INPUT_NAMES = [
    "Source path", "Output template", "Output file",
    "Files filter: Include", "Files filter: Skip",
    "Directories filter: Include", "Directories filter: Skip",
    "Start date", "Start time", "End date", "End time",
    "Smallest size in Kb", "Largest size in Kb",
    "Order by", "Date format", "Images directory",
]


class Failure(Exception):
    pass


def wait_for(what, probe, timeout=TIMEOUT):
    """Polls probe() until it returns something true; fails naming what."""
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        try:
            found = probe()
        except Exception:  # the tree changes under us while windows open
            found = None
        if found:
            return found
        time.sleep(0.2)
    raise Failure("timed out waiting for " + what)


def find_app():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and (app.name or "").lower() == "dirgen":
            return app
    return None


def descendants(node):
    """Every node below node, depth first (a snapshot, skipping dead ones)."""
    out = []
    stack = [node]
    while stack:
        n = stack.pop()
        try:
            children = [n.getChildAtIndex(i) for i in range(n.childCount)]
        except Exception:
            continue
        for c in reversed(children):
            if c is not None:
                out.append(c)
                stack.append(c)
    return out


def find(node, name=None, role=None, showing=False):
    for n in descendants(node):
        if name is not None and n.name != name:
            continue
        if role is not None and n.getRole() != role:
            continue
        if showing and not n.getState().contains(pyatspi.STATE_SHOWING):
            continue
        return n
    return None


def main_frame(app):
    for i in range(app.childCount):
        w = app.getChildAtIndex(i)
        if w is not None and w.name.endswith(" - Dirgen 2.0"):
            return w
    return None


def message_box(app, contains):
    """The open message box whose text holds contains, and its text."""
    for i in range(app.childCount):
        w = app.getChildAtIndex(i)
        if w is None or w.getRole() not in (pyatspi.ROLE_DIALOG,
                                             pyatspi.ROLE_ALERT):
            continue
        for n in descendants(w):
            if n.getRole() == pyatspi.ROLE_LABEL and contains in n.name:
                return w, n.name
    return None


def press(node):
    action = node.queryAction()
    for i in range(action.nActions):
        if action.getName(i) in ("Press", "press", "click", "activate"):
            action.doAction(i)
            return
    action.doAction(0)


def answer(app, contains, button):
    """Waits for the message box saying contains, presses button; its text."""
    box, text = wait_for("a message saying " + repr(contains),
                         lambda: message_box(app, contains))
    press(wait_for("button " + button,
                   lambda: find(box, name=button,
                                role=pyatspi.ROLE_PUSH_BUTTON)))
    wait_for("the message to close",
             lambda: message_box(app, contains) is None)
    return text


def type_into(frame, name, text):
    field = find(frame, name=name)
    if field is None:
        raise Failure("no input named " + name)
    field.queryEditableText().setTextContents(text)
    wait_for(name + " to show the text",
             lambda: field.queryText().getText(0, -1) == text)


def is_named(node, expected):
    """Whether a screen reader calls node expected. A drop-down list's name
    is its current choice; it is known by the labels it is labelled by."""
    if node.getRole() != pyatspi.ROLE_COMBO_BOX:
        return node.name == expected
    for relation in node.getRelationSet():
        if relation.getRelationType() != pyatspi.RELATION_LABELLED_BY:
            continue
        for i in range(relation.getNTargets()):
            if relation.getTarget(i).name.startswith(expected):
                return True
    return False


def check_names(frame):
    """Every input is found by its own name, and by no other input's."""
    inputs = [n for n in descendants(frame)
              if n.getRole() not in (pyatspi.ROLE_LABEL, pyatspi.ROLE_PANEL)]
    for expected in INPUT_NAMES:
        named = [n for n in inputs if is_named(n, expected)]
        if len(named) != 1:
            raise Failure("%d inputs are named %r" % (len(named), expected))


def recent_item(frame, path):
    for n in descendants(frame):
        if n.getRole() == pyatspi.ROLE_MENU_ITEM and n.name.endswith(path):
            return n
    return None


def run(program, working, scratch):
    source = os.path.join(scratch, "photos")
    os.makedirs(source)
    for name in ("beach.jpg", "hills.png", "notes.txt"):
        with open(os.path.join(source, name), "w") as f:
            f.write(name)
    listing = os.path.join(scratch, "out", "list.html")
    os.makedirs(os.path.dirname(listing))

    # A settings file on the Recent files list: a long recursive listing of
    # /usr into a file that already holds a previous listing.
    previous = os.path.join(scratch, "out", "usr.html")
    with open(previous, "w") as f:
        f.write("previous listing")
    settings = os.path.join(scratch, "usr.txt")
    with open(settings, "w") as f:
        f.write("<path>/usr</path>\r\n<save>%s</save>\r\n"
                "<subfolders>1</subfolders>\r\n"
                "<subfolders_in_one_file>1</subfolders_in_one_file>\r\n"
                % previous)
    config = os.path.join(scratch, "config")
    os.makedirs(os.path.join(config, "dirgen"))
    with open(os.path.join(config, "dirgen", "dirgen.ini"), "w") as f:
        f.write("[recent]\n1\\path=%s\nsize=1\n" % settings)

    env = dict(os.environ, XDG_CONFIG_HOME=config,
               QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
    env.pop("QT_QPA_PLATFORM", None)
    window = subprocess.Popen([program], cwd=working, env=env)
    try:
        app = wait_for("the program on the accessibility bus", find_app)
        frame = wait_for("the main window", lambda: main_frame(app))
        if frame.name != "New project - Dirgen 2.0":
            raise Failure("first title is " + repr(frame.name))
        check_names(frame)

        type_into(frame, "Source path", source)
        type_into(frame, "Output file", listing)
        wait_for("the unsaved-changes mark",
                 lambda: main_frame(app).name == "New project* - Dirgen 2.0")

        press(find(frame, name="Make Listing !", role=pyatspi.ROLE_PUSH_BUTTON))
        text = answer(app, "Build is complete", "OK")
        if listing not in text:
            raise Failure("the result does not name the listing: " + text)
        with open(listing) as f:
            page = f.read()
        for name in ("beach.jpg", "hills.png", "notes.txt"):
            if name not in page:
                raise Failure(name + " is not in the listing")

        item = wait_for("the recent settings file in the File menu",
                        lambda: recent_item(frame, settings))
        press(item)
        answer(app, "The settings have been changed", "Discard")
        wait_for("the opened settings' title",
                 lambda: main_frame(app).name == "usr.txt - Dirgen 2.0")

        press(find(frame, name="Make Listing !", role=pyatspi.ROLE_PUSH_BUTTON))
        # The previous listing was not written by Dirgen: it asks first.
        text = answer(app, "not written by Dirgen", "Replace")
        if previous not in text:
            raise Failure("the question does not name the file: " + text)
        cancel = wait_for("Cancel beside the progress",
                          lambda: find(frame, name="Cancel",
                                       role=pyatspi.ROLE_PUSH_BUTTON,
                                       showing=True))
        press(cancel)
        answer(app, "Build was cancelled.", "OK")
        with open(previous) as f:
            if f.read() != "previous listing":
                raise Failure("the cancelled build changed " + previous)
        leftovers = [n for n in os.listdir(os.path.dirname(previous))
                     if n not in ("list.html", "usr.html", ".dirgen-listings")]
        if leftovers:
            raise Failure("the cancelled build left " + repr(leftovers))

        exit_item = wait_for("File > Exit",
                             lambda: find(frame, name="Exit",
                                          role=pyatspi.ROLE_MENU_ITEM))
        press(exit_item)
        status = window.wait(timeout=TIMEOUT)
        if status != 0:
            raise Failure("the program ended with status %d" % status)
    finally:
        if window.poll() is None:
            window.kill()
            window.wait()


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: drive_window.py KDGN20 WORKING-FOLDER")
    program = os.path.abspath(sys.argv[1])
    working = os.path.abspath(sys.argv[2])
    with tempfile.TemporaryDirectory(prefix="dirgen-atspi-") as scratch:
        try:
            run(program, working, scratch)
        except Failure as failure:
            print("FAIL: " + str(failure))
            sys.exit(1)
    print("PASS: the window works through the accessibility interface")


if __name__ == "__main__":
    main()
