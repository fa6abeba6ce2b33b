#!/usr/bin/python3
"""The program on a desktop without a tray, where new mail reaches the person as the desktop's
notifications (dunst), driven as a person would, on the desktop that
`desktop-session --notifications` starts.

An account added from the command line, the program started: its window opens, and the first
check's mail comes as notifications, not pop-ups, with one "+N more" for those beyond the
maximum. Closing the window leaves the program checking and says so once; a click on a
notification brings the window back on the Messages page; "Mark as read" from a
notification's menu marks its message; a message marked read in the window takes its
notification away; starting the program again shows the window; the session's end (SIGTERM)
ends it cleanly.

    desktop-session --notifications scenario_notifications.py --velomar PATH \
        --mail-server PATH [--shots FOLDER]
"""

import os
import signal
import subprocess
import sys
import time

from desktop import (ADDRESS, FIRST_MAIL, LATER_MAIL, PASSWORD, PRODUCT, Failure, Program,
                     Run, extents, find, main, message, press, run, showing, step, top_level,
                     visible_windows, wait_for, window)

MORE_MAIL = [(message(f"Sender {n} <sender{n}@example.com>", f"Newsletter {n}", 5 + n),
              f"Sender {n} <sender{n}@example.com>", f"Newsletter {n}") for n in range(3)]
ALL_MAIL = FIRST_MAIL + LATER_MAIL + MORE_MAIL
# As many as fit three quarters of the 800 pixels high screen, 90 pixels each.
MAXIMUM = 6
NOTICE = (f"{PRODUCT} keeps checking your mail; start it again from the menu to open its "
          "window.")


def displayed():
    """How many notifications dunst shows now."""
    return int(run("dunstctl", "count", "displayed"))


