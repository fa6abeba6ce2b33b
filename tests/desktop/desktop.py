"""What the end-to-end scenarios share: a person's eyes, hands and ears on the desktop that
desktop-session starts (the screen through X, widgets through the accessibility bus, the sound
server's recording), the test's mail server, and one run's throwaway profile.
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


def focused(role):
    """The name of the widget of this role that has the keyboard now, or None."""
    for node in descendants(application()):
        try:
            if (node.getRoleName() == role and node.getState().contains(pyatspi.STATE_FOCUSED)
                    and showing(node)):
                return node.name
        except Exception:
            continue
    return None


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
    def __init__(self, executable, environment, *arguments):
        self.process = subprocess.Popen([executable, *arguments], env=environment)

    def wait_for_exit(self):
        try:
            return self.process.wait(timeout=20)
        except subprocess.TimeoutExpired:
            raise Failure("the program did not end when asked to")

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()


class Run:
    """One scenario on one throwaway profile and one mail server; `steps` is the scenario."""

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

    def steps(self):
        raise NotImplementedError

    def message_list(self, count):
        table = wait_for("the message list", lambda: find("table"))
        return table, wait_for(f"{count} messages",
                               lambda: len(table_rows(table)) == count and table_rows(table))

    def run(self):
        try:
            self.steps()
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


def main(scenario):
    """Runs the scenario class with the command line's program, mail server and picture folder:
    --velomar PATH --mail-server PATH [--shots FOLDER]."""
    parser = argparse.ArgumentParser()
    parser.add_argument("--velomar", required=True)
    parser.add_argument("--mail-server", required=True)
    parser.add_argument("--shots", help="keep a picture of every window in this folder")
    options = parser.parse_args()
    if options.shots:
        os.makedirs(options.shots, exist_ok=True)
    work = tempfile.mkdtemp(prefix="velomar-scenario-")
    try:
        return scenario(options, work).run()
    finally:
        shutil.rmtree(work, ignore_errors=True)
