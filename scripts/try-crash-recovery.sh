#!/usr/bin/env bash
# Tries crash recovery as a user meets it, on a private X server: opens a file, types, kills
# the editor (kill -9 by default, or the signal given), starts it again on the same file,
# presses Enter at the question and Ctrl+S, and prints the file's bytes.
#
# usage: scripts/try-crash-recovery.sh EXE [SIGNAL]     e.g. build/test/src/app/scrivane KILL
# WAIT=seconds between the typing and the signal (4); SHOTS=dir for screenshots.
# Needs: Xvfb, xdotool.
set -u
[ $# -ge 1 ] || { sed -n '2,7p' "$0"; exit 2; }
exe=$(readlink -f "$1"); signal=${2:-KILL}
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "missing: $tool"; exit 2; }
done
home=$(mktemp -d)
export HOME=$home XDG_CONFIG_HOME=$home/.config XDG_STATE_HOME=$home/state XDG_RUNTIME_DIR=$home/run
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
for d in $(seq 100 140); do [ -e /tmp/.X11-unix/X$d ] || [ -e /tmp/.X$d-lock ] || break; done
Xvfb ":$d" -screen 0 1280x900x24 >/dev/null 2>&1 & xpid=$!
export DISPLAY=":$d"
epid=
trap 'kill -9 $epid 2>/dev/null; kill $xpid 2>/dev/null; rm -rf "$home"' EXIT
sleep 1

file=$home/notes.txt
printf 'first line\nsecond line\n' >"$file"

start() {  # starts the editor on the file and waits for its window
  (cd "$home" && exec "$exe" notes.txt) >>"$home/editor.log" 2>&1 & epid=$!
  w=
  for _ in $(seq 1 80); do
    w=$(xdotool search --pid "$epid" --name '^Scrivane' 2>/dev/null | head -1)
    [ -n "$w" ] && break
    sleep 0.25
  done
  [ -n "$w" ] || { echo "no editor window"; cat "$home/editor.log"; exit 1; }
  sleep 1
}

start
xdotool windowfocus --sync "$w" 2>/dev/null; sleep 0.3
xdotool key --delay 60 ctrl+End; xdotool type --delay 50 "typed before the crash"
sleep "${WAIT:-4}"  # the recovery file follows 3 s after the last change
echo "recovery files: $(ls "$XDG_STATE_HOME/Scrivane/recovery" 2>/dev/null | tr '\n' ' ')"
kill -"$signal" "$epid"; wait "$epid" 2>/dev/null; echo "editor ended by SIG$signal (status $?)"
echo "recovery files after: $(ls "$XDG_STATE_HOME/Scrivane/recovery" 2>/dev/null | tr '\n' ' ')"

start
question=
for _ in $(seq 1 20); do  # the message box is the window titled with the program's name alone
  for id in $(xdotool search --onlyvisible --pid "$epid" 2>/dev/null); do
    [ "$(xdotool getwindowname "$id")" = Scrivane ] && question=$id
  done
  [ -n "$question" ] && break
  sleep 0.25
done
echo "question window: ${question:-none}"
[ -n "$question" ] && xdotool windowfocus --sync "$question" 2>/dev/null
sleep 0.3
[ -n "${SHOTS:-}" ] && import -window root "$SHOTS/question.png"
xdotool key Return; sleep 1
[ -n "${SHOTS:-}" ] && import -window root "$SHOTS/after-enter.png"
main=$(xdotool search --pid "$epid" --name '^Scrivane ver' 2>/dev/null | head -1)
echo "caption: $(xdotool getwindowname "$main")"
xdotool windowfocus --sync "$main" 2>/dev/null; sleep 0.3
xdotool key ctrl+s; sleep 1.5
echo "caption: $(xdotool getwindowname "$main")"
echo "recovery files after saving: $(ls "$XDG_STATE_HOME/Scrivane/recovery" 2>/dev/null | tr '\n' ' ')"
echo "file bytes ($(wc -c <"$file")):"
od -An -c "$file"
