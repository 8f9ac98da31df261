#!/usr/bin/env python3
"""Black-box smoke of the built editor on a private X server.

    scripts/x11-smoke.py PATH/TO/scrivane [NAME...]

Starts its own Xvfb, then for each script below: writes a file, starts the editor on it with a
fresh HOME and XDG directories, drives it with xdotool (keys, typing, a middle click, a dead key
on a keyboard layout that has them), saves with Ctrl+S and compares the file's bytes with the
bytes worked out by hand from the editor's documented behaviour. Names given after the program
run only those scripts. Exits 1 when any script fails (with a hex listing of both sides), 2
when the tools are missing or the X server does not start.

Needs Xvfb, xdotool, xclip and setxkbmap (Debian: xvfb xdotool xclip x11-xkb-utils), and the
compose tables of libx11-data for the dead key.
"""

import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from dataclasses import dataclass

KEY_DELAY_MS = 25
SETTLE = 0.25  # after a click or a selection change, for the X round trips to finish


# --- the scripts -----------------------------------------------------------------------------
#
# Steps:
#   ("key", "ctrl+Home End")     xdotool key names, blank-separated
#   ("type", "text")             typed as characters (any Unicode)
#   ("primary", "text")          the X primary selection (what a middle click pastes)
#   ("middle_click_below_text",) a middle click in the empty part of the text area, below the
#                                last line: the caret goes to the end of the document
#   ("save",)                    Ctrl+S, then waits until the file has been written
#
# The settings file has seven lines: Auto-Indent, font name, size, bold, italic, recent files,
# Wrap Text.

AUTO_INDENT_ON = b"True\r\n\r\n10\r\nFalse\r\nFalse\r\n\r\nTrue\r\n"


@dataclass
class Script:
    name: str
    content: bytes
    steps: list
    expected: bytes
    settings: bytes = b""
    layout: tuple = ("us", "")  # setxkbmap layout and variant while the script runs
    why: str = ""
    # When set, the file is committed with these bytes in a fresh git repository, `content` is
    # written over it in the working tree, and git difftool starts the editor as the README
    # configures it.
    committed: bytes = None


