"""Drives the console through the accessibility bus as a screen reader does: it finds controls by
their role and name, fills fields through their editable text, picks rows and pages through the
selection of their list, ticks check boxes by their action and presses buttons by theirs. What the
console stored is read back with custodiactl.

Usage: screen_reader_walk.py PROGRAM-FOLDER WORK-FOLDER, inside a session bus and a display (see
run-atspi-test.sh). The accessibility bus itself is started here.
"""

import os
import shutil
import subprocess
import sys
import time

import pyatspi

PROGRAMS, WORK = sys.argv[1], sys.argv[2]
CTL = os.path.join(PROGRAMS, "custodiactl")
SITE = os.path.join(WORK, "site")


class WalkFailure(Exception):
    pass


def ctl(*arguments, stdin=None):
    done = subprocess.run([CTL, *arguments], cwd=PROGRAMS, input=stdin, capture_output=True, text=True)
    if done.returncode != 0:
        raise WalkFailure(f"custodiactl {' '.join(arguments)}: {done.stderr.strip()}")
    return done.stdout


def wait_for(what, probe, timeout=30.0):
    """Polls the other process until probe() gives something; the console answers on its own time."""
    deadline = time.monotonic() + timeout
    while True:
        try:
            found = probe()
        except Exception:  # an object that went away while it was looked at
            found = None
        if found:
            return found
        if time.monotonic() > deadline:
            raise WalkFailure(f"timed out waiting for {what}")
        time.sleep(0.1)


def children(accessible):
    try:
        return [accessible.getChildAtIndex(i) for i in range(accessible.childCount)]
    except Exception:
        return []


def find(root, role, name=None, starts=None, showing=True, limit=6000):
    """The first object of the role (and name) below root, breadth first."""
    queue, seen = [root], 0
    while queue and seen < limit:
        accessible = queue.pop(0)
        seen += 1
        if accessible is None:
            continue
        try:
            if accessible.getRoleName() == role and (name is None or accessible.name == name) and (
                starts is None or accessible.name.startswith(starts)
            ):
                if not showing or accessible.getState().contains(pyatspi.STATE_SHOWING):
                    return accessible
        except Exception:
            continue
        queue.extend(children(accessible))
    return None


def states(accessible):
    return accessible.getState()


def do(accessible, *choices):
    """The first of the actions that the object offers."""
    actions = accessible.queryAction()
    names = [actions.getName(i) for i in range(actions.nActions)]
    for action in choices:
        if action in names:
            actions.doAction(names.index(action))
            return
    raise WalkFailure(f"{accessible.getRoleName()} {accessible.name!r} has none of {choices}, only {names}")


def do_without_waiting(accessible, action):
    """The action as a message that expects no answer: an action that opens a modal dialog answers only
    once the dialog has closed, and the dialog is what comes next."""
    actions = accessible.queryAction()
    index = next((i for i in range(actions.nActions) if actions.getName(i) == action), None)
    if index is None:
        raise WalkFailure(f"{accessible.getRoleName()} {accessible.name!r} has no action {action}")
    address = subprocess.run(["dbus-send", "--session", "--dest=org.a11y.Bus", "--print-reply=literal",
                              "/org/a11y/bus", "org.a11y.Bus.GetAddress"], capture_output=True, text=True,
                             check=True).stdout.strip()
    subprocess.run(["dbus-send", f"--bus={address}", f"--dest={accessible.app.bus_name}", "--type=method_call",
                    accessible.path, "org.a11y.atspi.Action.DoAction", f"int32:{index}"], check=True)


def set_text(field, text):
    field.queryEditableText().setTextContents(text)


def select_child(parent, child):
    """Selects a row or a page as a reader does: through the list's selection where it offers one,
    else by the row's own action, which in an item view selects its row."""
    try:
        parent.querySelection().selectChild(child.getIndexInParent())
        return
    except NotImplementedError:
        pass
    if states(child).contains(pyatspi.STATE_SELECTED):
        return
    actions = child.queryAction()
    names = [actions.getName(i) for i in range(actions.nActions)]
    do(child, "Toggle" if "Toggle" in names else "Press")


