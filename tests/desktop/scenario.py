#!/usr/bin/python3
"""The whole program driven as a person would, on the desktop that desktop-session starts.

Fresh profile, an account added through the wizard against a real Dovecot over TLS, the first
check with its tray tooltip, pop-ups and sound, the Messages page, new mail checked from the
tray menu, a restart, and a wrong password. Each step checks what a person would see or hear
(window titles, widgets through the accessibility bus, pixels where a pop-up must be, the
recorded sound, the data file) and the run fails at the first thing that is not so. With
--shots it also keeps a picture of every window it meets.

    desktop-session scenario.py --velomar PATH --mail-server PATH [--shots FOLDER]
"""

import os
import re
import subprocess
import sys
import time

import pyatspi

from desktop import (ADDRESS, FIRST_MAIL, LATER_MAIL, PASSWORD, POPUP_SIZE, POPUP_FILL, PRODUCT,
                     Failure, Program, Recording, Run, extents, find, fill, focused, main,
                     press, run, show_tab, status_text, step, table_rows, top_level,
                     visible_windows, wait_for, window)


def tray_icon():
    """The centre of our icon inside the tray (trayer's panel), or None."""
    # The tree walk fails when a window goes away while it is read (a tooltip, a menu): then
    # there is no answer this time, and the caller asks again.
    listing = subprocess.run(["xwininfo", "-root", "-tree"], capture_output=True, text=True)
    if listing.returncode != 0:
        return None
    tree = listing.stdout
    inside = False
    for line in tree.splitlines():
        if '("panel" "trayer")' in line:
            inside = True
        elif inside and '"velomar"' in line:
            match = re.search(r"(\d+)x(\d+)\+-?\d+\+-?\d+\s+\+(-?\d+)\+(-?\d+)", line)
            if match:
                width, height, x, y = map(int, match.groups())
                return x + width // 2, y + height // 2
    return None


# --- widgets, through the accessibility bus ---------------------------------------------------

def tray_menu(screen, keys, picture=None):
    """Opens the tray icon's menu with a right click and chooses with the keyboard: Up from
    the top wraps to the last item, E&xit also answers its letter."""
    icon = wait_for("the tray icon", tray_icon)
    before = set(visible_windows())
    screen.click(*icon, button=3)
    menu = wait_for("the tray menu", lambda: [shape for window, shape in visible_windows().items()
                                              if window not in before])[0]
    x, y, width, height = menu
    if abs(x + width - icon[0]) > width and abs(x - icon[0]) > width:
        raise Failure(f"the tray menu opened far from the icon: {menu}")
    if picture:
        screen.keep(picture, crop=(width + 40, height + 40, x - 20, y - 20))
    screen.key(*keys)


def tip_reads(tip, count):
    """Whether the tooltip names the program and the unread count, then when the checks are."""
    lines = tip.split("\n")
    return (lines[:2] == [PRODUCT, count] and len(lines) == 3
            and lines[2].startswith("Last check at ") and "; next at " in lines[2])


def in_keyring(address):
    """The password the session's keyring keeps for the account, as a keyring manager sees it."""
    return subprocess.run(["secret-tool", "lookup", "application", "velomar", "address", address],
                          capture_output=True, text=True).stdout


def tooltip(screen):
    """The tray icon's tooltip, as hovering over it shows it."""
    icon = wait_for("the tray icon", tray_icon)
    # Coming from elsewhere, as a hand does; the tip shows after the pointer rests on the icon.
    run("xdotool", "mousemove", str(icon[0] - 60), str(icon[1] - 60))
    run("xdotool", "mousemove", str(icon[0]), str(icon[1]))
    tip = wait_for("the tray tooltip", lambda: find("tool tip"), timeout=10)
    return tip.name


