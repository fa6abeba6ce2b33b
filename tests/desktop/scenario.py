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

import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
from email.utils import format_datetime
from datetime import datetime, timedelta, timezone

import pyatspi

PRODUCT = "Quorvex Velomar"
ADDRESS = "anna@example.org"
PASSWORD = "wonderland"
POPUP_SIZE = (240, 90)
POPUP_FILL = (159, 207, 247)


class Failure(Exception):
    pass


STARTED = time.monotonic()


def step(text):
    print(f"scenario: {time.monotonic() - STARTED:5.1f} s  {text}", flush=True)


def wait_for(what, probe, timeout=30.0):
    """Polls `probe` until it gives something true, which is returned."""
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure(f"gave up waiting for {what}")
        time.sleep(0.1)


def run(*command):
    return subprocess.run(command, check=True, capture_output=True, text=True).stdout


# --- the test's mail server ---------------------------------------------------------------

def message(sender, subject, hours_ago):
    when = datetime.now(timezone.utc) - timedelta(hours=hours_ago)
    return (f"Received: from relay.example.net by mx.example.org; {format_datetime(when)}\r\n"
            f"From: {sender}\r\nTo: {ADDRESS}\r\nSubject: {subject}\r\n"
            f"Message-ID: <{hours_ago}.{abs(hash(subject))}@example.net>\r\n"
            f"Content-Type: text/plain; charset=\"utf-8\"\r\n\r\nHello.\r\n")


# Senders and subjects as mailers write them, with what a person must read.
FIRST_MAIL = [
    (message("=?UTF-8?B?0JjRgNC40L3QsCDQn9C10YLRgNC+0LLQsA==?= <irina@example.ru>",
             "=?UTF-8?B?0J7RgtGH0ZHRgiDQt9CwINC90L7Rj9Cx0YDRjA==?=", 3),
     "Ирина Петрова <irina@example.ru>", "Отчёт за ноябрь"),
    (message("=?ISO-8859-1?Q?Andr=E9_Dupont?= <andre@example.fr>",
             "=?ISO-8859-1?Q?R=E9union_de_lundi?=", 2),
     "André Dupont <andre@example.fr>", "Réunion de lundi"),
    (message("=?UTF-8?Q?Bj=C3=B6rn_M=C3=BCller?= <bjoern@example.de>",
             "=?UTF-8?Q?Gr=C3=BC=C3=9Fe_aus_M=C3=BCnchen?=", 1),
     "Björn Müller <bjoern@example.de>", "Grüße aus München"),
]
LATER_MAIL = [
    (message("Carla Rossi <carla@example.it>", "Conferma dell'ordine 4711", 0),
     "Carla Rossi <carla@example.it>", "Conferma dell'ordine 4711"),
    (message("=?UTF-8?B?zp3Or866zr/PgiDOoM6xz4DOsc60z4zPgM6/z4XOu86/z4I=?= <nikos@example.gr>",
             "=?UTF-8?B?zprOsc67zrfOvM6tz4HOsQ==?=", 0),
     "Νίκος Παπαδόπουλος <nikos@example.gr>", "Καλημέρα"),
]


class MailServer:
    def __init__(self, program, folder):
        self.folder = folder
        self.process = subprocess.Popen([program], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        text=True)
        self.ports = {}
        for line in self.process.stdout:
            word, _, value = line.strip().partition(" ")
            if word == "ready":
                break
            self.ports[word] = value
        if "tls" not in self.ports:
            raise Failure("the mail server did not start")
        self.count = 0

    def command(self, text):
        self.process.stdin.write(text + "\n")
        self.process.stdin.flush()
        answer = self.process.stdout.readline().strip()
        if answer != "ok":
            raise Failure(f"mail server: {text}: {answer}")

    def deliver(self, user, text):
        self.count += 1
        path = os.path.join(self.folder, f"message-{self.count}.eml")
        with open(path, "w", encoding="utf-8") as file:
            file.write(text)
        self.command(f"deliver {user} {path}")

    def stop(self):
        self.process.stdin.close()
        self.process.wait(timeout=30)


# --- the screen -----------------------------------------------------------------------------

