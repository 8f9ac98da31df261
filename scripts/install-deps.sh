#!/usr/bin/env bash
# Installs the Debian packages Scrivane needs to build, test and run, when they are missing.
set -euo pipefail

# clang and libclang-rt-14-dev build the libFuzzer target, clang-format checks the sources;
# dpkg-dev (dpkg-shlibdeps) and file let CPack compute the package's dependencies, and
# desktop-file-utils, appstream and man-db check the desktop entry, metadata and manual pages;
# python3, xvfb, xdotool, xclip, x11-xkb-utils (setxkbmap), libx11-data (the compose tables a
# dead key needs) and a font run the X11 smoke (scripts/x11-smoke.py); libxxhash-dev gives the
# recovery files' checksum; the rest build and test the editor.
packages=(build-essential cmake pkg-config qt6-base-dev libqscintilla2-qt6-dev libgl-dev
          libxxhash-dev googletest libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev
          clang-format dpkg-dev file desktop-file-utils appstream man-db
          python3 xvfb xdotool xclip x11-xkb-utils libx11-data fonts-dejavu-core)
# git runs scrivane-compare as its external diff and starts scrivane --compare as its difftool,
# chromium renders a review page (tests/cli, scripts/x11-smoke.py).
packages+=(git chromium)
# A session bus with the accessibility bus and the Python AT-SPI binding read the running
# editor as a screen reader does (scripts/atspi-reading.py).
packages+=(dbus at-spi2-core python3-pyatspi gir1.2-atspi-2.0)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