def application():
    desktop = pyatspi.Registry.getDesktop(0)
    for accessible in children(desktop):
        if accessible is not None and accessible.name.lower() == "custodia" and accessible.childCount:
            return accessible
    return None


def window(title=None, starts=None, role="dialog"):
    def probe():
        app = application()
        for top in children(app) if app else []:
            if top.getRoleName() == role and (title is None or top.name == title) and (
                starts is None or top.name.startswith(starts)
            ):
                return top
        return None

    return wait_for(f"the {role} {title or starts}", probe)


def gone(accessible_name):
    app = application()
    return not any(top.name == accessible_name for top in children(app) if top.getRoleName() == "dialog")


def menu_item(frame, menu, item_starts):
    bar = find(frame, "menu bar")
    top = find(bar, "menu item", menu)
    entry = wait_for(f"the menu item {item_starts}", lambda: find(top, "menu item", starts=item_starts, showing=False))
    do_without_waiting(entry, "Press")


def show_category(frame, category):
    tree = wait_for("the login path tree", lambda: find(frame, "tree", "Login paths"))
    cell = wait_for(f"the category {category}", lambda: find(tree, "table cell", category))
    # Through the table, not by the cell's action: in a tree that selects the row of the cell's
    # number among its siblings, counted from the top of the tree.
    table = tree.queryTable()
    table.addRowSelection(table.getRowAtIndex(cell.getIndexInParent()))
    # The status bar names the category the list shows.
    wait_for(f"the list of {category}", lambda: f" - {category} - " in find(frame, "status bar").getChildAtIndex(1).name)


def item_row(frame, text):
    items = wait_for("the item list", lambda: find(frame, "tree", "Items"))
    cell = wait_for(f"the row {text}", lambda: find(items, "table cell", text))
    return items, cell


def make_login_path():
    # Afresh on a second try.
    for folder in (SITE, os.path.join(WORK, "Harbour"), os.path.join(WORK, "Airport")):
        shutil.rmtree(folder, ignore_errors=True)
    ctl("init", SITE)
    ctl("groups", "save", SITE, "2", "Staff", "--grant", "3:0")
    ctl("groups", "save", SITE, "5", "Night")
    for slot, name in ((1, "Harbour"), (2, "Airport")):
        folder = os.path.join(WORK, name)
        os.makedirs(folder)
        ctl("databases", "set", SITE, str(slot), "--path", folder, "--description", name)
    ctl("users", "add", SITE, "olduser", "--group", "2", stdin="pw\n")
    # A second try finds the path listed already; the first finds no list at all.
    listed = subprocess.run([CTL, "paths", "list"], cwd=PROGRAMS, capture_output=True, text=True).stdout
    if SITE not in listed.splitlines():
        ctl("paths", "add", SITE)


def stored_users():
    users = {}
    for line in ctl("users", "list", SITE).splitlines():
        fields = line.split("\t")
        users[fields[0]] = fields
    return users


def stored_rights(group):
    rights = {}
    for line in ctl("groups", "show", SITE, str(group)).splitlines():
        page, file, position, value, label = line.split("\t")
        rights[(file, int(position))] = (int(value), label)
    return rights


def create_user(frame):
    show_category(frame, "Users")
    menu_item(frame, "Edit", "Create User")
    dialog = window("User Properties")
    for role, label, text in (("text", "User name:", "newuser"), ("text", "Full name:", "New User"),
                              ("password text", "Password:", "pw 2"), ("password text", "Confirm password:", "pw 2")):
        set_text(wait_for(f"the field {label}", lambda: find(dialog, role, label)), text)

    tabs = find(dialog, "page tab list")
    select_child(tabs, find(tabs, "page tab", "Group"))
    groups = wait_for("the list of groups", lambda: find(dialog, "tree", "Group"))
    select_child(groups, wait_for("group 005", lambda: find(groups, "table cell", "005")))
    wait_for("the chosen group", lambda: find(dialog, "text", "Current group:").queryText().getText(0, -1)
             == "005 - Night")

    select_child(tabs, find(tabs, "page tab", "Database Paths"))
    do(wait_for("the selected-paths choice", lambda: find(dialog, "radio button", starts="Selected")), "Press", "Toggle")
    for slot in ("[01]  Harbour", "[02]  Airport"):
        box = wait_for(f"the check box {slot}", lambda: find(dialog, "check box", slot))
        if states(box).contains(pyatspi.STATE_CHECKED):
            raise WalkFailure(f"{slot} reads ticked before it was ticked")
        do(box, "Toggle")
        wait_for(f"{slot} ticked", lambda: states(box).contains(pyatspi.STATE_CHECKED))

    do(find(dialog, "push button", "OK"), "Press")
    wait_for("the user dialog to close", lambda: gone("User Properties"))
    fields = wait_for("the new user in tessel.pwd", lambda: stored_users().get("newuser"))
    # name, full name, group, description, database mode, database mask
    if fields[1] != "New User" or fields[2] != "5" or fields[4] != "1" or fields[5] != "3":
        raise WalkFailure(f"the new user was stored as {fields}")
    ctl("users", "check", SITE, "newuser", stdin="pw 2\n")