def scripts():
    return [
        Script(
            "undo-after-second-typing-run",
            b"hello\nworld\n",
            # Down ends the first typing run; CD starts a second one, whose snapshot holds AB.
            [("key", "ctrl+Home"), ("type", "AB"), ("key", "Down"), ("type", "CD"),
             ("key", "ctrl+z"), ("save",)],
            b"ABhello\nworld\n",
            why="Undo brings back the snapshot taken when the second typing run began",
        ),
        Script(
            "mixed-line-ends",
            b"one\ntwo\r\nthree\rfour\nfive\n",
            # LF is the file's most used ending (3 of 5 breaks), so a typed Enter writes LF.
            [("key", "ctrl+End Page_Up Home"), ("type", "0"),
             ("key", "End"), ("type", "1"),
             ("key", "Down Down Home Right Right Return"), ("type", "X"),
             ("key", "Page_Down BackSpace"), ("type", "!"),
             ("key", "ctrl+Home Down End Delete"),
             ("save",)],
            b"0one1\ntwoth\nXree\rfour\nfive!",
            why="untouched breaks keep LF, CR LF or CR; the typed Enter takes LF",
        ),
        Script(
            "track-changes-keys",
            b"The quick brown fox\njumps over\nthe lazy dog\n",
            [("key", "ctrl+t ctrl+Home Delete Delete Delete Delete"), ("type", "A "),
             ("key", "End BackSpace BackSpace BackSpace"), ("type", "catt"),
             ("key", "BackSpace"),  # on typed (blue) text: removed for real
             ("key", "Down End Delete"),  # strikes the line break, the caret goes past it
             ("key", "ctrl+shift+Delete ctrl+shift+Delete ctrl+shift+Delete ctrl+shift+Delete"),
             ("key", "Delete Delete Delete Delete Delete"),  # strikes "lazy "
             ("key", "ctrl+BackSpace"),  # unstrikes the blank before the caret
             ("key", "Left ctrl+Delete"),  # unstrikes the "y" and moves past it
             ("key", "Up Home shift+Right shift+Right shift+Right shift+Right shift+Right"
                     " shift+Right shift+Delete"),  # copies "jumps " and strikes it
             ("key", "ctrl+End ctrl+v"),
             ("save",)],
            b"A quick brown cat\noverthe y dog\njumps ",
            why="only the unstruck text is saved",
        ),
        Script(
            "track-changes-keeps-0x06-and-nul",
            b"a\x06b\x00c\n\x06\x06\x00\nend\x06\n",
            [("key", "ctrl+t ctrl+Home"), ("type", "Q"), ("save",)],
            b"Qa\x06b\x00c\n\x06\x06\x00\nend\x06\n",
            why="the file's own 0x06 and NUL bytes are text and are saved as they were",
        ),
        Script(
            "middle-click-paste-undone",
            b"alpha\nbeta\n",
            # x starts a typing run (its snapshot is the file); the paste takes its own.
            [("key", "ctrl+t ctrl+Home"), ("type", "x"), ("primary", "PASTE"),
             ("middle_click_below_text",), ("key", "ctrl+z"), ("save",)],
            b"xalpha\nbeta\n",
            why="Undo after a middle-click paste takes back the paste and nothing else",
        ),
        Script(
            "middle-click-paste-saved",
            b"alpha\nbeta\n",
            [("key", "ctrl+t ctrl+Home"), ("type", "x"), ("primary", "PASTE"),
             ("middle_click_below_text",), ("save",)],
            b"xalpha\nbeta\nPASTE",
            why="a pasted text is inserted text while tracking, and saved",
        ),
        Script(
            "dead-key-saved-as-utf8",
            "naïve\ncafe\n".encode(),
            [("key", "ctrl+Home Down End BackSpace dead_acute e"), ("save",)],
            "naïve\ncafé\n".encode(),
            layout=("us", "intl"),
            why="dead acute then e composes one character, written as C3 A9",
        ),
        Script(
            "dead-key-undone",
            "naïve\ncafe\n".encode(),
            # x starts a typing run; Down ends it, so the composed character starts the next.
            [("key", "ctrl+t ctrl+Home"), ("type", "x"),
             ("key", "Down End dead_acute e ctrl+z"), ("save",)],
            "xnaïve\ncafe\n".encode(),
            layout=("us", "intl"),
            why="Undo after a composed character takes back that character and nothing else",
        ),
        Script(
            "replace-all-keeps-breaks",
            b"one cat\r\ntwo cats\nthree\rcat\n",
            # Ctrl+G focuses the Goto box (in a document of more than one line); Shift+Tab walks
            # back to the replace and find boxes, Tab forward to the Replace All button.
            [("key", "ctrl+g " + "shift+Tab " * 6), ("type", "cat"),
             ("key", "Tab Tab Tab"), ("type", "chât"),
             ("key", "Tab Tab space"), ("save",)],
            "one chât\r\ntwo châts\nthree\rchât\n".encode(),
            why="Replace All changes the matches only; every line break keeps its bytes",
        ),
        Script(
            "replace-all-undone",
            b"one cat\r\ntwo cats\nthree\rcat\n",
            [("key", "ctrl+Home"), ("type", "Z"),
             ("key", "ctrl+g " + "shift+Tab " * 6), ("type", "cat"),
             ("key", "Tab Tab Tab"), ("type", "dog"),
             # The second Undo takes the first back, the third takes the second back.
             ("key", "Tab Tab space ctrl+z ctrl+z ctrl+z"), ("save",)],
            b"Zone cat\r\ntwo cats\nthree\rcat\n",
            why="Replace All is one undo step of its own",
        ),
        Script(
            "fix-indents-then-typing",
            b"  two\r\n    four\r\nx  y\r\n \tmix\r\n",
            [("key", "ctrl+i ctrl+End"), ("type", "Q"), ("save",)],
            b"\t\ttwo\r\n\t\t\t\tfour\r\nx  y\r\n\t\tmix\r\nQ",
            why="each leading blank becomes a tab; the keys after Ctrl+I go to the document",
        ),
        Script(
            "fix-indents-keeps-breaks",
            b"  two\r\n    four\nx  y\r\n \tmix\r",
            [("key", "ctrl+i"), ("save",)],
            b"\t\ttwo\r\n\t\t\t\tfour\nx  y\r\n\t\tmix\r",
            why="Fix Indents changes leading blanks only; every line break keeps its bytes",
        ),
        Script(
            "auto-indent-enter",
            b"a\n  b\n\t c\n",
            [("key", "ctrl+Home Down End Return"), ("type", "X"),
             ("key", "Down End Return"), ("type", "Y"), ("save",)],
            b"a\n  b\n  X\n\t c\n\t Y\n",
            settings=AUTO_INDENT_ON,
            why="a new line starts with the indentation of the line above",
        ),
        Script(
            "latin1-bytes-kept",
            b"caf\xe9\r\nna\xefve\n\xff end\r\n",
            # Ctrl+T marks the deleted "na"; F2 from the top selects it and Ctrl+U takes the
            # deletion back; Ctrl+T again accepts everything. The two letters come from the
            # layout's dead diaeresis: typed as keys the layout lacks, xdotool maps them in and
            # out again around each press, and the editor now and then read the press after the
            # mapping was gone and got nothing.
            [("key", "ctrl+Home Down Home Delete Delete"),
             ("key", "ctrl+t ctrl+Home F2 ctrl+u ctrl+t"),
             ("key", "ctrl+Home End dead_diaeresis u ctrl+End dead_diaeresis y"),
             ("save",)],
            b"caf\xe9\xfc\r\nna\xefve\n\xff end\r\n\xff",
            layout=("us", "intl"),
            why="a Latin-1 file stays Latin-1 (E9, EF, FF kept, typed ü and ÿ as FC and FF) "
                "and keeps its LF among CR LFs",
        ),
        Script(
            "git-difftool",
            b"alpha beta gamma delta\nepsilon zeta eta theta\niota kappa lambda mu\n",
            # Opened at the first change (the struck second line); F2 goes on to the inserted
            # last line, Shift+F2 back to the struck one, and Ctrl+U takes that deletion back.
            [("key", "F2 shift+F2 ctrl+u ctrl+End"), ("type", "nu"), ("save",)],
            b"alpha beta gamma delta\n0123456789ABCDEF\nepsilon zeta eta theta\n"
            b"iota kappa lambda mu\nnu",
            committed=b"alpha beta gamma delta\n0123456789ABCDEF\nepsilon zeta eta theta\n",
            why="git difftool opens the working-tree file compared with the committed one; "
                "saving keeps the edits and the deletion taken back",
        ),
    ]


