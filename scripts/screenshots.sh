#!/usr/bin/env bash
# Screenshots of the desktop program as a user sees it: under Xvfb at 1280 x 800 (no window
# manager), the main window after a real run against a site served on 127.0.0.1 (one shot per
# result tab), the task settings dialog (three tabs), the settings dialog (two tabs) and the
# About box. PNGs go to the given folder (default: <build>/screenshots).
#   scripts/screenshots.sh [build dir] [output folder]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
out=${2:-$build/screenshots}
scripts/install-deps.sh
[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$(nproc)" --target pagemint_screenshots
mkdir -p "$out"
LANG=C.UTF-8 xvfb-run -a -s "-screen 0 1280x800x24" "$build/tests/ui/pagemint_screenshots" "$out"
ls -1 "$out"/*.png
