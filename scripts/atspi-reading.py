#!/usr/bin/env python3
"""A screen reader's view of the built editor, through AT-SPI on a private X server.

    scripts/atspi-reading.py PATH/TO/scrivane

Starts Xvfb, a session bus of its own (which starts the accessibility bus when asked) and, for
each file below, the editor with Qt's accessibility on. After each row's keys (sent with
xdotool) it asks the editor's text object, as a screen reader does, where the caret is and
which line holds it, and compares both with what the file says. Offsets count UTF-16 code
units, the editor's line breaks are CR LF. Exits 1 when a row fails, 77 (a skip, with the
reason) when the AT-SPI packages or tools are missing or no bus starts.

Needs Xvfb, xdotool, dbus-daemon, at-spi2-core and the Python binding (Debian: xvfb xdotool
dbus at-spi2-core python3-pyatspi gir1.2-atspi-2.0).
"""

import importlib.util
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import warnings

# The binding calls the boundary forms Qt answers deprecated.
warnings.filterwarnings("ignore", category=DeprecationWarning)

SKIP = 77
SYSTEM_PYTHON = "/usr/bin/python3"
SETTLE_TIMEOUT = 5.0

# (file name, bytes, rows); a row is (keys, caret line, caret column in UTF-16 units). Every
# row starts from the top of the document.
FILES = [
    ("utf8.txt", "first line\nsecond é line\nthird \U0001F600 line\nlast".encode(), [
        ("ctrl+Home", 0, 0),
        ("Down", 1, 0),
        ("Down Down End", 2, len("third \U0001F600 line".encode("utf-16-le")) // 2),
        # Back over " line" lands right after the emoji, a surrogate pair.
        ("Down Down End Left Left Left Left Left", 2, 8),
        ("ctrl+End", 3, 4),
    ]),
    ("latin1.txt", b"caf\xe9 au lait\nna\xefve\n\n", [
        ("Down End", 1, 5),
        ("Down Down", 2, 0),
        ("ctrl+End", 3, 0),  # the empty line after the last break
    ]),
]


def skip(reason):
    print(f"SKIP: {reason}")
    sys.exit(SKIP)


def ensure_binding():
    """Re-runs under the system Python when this one lacks the AT-SPI binding."""
    try:
        import gi  # noqa: F401
        gi.require_version("Atspi", "2.0")
        return
    except (ImportError, ValueError):
        pass
    if os.path.exists(SYSTEM_PYTHON) and os.path.realpath(sys.executable) != os.path.realpath(
            SYSTEM_PYTHON) and not os.environ.get("SCRIVANE_ATSPI_REEXEC"):
        os.environ["SCRIVANE_ATSPI_REEXEC"] = "1"
        os.execv(SYSTEM_PYTHON, [SYSTEM_PYTHON] + sys.argv)
    skip("the AT-SPI Python binding is missing (Debian: python3-pyatspi gir1.2-atspi-2.0)")


def load_smoke():
    """The X server and editor session helpers of the X11 smoke beside this script."""
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "x11-smoke.py")
    spec = importlib.util.spec_from_file_location("x11_smoke", path)
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


def start_session_bus(workdir):
    """A private session bus; returns (process, address)."""
    config = os.path.join(workdir, "session.conf")
    with open(config, "w") as f:
        # The system's session configuration (service files, hence the accessibility bus's
        # launcher), listening in our directory.
        f.write('<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"'
                ' "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">\n'
                "<busconfig><include>/usr/share/dbus-1/session.conf</include>"
                f"<listen>unix:dir={workdir}</listen></busconfig>\n")
    proc = subprocess.Popen(["dbus-daemon", "--config-file", config, "--nofork",
                             "--print-address=1"], stdout=subprocess.PIPE,
                            stderr=subprocess.DEVNULL, start_new_session=True)
    address = proc.stdout.readline().decode().strip()
    if not address:
        proc.kill()
        proc.wait()
        skip("no session bus could start")
    return proc, address