# --- running ---------------------------------------------------------------------------------


class Failure(Exception):
    pass


def run(*args, env=None, check=True, input_bytes=None):
    return subprocess.run(args, env=env, check=check, input=input_bytes,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE)


def start_xvfb():
    """Starts Xvfb on a display number it picks itself; returns (process, ":N")."""
    read_end, write_end = os.pipe()
    errors = tempfile.TemporaryFile()
    # -noreset: without it the server resets whenever its last client leaves (between two
    # xdotool calls), and a client connecting meanwhile is refused.
    proc = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x900x24", "-nolisten", "tcp",
         "-noreset"],
        pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=errors)
    os.close(write_end)
    number = b""
    deadline = time.monotonic() + 15
    while not number.endswith(b"\n") and time.monotonic() < deadline:
        chunk = os.read(read_end, 16)
        if not chunk:
            break
        number += chunk
    os.close(read_end)
    if not number.strip():
        proc.kill()
        proc.wait()
        errors.seek(0)
        raise Failure("Xvfb did not start: " + errors.read().decode(errors="replace").strip())
    errors.close()
    return proc, ":" + number.decode().strip()


class Session:
    """One editor process on one file, with a home of its own (and `extra_env` on top)."""

    def __init__(self, exe, display, script, workdir, extra_env=None):
        home = os.path.join(workdir, "home")
        self.env = {
            "PATH": os.environ.get("PATH", "/usr/bin:/bin"),
            "HOME": home,
            "XDG_CONFIG_HOME": os.path.join(home, ".config"),
            "XDG_STATE_HOME": os.path.join(home, ".local", "state"),
            "XDG_DATA_HOME": os.path.join(home, ".local", "share"),
            "XDG_CACHE_HOME": os.path.join(home, ".cache"),
            "XDG_RUNTIME_DIR": os.path.join(workdir, "run"),
            "DISPLAY": display,
            "QT_QPA_PLATFORM": "xcb",
            # Qt's own compose handling reads the compose table of the locale.
            "LANG": "C.UTF-8",
            "LC_ALL": "C.UTF-8",
        }
        self.env.update(extra_env or {})
        os.makedirs(self.env["XDG_RUNTIME_DIR"], mode=0o700)
        if script.settings:
            config = os.path.join(self.env["XDG_CONFIG_HOME"], "Scrivane")
            os.makedirs(config)
            with open(os.path.join(config, "scrivane.ini"), "wb") as f:
                f.write(script.settings)
        docs = os.path.join(workdir, "docs")
        os.makedirs(docs)
        self.path = os.path.join(docs, "doc.txt")
        with open(self.path, "wb") as f:
            f.write(script.content)
        self.log = open(os.path.join(workdir, "editor.log"), "wb")
        self.git = script.committed is not None
        if self.git:
            self.start_difftool(exe, docs, script)
        else:
            self.proc = subprocess.Popen([exe, "doc.txt"], cwd=docs, env=self.env,
                                         stdout=self.log, stderr=subprocess.STDOUT)
        self.window = None

    def start_difftool(self, exe, docs, script):
        """git difftool starts the editor; self.proc is git, which waits for it."""
        self.env["GIT_CONFIG_NOSYSTEM"] = "1"
        with open(self.path, "wb") as f:
            f.write(script.committed)
        for args in (["init", "-q", "."], ["add", "doc.txt"],
                     ["-c", "user.name=smoke", "-c", "user.email=smoke@localhost",
                      "commit", "-q", "-m", "committed"],
                     # As the README gives it, with the program's full path.
                     ["config", "difftool.scrivane.cmd",
                      f"'{exe}' --compare \"$REMOTE\" \"$LOCAL\""]):
            subprocess.run(["git", *args], cwd=docs, env=self.env, check=True,
                           stdout=subprocess.DEVNULL, stderr=self.log)
        with open(self.path, "wb") as f:
            f.write(script.content)
        self.proc = subprocess.Popen(["git", "difftool", "-y", "-t", "scrivane"], cwd=docs,
                                     env=self.env, stdout=self.log, stderr=subprocess.STDOUT)

    def start(self):
        self.window = self.wait_for_window()

    def xdotool(self, *args, check=True):
        return run("xdotool", *args, env=self.env, check=check).stdout.decode().strip()

    def caption(self):
        return self.xdotool("getwindowname", self.window, check=False)

    def wait_for_window(self):
        deadline = time.monotonic() + 20
        while time.monotonic() < deadline:
            if self.proc.poll() is not None:
                raise Failure("the editor ended before its window appeared")
            # Under git the editor is git's child: its window is found by name alone (the
            # X server is private).
            by_pid = [] if self.git else ["--pid", str(self.proc.pid)]
            found = run("xdotool", "search", *by_pid, "--name", "^Scrivane ver",
                        env=self.env, check=False).stdout.split()
            if found:
                window = found[0].decode()
                # Opened once the caption names the file and says it equals it.
                while time.monotonic() < deadline and self.proc.poll() is None:
                    name = run("xdotool", "getwindowname", window, env=self.env,
                               check=False).stdout.decode()
                    # The file itself, by its full path: git's copy of the old side is
                    # also called doc.txt.
                    if f" - {self.path} (" in name and "unmodified" in name:
                        run("xdotool", "windowfocus", "--sync", window, env=self.env, check=False)
                        time.sleep(SETTLE)
                        return window
                    time.sleep(0.05)
            time.sleep(0.1)
        raise Failure("no editor window with the file appeared within 20 s")

    def alive(self):
        if self.proc.poll() is not None:
            raise Failure(f"the editor ended (status {self.proc.returncode})")

    def step(self, step):
        kind = step[0]
        self.alive()
        if kind == "key":
            self.xdotool("key", "--clearmodifiers", "--delay", str(KEY_DELAY_MS), *step[1].split())
        elif kind == "type":
            self.xdotool("type", "--delay", str(KEY_DELAY_MS), step[1])
        elif kind == "primary":
            # xclip keeps serving the selection in the background until another client takes it
            # or the X server ends; its output goes nowhere, as a pipe would stay open as long.
            subprocess.run(["xclip", "-selection", "primary"], env=self.env, check=True,
                           input=step[1].encode(), stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
            time.sleep(SETTLE)
        elif kind == "middle_click_below_text":
            geometry = dict(line.split("=", 1) for line in
                            self.xdotool("getwindowgeometry", "--shell", self.window).split("\n"))
            x = int(geometry["X"]) + int(geometry["WIDTH"]) // 2
            y = int(geometry["Y"]) + int(geometry["HEIGHT"]) - 40
            # No --sync: it waits for a motion, and the pointer may already stand there.
            self.xdotool("mousemove", str(x), str(y), "click", "2")
            time.sleep(SETTLE)
        elif kind == "save":
            self.save()
        else:
            raise ValueError(kind)

    def save(self):
        before = os.stat(self.path)
        self.xdotool("key", "--clearmodifiers", "ctrl+s")
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline:
            self.alive()
            now = os.stat(self.path)
            if (now.st_ino, now.st_mtime_ns, now.st_size) != (
                    before.st_ino, before.st_mtime_ns, before.st_size):
                time.sleep(0.1)
                return
            time.sleep(0.05)
        raise Failure(f"Ctrl+S wrote nothing within 10 s (caption: {self.caption()!r})")

    def close(self):
        if self.git and self.window is not None and self.proc.poll() is None:
            # The editor goes; git, which waited for it, then ends by itself and removes its
            # copy of the old side.
            pid = self.xdotool("getwindowpid", self.window, check=False)
            if pid.isdigit():
                os.kill(int(pid), signal.SIGKILL)
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                pass
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        self.log.close()


def hex_lines(data):
    lines = []
    for at in range(0, len(data), 16):
        chunk = data[at:at + 16]
        text = "".join(chr(b) if 32 <= b < 127 else "." for b in chunk)
        lines.append(f"{at:06x}  {chunk.hex(' '):<47}  {text}")
    return lines


def describe_difference(expected, actual):
    first = next((i for i, (a, b) in enumerate(zip(expected, actual)) if a != b),
                 min(len(expected), len(actual)))
    out = [f"  expected {len(expected)} bytes: {expected!r}",
           f"  saved    {len(actual)} bytes: {actual!r}",
           f"  first difference at byte {first}"]
    want, got = hex_lines(expected), hex_lines(actual)
    for i in range(max(len(want), len(got))):
        w = want[i] if i < len(want) else ""
        g = got[i] if i < len(got) else ""
        mark = "  " if w == g else "! "
        out.append(f"  {mark}expected {w}")
        if w != g:
            out.append(f"  {mark}saved    {g}")
    return "\n".join(out)


def set_layout(display, layout):
    name, variant = layout
    args = ["setxkbmap", "-display", display, "-layout", name]
    if variant:
        args += ["-variant", variant]
    run(*args)


def run_script(exe, display, script):
    """Runs one script; returns None when the saved bytes are the expected ones, else why not."""
    with tempfile.TemporaryDirectory(prefix="scrivane-smoke-") as workdir:
        session = None
        problem = None
        try:
            set_layout(display, script.layout)
            session = Session(exe, display, script, workdir)
            session.start()
            for step in script.steps:
                session.step(step)
            session.alive()
            with open(session.path, "rb") as f:
                saved = f.read()
            if saved != script.expected:
                problem = f"{script.why}\n" + describe_difference(script.expected, saved)
        except Failure as failure:
            problem = str(failure)
        except subprocess.CalledProcessError as failure:
            problem = (f"{' '.join(failure.cmd)} failed: "
                       f"{(failure.stderr or b'').decode(errors='replace').strip()}")
        finally:
            if session is not None:
                session.close()
        if problem is not None and session is not None:
            with open(os.path.join(workdir, "editor.log"), "rb") as f:
                log = f.read().decode(errors="replace").strip()
            if log:
                problem += "\n  editor output:\n" + log
        return problem


def main(argv):
    if len(argv) < 2 or argv[1] in ("-h", "--help"):
        print(__doc__.strip())
        return 2
    exe = os.path.abspath(argv[1])
    chosen = set(argv[2:])
    missing = [t for t in ("Xvfb", "xdotool", "xclip", "setxkbmap") if shutil.which(t) is None]
    if missing:
        print("x11-smoke: missing " + ", ".join(missing) +
              " (Debian: xvfb xdotool xclip x11-xkb-utils)")
        return 2
    if not os.access(exe, os.X_OK):
        print(f"x11-smoke: {exe} is not an executable program")
        return 2
    todo = [s for s in scripts() if not chosen or s.name in chosen]
    unknown = chosen - {s.name for s in todo}
    if unknown:
        print("x11-smoke: no script named " + ", ".join(sorted(unknown)))
        return 2
    if shutil.which("git") is None:
        print("SKIP git-difftool: git is not installed (Debian: git)")
        todo = [s for s in todo if s.committed is None]

    try:
        xvfb, display = start_xvfb()
    except Failure as failure:
        print(f"x11-smoke: {failure}")
        return 2
    failed = []
    started = time.monotonic()
    try:
        for script in todo:
            begun = time.monotonic()
            problem = run_script(exe, display, script)
            took = time.monotonic() - begun
            if problem is None:
                print(f"PASS {script.name} ({took:.1f} s)")
            else:
                print(f"FAIL {script.name} ({took:.1f} s): {problem}")
                failed.append(script.name)
            sys.stdout.flush()
    finally:
        xvfb.send_signal(signal.SIGTERM)
        try:
            xvfb.wait(5)
        except subprocess.TimeoutExpired:
            xvfb.kill()
    print(f"x11-smoke: {len(todo) - len(failed)} of {len(todo)} scripts passed "
          f"in {time.monotonic() - started:.0f} s" +
          (": failed " + ", ".join(failed) if failed else ""))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