def visible_windows():
    """The program's windows on the screen now: id -> (x, y, width, height)."""
    ids = subprocess.run(["xdotool", "search", "--onlyvisible", "--class", "velomar"],
                         capture_output=True, text=True).stdout.split()
    found = {}
    for window in ids:
        # A window hidden a moment ago is gone by now: skipped.
        shape = subprocess.run(["xdotool", "getwindowgeometry", "--shell", window],
                               capture_output=True, text=True)
        if shape.returncode == 0:
            values = dict(line.split("=") for line in shape.stdout.split())
            found[window] = tuple(int(values[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))
    return found


class Screen:
    def __init__(self, shots):
        self.shots = shots

    def picture(self, path, window=None, crop=None):
        command = ["import", "-window", window or "root"]
        if window:
            command.insert(1, "-frame")
        run(*command, path)
        if crop:
            run("convert", path, "-crop", "{}x{}+{}+{}".format(*crop), "+repage", path)

    def keep(self, name, window=None, crop=None):
        """A picture for the README, when the run was asked to keep them."""
        if self.shots:
            self.picture(os.path.join(self.shots, name + ".png"), window, crop)

    def pixel(self, x, y):
        with tempfile.NamedTemporaryFile(suffix=".png") as shot:
            self.picture(shot.name)
            text = run("convert", shot.name, "-format", f"%[pixel:p{{{x},{y}}}]", "info:")
        numbers = [int(n) for n in re.findall(r"\d+", text)[:3]]
        return tuple(numbers)

    @staticmethod
    def click(x, y, button=1, count=1):
        # No --sync: it waits for the pointer to move, which never happens when it is there.
        run("xdotool", "mousemove", str(x), str(y), "click", "--repeat", str(count), str(button))

    @staticmethod
    def type(text):
        run("xdotool", "type", "--delay", "20", text)

    @staticmethod
    def key(*names):
        run("xdotool", "key", *names)

    @staticmethod
    def window_named(title):
        found = subprocess.run(
            ["xdotool", "search", "--onlyvisible", "--name", f"^{re.escape(title)}$"],
            capture_output=True, text=True).stdout.split()
        return found[0] if found else None

    @staticmethod
    def popups():
        """The pop-ups on the screen now: (x, y) of each, top first."""
        found = [(x, y) for x, y, width, height in visible_windows().values()
                 if (width, height) == POPUP_SIZE]
        return sorted(found, key=lambda place: place[1])


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

def application():
    desktop = pyatspi.Registry.getDesktop(0)
    for index in range(desktop.childCount):
        app = desktop.getChildAtIndex(index)
        if app is not None and app.name == "velomar":
            return app
    return None


def descendants(root):
    if root is None:
        return
    stack = [root]
    while stack:
        node = stack.pop()
        yield node
        try:
            children = [node.getChildAtIndex(i) for i in range(node.childCount)]
        except Exception:
            continue
        stack.extend(child for child in reversed(children) if child is not None)


def extents(node):
    box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return box.x, box.y, box.width, box.height


def showing(node):
    states = node.getState()
    return states.contains(pyatspi.STATE_SHOWING) and extents(node)[2] > 0


def find(role, name=None, root=None, every=False):
    matches = []
    for node in descendants(root or application()):
        try:
            if node.getRoleName() == role and (name is None or node.name == name) and showing(node):
                if not every:
                    return node
                matches.append(node)
        except Exception:
            continue
    return matches if every else None


def top_level(title):
    """A window of the program with this title, now on the screen; None when there is none."""
    app = application()
    if app is None:
        return None
    for index in range(app.childCount):
        node = app.getChildAtIndex(index)
        try:
            if node is not None and node.name == title and showing(node):
                return node
        except Exception:
            continue
    return None


def window(title):
    return wait_for(f'the window "{title}"', lambda: top_level(title))


def press(role, name, root=None):
    node = wait_for(f'{role} "{name}"', lambda: find(role, name, root))
    x, y, width, height = extents(node)
    Screen.click(x + width // 2, y + height // 2)


def field_beside(label, root):
    """The text field on the same row as the label, to its right: how a person finds it."""
    node = wait_for(f'the label "{label}"', lambda: find("label", label, root))
    lx, ly, lw, lh = extents(node)
    middle = ly + lh // 2
    fields = find("text", None, root, every=True) + find("password text", None, root, every=True)
    beside = [(extents(f), f) for f in fields]
    candidates = [f for (x, y, _, h), f in beside if y <= middle <= y + h and x > lx]
    if not candidates:
        raise Failure(f'no field beside "{label}"')
    return min(candidates, key=lambda f: extents(f)[0])


def fill(label, text, root):
    field = field_beside(label, root)
    x, y, width, height = extents(field)
    Screen.click(x + width // 2, y + height // 2)
    Screen.key("ctrl+a")
    Screen.type(text)
    wait_for(f'"{label}" to read what was typed',
             lambda: field.queryText().getText(0, -1) == text or label == "Password:")


def status_text():
    frame = top_level(PRODUCT)
    bar = find("status bar", None, frame)
    label = find("label", None, bar) if bar else None
    return label.name if label else None


def table_rows(page_table):
    table = page_table.queryTable()
    return [[table.getAccessibleAt(row, column).name for column in range(table.nColumns)]
            for row in range(table.nRows)]


def show_tab(name):
    press("page tab", name)
    wait_for(f'the "{name}" tab', lambda: find("page tab list", name))


# --- sound ----------------------------------------------------------------------------------

class Recording:
    """What the sound server plays while it lives, from the monitor of its only sink."""

    def __init__(self, path):
        self.path = path
        self.process = subprocess.Popen(
            ["parec", "-d", os.environ["VELOMAR_SOUND_MONITOR"], "--latency-msec=20",
             "--file-format=wav", path])
        # Recording once samples arrive; a sound played before that would go unheard.
        wait_for("the recording to start",
                 lambda: os.path.exists(path) and os.path.getsize(path) > 16384, timeout=10)

    def loudest(self):
        """Stops and gives the largest amplitude heard (0 to 1)."""
        self.process.terminate()
        self.process.wait(timeout=10)
        report = subprocess.run(["sox", "--ignore-length", self.path, "-n", "stat"],
                                capture_output=True, text=True).stderr
        match = re.search(r"Maximum amplitude:\s+([0-9.]+)", report)
        return float(match.group(1)) if match else 0.0


# --- the program ------------------------------------------------------------------------------

class Program:
    def __init__(self, executable, environment):
        self.process = subprocess.Popen([executable], env=environment)

    def wait_for_exit(self):
        try:
            return self.process.wait(timeout=20)
        except subprocess.TimeoutExpired:
            raise Failure("the program did not end after E&xit")

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()


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


def tooltip(screen):
    """The tray icon's tooltip, as hovering over it shows it."""
    icon = wait_for("the tray icon", tray_icon)
    # Coming from elsewhere, as a hand does; the tip shows after the pointer rests on the icon.
    run("xdotool", "mousemove", str(icon[0] - 60), str(icon[1] - 60))
    run("xdotool", "mousemove", str(icon[0]), str(icon[1]))
    tip = wait_for("the tray tooltip", lambda: find("tool tip"), timeout=10)
    return tip.name


class Scenario:
    """The seven steps, in order, on one throwaway profile and one mail server."""

    def __init__(self, options, work):
        self.options = options
        self.work = work
        home = os.path.join(work, "home")
        os.makedirs(home)
        self.data_file = os.path.join(home, ".local/share", "Quorvex Software", PRODUCT, "data",
                                      "general.bin")
        self.screen = Screen(options.shots)
        self.server = MailServer(options.mail_server, work)
        self.environment = dict(
            os.environ, HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
            XDG_DATA_HOME=os.path.join(home, ".local/share"), QT_QPA_PLATFORM="xcb",
            QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", SSL_CERT_FILE=self.server.ports["authority"])
        self.program = None

    def start_program(self):
        self.program = Program(self.options.velomar, self.environment)
        wait_for("the tray icon", tray_icon)

    def exit_program(self):
        tray_menu(self.screen, ["x"])
        code = self.program.wait_for_exit()
        self.program = None
        if code != 0:
            raise Failure(f"the program ended with {code}")

    def message_list(self, count):
        table = wait_for("the message list", lambda: find("table"))
        return table, wait_for(f"{count} messages",
                               lambda: len(table_rows(table)) == count and table_rows(table))

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
        step("2. the wizard, with a connection test that succeeds")
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
        step("4. the Messages tab: decoded senders and subjects; Mark As Read")
        show_tab("Messages")
        table, rows = self.message_list(3)
        wanted = {(sender, subject) for _, sender, subject in FIRST_MAIL}
        if {(row[1], row[2]) for row in rows} != wanted or rows[0][2] != FIRST_MAIL[-1][2]:
            raise Failure(f"the message list reads {rows}")
        self.screen.keep("main-messages", self.screen.window_named(PRODUCT))
        x, y, width, height = extents(table.queryTable().getAccessibleAt(1, 2))
        self.screen.click(x + width // 2, y + height // 2)
        press("push button", "Mark As Read")
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
        step("7. a wrong password: checked at once, failed with the server's reason on the "
             "Accounts page and in the status bar")
        show_tab("Accounts")
        accounts = wait_for("the account list", lambda: find("table"))
        x, y, width, height = extents(accounts.queryTable().getAccessibleAt(0, 0))
        self.screen.click(x + width // 2, y + height // 2)
        press("push button", "Edit...")
        sheet = window("E-Mail Account Settings")
        sheet_id = self.screen.window_named("E-Mail Account Settings")
        self.screen.keep("property-sheet-connection", sheet_id)
        press("page tab", "Account Preferences", sheet)
        self.screen.keep("property-sheet-preferences", sheet_id)
        press("page tab", "Connection Settings", sheet)
        fill("Password:", "not the password", sheet)
        press("push button", "OK", sheet)
        wait_for("the sheet to close", lambda: not top_level("E-Mail Account Settings"))
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

    def run(self):
        try:
            self.first_start()
            self.wizard()
            self.first_check()
            self.mark_read()
            rows = self.new_mail()
            self.restart(rows)
            self.wrong_password()
            step("done")
            return 0
        except Failure as failure:
            shot = os.path.join(tempfile.gettempdir(), "velomar-scenario-failure.png")
            self.screen.picture(shot)
            print(f"scenario: FAILED: {failure}\nscenario: the screen at that moment: {shot}",
                  file=sys.stderr)
            return 1
        finally:
            if self.program:
                self.program.kill()
            self.server.stop()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--velomar", required=True)
    parser.add_argument("--mail-server", required=True)
    parser.add_argument("--shots", help="keep a picture of every window in this folder")
    options = parser.parse_args()
    if options.shots:
        os.makedirs(options.shots, exist_ok=True)
    work = tempfile.mkdtemp(prefix="velomar-scenario-")
    try:
        return Scenario(options, work).run()
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