def end_group(proc):
    """Ends a process we started in a session of its own, with whatever it started."""
    if proc.poll() is None:
        try:
            os.killpg(proc.pid, signal.SIGTERM)
            proc.wait(5)
        except (ProcessLookupError, subprocess.TimeoutExpired):
            try:
                os.killpg(proc.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            proc.wait()


def document_text(content):
    """The text the editor holds: UTF-8 when valid, else Latin-1; every line break CR LF."""
    try:
        text = content.decode("utf-8")
    except UnicodeDecodeError:
        text = content.decode("latin-1")
    return text.replace("\r\n", "\n").replace("\r", "\n").replace("\n", "\r\n")


def utf16_len(text):
    return len(text.encode("utf-16-le")) // 2


def find_text_object(Atspi, pid, deadline):
    """The editor's multi-line text object, once the application shows up on the bus."""
    while time.monotonic() < deadline:
        desktop = Atspi.get_desktop(0)
        for i in range(desktop.get_child_count()):
            app = desktop.get_child_at_index(i)
            if app is None:
                continue
            try:
                if app.get_process_id() != pid:
                    continue
            except Exception:
                continue
            found = search(Atspi, app, 0)
            if found is not None:
                return found
        time.sleep(0.2)
    return None


def search(Atspi, node, depth):
    if depth > 12:
        return None
    try:
        states = node.get_state_set()
        if node.get_text_iface() is not None and states.contains(Atspi.StateType.MULTI_LINE):
            return node
        count = node.get_child_count()
    except Exception:
        return None
    for i in range(count):
        child = node.get_child_at_index(i)
        if child is not None:
            found = search(Atspi, child, depth + 1)
            if found is not None:
                return found
    return None


def check_file(smoke, Atspi, exe, display, extra_env, workdir, name, content, rows):
    problems = []
    text = document_text(content)
    lines = text.split("\r\n")
    line_texts = [line + "\r\n" for line in lines[:-1]] + [lines[-1]]
    starts = []
    at = 0
    for line in line_texts:
        starts.append(at)
        at += utf16_len(line)

    script = smoke.Script(name, content, [], b"")
    session_dir = os.path.join(workdir, name)
    os.makedirs(session_dir)
    session = smoke.Session(exe, display, script, session_dir, extra_env)
    try:
        session.start()
        text_object = find_text_object(Atspi, session.proc.pid, time.monotonic() + 20)
        if text_object is None:
            return [f"{name}: no multi-line text object of the editor appeared on the bus"]
        reader = text_object.get_text_iface()
        count = reader.get_character_count()
        if count != utf16_len(text):
            problems.append(f"{name}: {count} characters, expected {utf16_len(text)}")
        for keys, line, column in rows:
            session.xdotool("key", "--clearmodifiers", "--delay", "25", "ctrl+Home",
                            *keys.split())
            want_caret = starts[line] + column
            deadline = time.monotonic() + SETTLE_TIMEOUT
            caret = reader.get_caret_offset()
            while caret != want_caret and time.monotonic() < deadline:
                time.sleep(0.05)
                caret = reader.get_caret_offset()
            want = (line_texts[line], starts[line], starts[line] + utf16_len(line_texts[line]))
            # Qt answers the line question by boundary (GetTextAtOffset); the newer granularity
            # form (get_string_at_offset) it does not implement.
            got = reader.get_text_at_offset(caret, Atspi.TextBoundaryType.LINE_START)
            have = (got.content, got.start_offset, got.end_offset)
            if caret != want_caret or have != want:
                problems.append(f"{name}, keys {keys!r}: caret {caret} and line {have!r}; "
                                f"expected caret {want_caret} and line {want!r}")
            else:
                print(f"PASS {name}: {keys} -> caret {caret}, line {have[0]!r}")
    finally:
        session.close()
    return problems


def main(argv):
    if len(argv) != 2 or argv[1] in ("-h", "--help"):
        print(__doc__.strip())
        return 2
    exe = os.path.abspath(argv[1])
    if not os.access(exe, os.X_OK):
        print(f"atspi-reading: {exe} is not an executable program")
        return 2
    missing = [t for t in ("Xvfb", "xdotool", "dbus-daemon") if shutil.which(t) is None]
    if not os.path.exists("/usr/libexec/at-spi-bus-launcher"):
        missing.append("at-spi-bus-launcher")
    if missing:
        skip("missing " + ", ".join(missing) + " (Debian: xvfb xdotool dbus at-spi2-core)")
    ensure_binding()
    smoke = load_smoke()

    with tempfile.TemporaryDirectory(prefix="scrivane-atspi-") as workdir:
        try:
            xvfb, display = smoke.start_xvfb()
        except smoke.Failure as failure:
            skip(str(failure))
        bus, address = start_session_bus(workdir)
        try:
            # The binding finds the accessibility bus through these, read when it loads.
            os.environ["DISPLAY"] = display
            os.environ["DBUS_SESSION_BUS_ADDRESS"] = address
            os.environ.pop("AT_SPI_BUS_ADDRESS", None)
            import gi
            gi.require_version("Atspi", "2.0")
            from gi.repository import Atspi
            if Atspi.init() not in (0, 1):
                skip("AT-SPI would not start")
            # Each editor runs with Qt's accessibility on, on the private session bus.
            extra_env = {
                "DBUS_SESSION_BUS_ADDRESS": address,
                "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
                "QT_ACCESSIBILITY": "1",
            }
            problems = []
            for name, content, rows in FILES:
                problems += check_file(smoke, Atspi, exe, display, extra_env, workdir, name,
                                       content, rows)
        finally:
            end_group(bus)
            xvfb.send_signal(signal.SIGTERM)
            try:
                xvfb.wait(5)
            except subprocess.TimeoutExpired:
                xvfb.kill()
    for problem in problems:
        print("FAIL " + problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
