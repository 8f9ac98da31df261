#!/usr/bin/env bash
# Builds Scrivane (Release) and starts it; arguments are passed to the editor,
# for example: scripts/run.sh notes.txt 25
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/install-deps.sh"
cmake -S "$here" -B "$here/build/release" -DCMAKE_BUILD_TYPE=Release -DSCRIVANE_TESTS=OFF >/dev/null
cmake --build "$here/build/release" -j "$(nproc)" --target scrivane scrivane-compare
exec "$here/build/release/src/app/scrivane" "$@"