class Scenario(Run):
    """The eight steps, in order, on one throwaway profile and one mail server."""

    def start_program(self):
        self.program = Program(self.options.velomar, self.environment)
        wait_for("the tray icon", tray_icon)

    def exit_program(self):
        tray_menu(self.screen, ["x"])
        code = self.program.wait_for_exit()
        self.program = None
        if code != 0:
            raise Failure(f"the program ended with {code}")

    def first_start(self):
        step("1. a fresh profile: the tray icon appears, the Accounts tab and the wizard open")
        self.server.command(f"user anna {PASSWORD}")
        for text, _, _ in FIRST_MAIL:
            self.server.deliver("anna", text)
        self.start_program()
        window("E-Mail Account Configuration Wizard")
        if not find("page tab list", "Accounts"):
            raise Failure("the Accounts tab is not the one shown")

    def wizard(self):
        step("2. the wizard, with a connection test that succeeds; the password goes to the "
             "keyring")
        title = "E-Mail Account Configuration Wizard"
        wizard = window(title)
        wizard_id = self.screen.window_named(title)
        self.screen.keep("wizard-1-welcome", wizard_id)
        press("push button", "Next >", wizard)
        fill("E-Mail address:", ADDRESS, wizard)
        fill("Password:", PASSWORD, wizard)
        self.screen.keep("wizard-2-primary", wizard_id)
        press("push button", "Next >", wizard)
        # The certificate names 127.0.0.1 too, which needs no name lookup: "localhost" does not
        # resolve on every machine.
        fill("Server name:", "127.0.0.1", wizard)
        fill("Port:", self.server.ports["tls"], wizard)
        press("check box", "Use TLS/SSL connection", wizard)
        fill("User login:", "anna", wizard)
        self.screen.keep("wizard-3-pop3", wizard_id)
        press("push button", "Test", wizard)
        test = window("Connection Settings Test")
        success = f"Success! You have {len(FIRST_MAIL)} mails in your mailbox!"
        wait_for("the test's success", lambda: find("label", success, test))
        self.screen.keep("connection-test", self.screen.window_named("Connection Settings Test"))
        press("push button", "Ok", test)
        wait_for("the test dialog to close", lambda: not top_level("Connection Settings Test"))
        press("push button", "Next >", wizard)
        wait_for("the preference page",
                 lambda: find("radio button", "Launch default e-mail client", wizard))
        self.screen.keep("wizard-4-preference", wizard_id)
        press("push button", "Next >", wizard)
        wait_for("the completion page", lambda: find("push button", "Finish", wizard))
        self.screen.keep("wizard-5-completion", wizard_id)
        # A new account is checked as soon as it is added: listen from here on.
        before = Recording(os.path.join(self.work, "before.wav"))
        time.sleep(1)
        self.silence = before.loudest()
        self.during = Recording(os.path.join(self.work, "during.wav"))
        press("push button", "Finish", wizard)
        wait_for("the wizard to close", lambda: not top_level(title))
        if in_keyring(ADDRESS) != PASSWORD:
            raise Failure(f"the keyring keeps {in_keyring(ADDRESS)!r} for the new account")

    def first_check(self):
        step("3. the first check, on its own right after the wizard: tooltip, pop-ups stacked in "
             "the bottom-right corner, sound")
        silence, during = self.silence, self.during
        popups = wait_for("three pop-ups",
                          lambda: len(self.screen.popups()) == 3 and self.screen.popups())
        right, bottom = map(int, run("xdotool", "getdisplaygeometry").split())
        width, height = POPUP_SIZE
        if {x for x, _ in popups} != {right - width} or popups[-1][1] + height > bottom:
            raise Failure(f"the pop-ups are not at the right edge of the screen: {popups}")
        if popups[-1][1] + height < bottom - 80:
            raise Failure(f"the first pop-up is far from the bottom of the screen: {popups}")
        for upper, lower in zip(popups, popups[1:]):
            if upper[1] + height != lower[1]:
                raise Failure(f"the pop-ups are not one above the other: {popups}")
        time.sleep(1.5)  # the newest one has faded in
        for x, y in popups:
            colour = self.screen.pixel(x + width // 2, y + height - 10)
            if max(abs(a - b) for a, b in zip(colour, POPUP_FILL)) > 12:
                raise Failure(f"the pop-up at {x},{y} is not fully shown: {colour}")
        self.screen.keep("popups", crop=(width + 20, 3 * height + 20, right - width - 20,
                                         popups[0][1] - 20))
        wait_for("the pop-ups to fade out", lambda: not self.screen.popups(), timeout=20)
        loud = during.loudest()
        step(f"   loudest sound: {silence:.4f} before the check, {loud:.3f} while it ran")
        if loud < 0.02 or silence > 0.005:
            raise Failure(f"no new-mail sound heard (loudest {loud}, before {silence})")
        tip = tooltip(self.screen)
        if not tip_reads(tip, "3 unread messages"):
            raise Failure(f"tooltip: {tip!r}")

    def mark_read(self):
        step("4. the Messages tab: decoded senders and subjects; Mark As Read, reached with Tab")
        show_tab("Messages")
        table, rows = self.message_list(3)
        wanted = {(sender, subject) for _, sender, subject in FIRST_MAIL}
        if {(row[1], row[2]) for row in rows} != wanted or rows[0][2] != FIRST_MAIL[-1][2]:
            raise Failure(f"the message list reads {rows}")
        self.screen.keep("main-messages", self.screen.window_named(PRODUCT))
        x, y, width, height = extents(table.queryTable().getAccessibleAt(1, 2))
        self.screen.click(x + width // 2, y + height // 2)
        # From the list, Tab goes on to the page's buttons.
        for button in ("Mark All As Read", "Mark As Read"):
            self.screen.key("Tab")
            wait_for(f'"{button}" to have the keyboard',
                     lambda: focused("push button") == button, timeout=10)
        self.screen.key("space")
        _, left = self.message_list(2)
        if rows[1] in left:
            raise Failure(f"{rows[1]} is still listed")
        tip = tooltip(self.screen)
        if not tip_reads(tip, "2 unread messages"):
            raise Failure(f"tooltip after Mark As Read: {tip!r}")

    def new_mail(self):
        step("5. new mail, Check E-Mail from the tray menu: exactly the new messages pop up")
        for text, _, _ in LATER_MAIL:
            self.server.deliver("anna", text)
        # Up from the top wraps to the last item, "E&xit"; once more is "Check E-Mail".
        tray_menu(self.screen, ["Up", "Up", "Return"], picture="tray-menu")
        wait_for("two pop-ups", lambda: len(self.screen.popups()) == len(LATER_MAIL))
        time.sleep(3)  # a third would have come one second after the second
        if len(self.screen.popups()) != len(LATER_MAIL):
            raise Failure(f"{len(self.screen.popups())} pop-ups for {len(LATER_MAIL)} new messages")
        _, rows = self.message_list(4)
        for tab in ("Accounts", "Settings", "About"):
            show_tab(tab)
            self.screen.keep("main-" + tab.lower(), self.screen.window_named(PRODUCT))
        wait_for("the pop-ups to fade out", lambda: not self.screen.popups(), timeout=20)
        return rows

    def restart(self, rows):
        step("6. Exit from the tray menu, start again: all as it was, nothing pops up twice")
        saved = os.path.getsize(self.data_file)
        self.exit_program()
        if os.path.getsize(self.data_file) != saved:
            raise Failure("the data file was written at exit")
        self.start_program()
        wait_for("the check at start to end", lambda: status_text() == "Ready")
        time.sleep(2)  # pop-ups would have come with the end of the check
        if self.screen.popups():
            raise Failure("messages popped up again after the restart")
        show_tab("Messages")
        _, again = self.message_list(len(rows))
        if sorted(again) != sorted(rows):
            raise Failure(f"after the restart the list reads {again}")

    def wrong_password(self):
        step("7. a wrong password (the sheet opened with Enter, its fields named by their "
             "labels): checked at once, failed with the server's reason on the Accounts page and "
             "in the status bar")
        show_tab("Accounts")
        accounts = wait_for("the account list", lambda: find("table"))
        x, y, width, height = extents(accounts.queryTable().getAccessibleAt(0, 0))
        self.screen.click(x + width // 2, y + height // 2)
        self.screen.key("Return")
        sheet = window("E-Mail Account Settings")
        fields = find("text", None, sheet, every=True) + find("password text", None, sheet,
                                                             every=True)
        names = sorted(field.name for field in fields)
        if names != ["E-Mail address:", "Password:", "Port:", "Server name:", "User login:"]:
            raise Failure(f"a screen reader names the sheet's fields {names}")
        sheet_id = self.screen.window_named("E-Mail Account Settings")
        self.screen.keep("property-sheet-connection", sheet_id)
        press("page tab", "Account Preferences", sheet)
        self.screen.keep("property-sheet-preferences", sheet_id)
        press("page tab", "Connection Settings", sheet)
        fill("Password:", "not the password", sheet)
        press("push button", "OK", sheet)
        wait_for("the sheet to close", lambda: not top_level("E-Mail Account Settings"))
        if in_keyring(ADDRESS) != "not the password":
            raise Failure(f"the keyring keeps {in_keyring(ADDRESS)!r} after the sheet")
        # The changed password is tried at once, without Check E-Mail.
        reason = "The server refused the log-in: [AUTH] Authentication failed."
        failed = f"Processing: [{ADDRESS}] failed"
        wait_for("the account shown as failed",
                 lambda: table_rows(accounts) == [[ADDRESS, f"Failed: {reason}"]], timeout=60)
        wait_for("the check to end", lambda: find("push button", "Check E-Mail").getState()
                 .contains(pyatspi.STATE_ENABLED), timeout=60)
        if status_text() != failed:
            raise Failure(f"the status bar reads {status_text()!r} after the check")
        (x, y), = wait_for("the pop-up that tells the account fails",
                           lambda: len(self.screen.popups()) == 1 and self.screen.popups(),
                           timeout=30)
        time.sleep(1.5)  # faded in
        width, height = POPUP_SIZE
        self.screen.keep("popup-failure", crop=(width + 20, height + 20, x - 10, y - 10))
        wait_for("the pop-up to fade out", lambda: not self.screen.popups(), timeout=20)
        tip = tooltip(self.screen)
        if "\n1 account cannot be checked\n" not in tip:
            raise Failure(f"tooltip of a failing account: {tip!r}")
        self.exit_program()

    def at_scale_two(self):
        step("8. at a scale factor of 2 (1280x800 is 640x400 to the program): the window fits")
        self.program = Program(self.options.velomar, dict(self.environment, QT_SCALE_FACTOR="2"))
        wait_for("the tray icon", tray_icon)
        window(PRODUCT)
        shown = wait_for("the window", lambda: self.screen.window_named(PRODUCT))
        shape = dict(line.split("=") for line in
                     run("xdotool", "getwindowgeometry", "--shell", shown).split())
        x, y, width, height = (int(shape[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))
        right, bottom = map(int, run("xdotool", "getdisplaygeometry").split())
        # Its title bar above it too.
        if x < 0 or y < 16 or x + width > right or y + height > bottom:
            raise Failure(f"the window at {width}x{height}+{x}+{y} does not fit the screen")
        self.screen.keep("main-scale-2", shown)
        self.exit_program()

    def steps(self):
        self.first_start()
        self.wizard()
        self.first_check()
        self.mark_read()
        rows = self.new_mail()
        self.restart(rows)
        self.wrong_password()
        self.at_scale_two()


if __name__ == "__main__":
    sys.exit(main(Scenario))