def notification_area():
    """dunst's window: where its notifications are, (x, y, width, height)."""
    ids = subprocess.run(["xdotool", "search", "--onlyvisible", "--class", "Dunst"],
                         capture_output=True, text=True).stdout.split()
    if not ids:
        return None
    shape = subprocess.run(["xdotool", "getwindowgeometry", "--shell", ids[0]],
                           capture_output=True, text=True)
    values = dict(line.split("=") for line in shape.stdout.split())
    return tuple(int(values[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))


def shown_notifications():
    """Every notification dunst has shown so far: (summary, body), oldest first."""
    path = os.path.join(os.environ["XDG_RUNTIME_DIR"], "notifications.log")
    if not os.path.exists(path):
        return []
    with open(path, encoding="utf-8") as log:
        entries = log.read().split("\n\n")
    return [tuple(entry.split("\n", 1)) for entry in entries if entry]


def choose_from_menu(text):
    """Opens dunst's context menu (its keyboard shortcut runs `dunstctl context`) and picks the
    first entry that holds `text`."""
    with open(os.path.join(os.environ["XDG_RUNTIME_DIR"], "menu-choice"), "w") as choice:
        choice.write(text)
    run("dunstctl", "context")


def escaped(text):
    return text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")


class NotificationScenario(Run):
    """The six steps, in order."""

    def main_window(self):
        return top_level(PRODUCT)

    def keep_notifications(self, name):
        x, y, width, height = wait_for("dunst's window", notification_area)
        self.screen.keep(name, crop=(width + 10, height + 10, x - 10, y - 10))

    def first_check(self):
        step("1. an account added from the command line; the program starts with its window, "
             "and new mail comes as notifications")
        self.server.command(f"user anna {PASSWORD}")
        for text, _, _ in ALL_MAIL:
            self.server.deliver("anna", text)
        subprocess.run([self.options.velomar, "--add-account", ADDRESS, "--server", "127.0.0.1",
                        "--port", self.server.ports["tls"], "--login", "anna"],
                       input=PASSWORD + "\n", text=True, env=self.environment, check=True,
                       capture_output=True)
        self.program = Program(self.options.velomar, self.environment)
        window(PRODUCT)
        wait_for(f"{MAXIMUM + 1} notifications", lambda: displayed() == MAXIMUM + 1)
        time.sleep(2)  # a pop-up of the program's own would be there by now
        if len(visible_windows()) != 1:
            raise Failure(f"windows beside the main window: {visible_windows()}")
        shown = shown_notifications()
        mails = {(ADDRESS, f"{escaped(sender)}\n{escaped(subject)}")
                 for _, sender, subject in ALL_MAIL}
        if len(shown) != MAXIMUM + 1 or not set(shown[:MAXIMUM]) <= mails:
            raise Failure(f"the notifications read {shown}")
        more = len(ALL_MAIL) - MAXIMUM
        if shown[MAXIMUM] != (PRODUCT, f"+{more} more new messages"):
            raise Failure(f"the last notification reads {shown[MAXIMUM]}")
        self.keep_notifications("notifications")

    def close_window(self):
        step("2. closing the window: the program goes on checking and says so, once")
        frame = self.screen.window_named(PRODUCT)
        run("xdotool", "windowactivate", "--sync", frame, "key", "alt+F4")
        wait_for("the window to close", lambda: not self.main_window())
        wait_for("the notice", lambda: shown_notifications()[-1:] == [(PRODUCT, NOTICE)])
        if self.program.process.poll() is not None:
            raise Failure("the program ended when its window was closed")
        self.keep_notifications("notification-keeps-checking")

    def click_notification(self):
        step("3. a click on a notification of new mail: the window, on the Messages page")
        before = displayed()
        x, y, width, height = notification_area()
        # The notifications stand in the order they came, the notice last: the sixth of the
        # eight is a message's.
        self.screen.click(x + width // 2, y + height * (MAXIMUM - 1) // (MAXIMUM + 2))
        frame = window(PRODUCT)
        if not find("page tab list", "Messages", frame):
            raise Failure("the window did not open on the Messages page")
        wait_for("the clicked notification to go", lambda: displayed() == before - 1)
        self.message_list(len(ALL_MAIL))

    def mark_read_from_menu(self):
        step("4. \"Mark as read\" from a notification's menu marks its message in the window")
        before = displayed()
        choose_from_menu("Mark as read")
        self.message_list(len(ALL_MAIL) - 1)
        wait_for("its notification to go", lambda: displayed() == before - 1)

    def mark_read_in_window(self):
        step("5. Mark As Read in the window takes the message's notification away")
        before = displayed()
        table, _ = self.message_list(len(ALL_MAIL) - 1)
        # The newest message is first; its notification is among the shown ones.
        x, y, width, height = extents(table.queryTable().getAccessibleAt(0, 2))
        self.screen.click(x + width // 2, y + height // 2)
        press("push button", "Mark As Read")
        self.message_list(len(ALL_MAIL) - 2)
        wait_for("the message's notification to go", lambda: displayed() == before - 1)

    def start_again_and_end(self):
        step("6. closed again: no second notice; started again: the window; the session ends")
        count = len(shown_notifications())
        run("xdotool", "windowactivate", "--sync", self.screen.window_named(PRODUCT), "key",
            "alt+F4")
        wait_for("the window to close", lambda: not self.main_window())
        time.sleep(1)
        if len(shown_notifications()) != count:
            raise Failure(f"closing again said more: {shown_notifications()[count:]}")
        subprocess.run([self.options.velomar], env=self.environment, check=True, timeout=30)
        frame = window(PRODUCT)
        if not showing(frame):
            raise Failure("starting the program again did not show its window")
        self.program.process.send_signal(signal.SIGTERM)
        code = self.program.wait_for_exit()
        self.program = None
        if code != 0:
            raise Failure(f"the program ended with {code} at the end of the session")

    def steps(self):
        self.first_check()
        self.close_window()
        self.click_notification()
        self.mark_read_from_menu()
        self.mark_read_in_window()
        self.start_again_and_end()


if __name__ == "__main__":
    sys.exit(main(NotificationScenario))