def change_group_rights(frame):
    before = stored_rights(2)
    granted = next(key for key, (value, _) in before.items() if value)
    refused = next(key for key, (value, _) in before.items() if not value)
    show_category(frame, "Groups")
    items, row = item_row(frame, "002")
    select_child(items, row)
    menu_item(frame, "Edit", "Edit Group")
    dialog = window(starts="Group Properties")
    search = wait_for("the right search", lambda: find(dialog, "text", "Find a right:"))
    for key in (granted, refused):
        label = before[key][1]
        set_text(search, label)
        box = wait_for(f"the right {label}", lambda: find(dialog, "check box", label))
        was = states(box).contains(pyatspi.STATE_CHECKED)
        if was != bool(before[key][0]):
            raise WalkFailure(f"{label} reads {'ticked' if was else 'clear'} against the stored {before[key][0]}")
        do(box, "Toggle")
        wait_for(f"{label} toggled", lambda: states(box).contains(pyatspi.STATE_CHECKED) != was)
    do(find(dialog, "push button", "Save"), "Press")
    wait_for("the group dialog to close", lambda: not any(
        top.name.startswith("Group Properties") for top in children(application())))
    after = stored_rights(2)
    if after[granted][0] != 0 or after[refused][0] != 1:
        raise WalkFailure(f"{before[granted][1]} is {after[granted][0]}, {before[refused][1]} is {after[refused][0]}")
    changed = [key for key in after if after[key][0] != before[key][0]]
    if sorted(changed) != sorted([granted, refused]):
        raise WalkFailure(f"the save changed {changed}")


def delete_user(frame):
    show_category(frame, "Users")
    items, row = item_row(frame, "olduser")
    select_child(items, row)
    menu_item(frame, "Edit", "Delete User")
    question = wait_for("the delete question", lambda: find(application(), "alert", showing=False)
                        or next((top for top in children(application()) if top.getRoleName() == "dialog"
                                 and top.name != frame.name), None))
    do(wait_for("its OK button", lambda: find(question, "push button", "OK")), "Press")
    wait_for("olduser gone from tessel.pwd", lambda: "olduser" not in stored_users())
    if "newuser" not in stored_users():
        raise WalkFailure("deleting olduser took newuser too")


def main():
    bus = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])
    console = None
    try:
        make_login_path()
        console = subprocess.Popen([os.path.join(PROGRAMS, "custodia")], cwd=PROGRAMS)
        time.sleep(0.5)
        if console.poll() is not None:
            # The virtual display went away under it, as it may on a loaded machine: worth another try.
            print("atspi: the console could not start on the display", file=sys.stderr)
            return 3
        frame = wait_for("the main window", lambda: next(
            (top for top in children(application()) if top.getRoleName() == "frame" and "Custodia" in top.name
             and find(top, "tree", "Login paths")), None))
        for step in (create_user, change_group_rights, delete_user):
            step(frame)
            print(f"atspi: {step.__name__}: ok")
    except WalkFailure as failure:
        print(f"atspi: {failure}", file=sys.stderr)
        return 1
    finally:
        if console is not None:
            console.terminate()
            console.wait(timeout=10)
        bus.terminate()
    return 0


if __name__ == "__main__":
    sys.exit(main())
