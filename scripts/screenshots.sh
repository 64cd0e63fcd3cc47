#!/usr/bin/env bash
# Screenshots of the desktop program as a user sees it: under Xvfb (with openbox as window
# manager when it is installed) on a 1024 x 700 and a 1920 x 1080 screen, each with 100 % and
# 150 % fonts (the application font enlarged; QT_FONT_DPI would scale the whole screen in
# Qt 6, not only the texts). For each of the four: the maximised main window while a
# real run against a site served on 127.0.0.1 goes on and after it (one shot per result tab),
# the task settings dialog (three tabs), the settings dialog (two tabs) and the About box.
# PNGs go to <output folder>/<width>x<height>-<font %>/ (default output: <build>/screenshots).
#   scripts/screenshots.sh [build dir] [output folder]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
out=${2:-$build/screenshots}
scripts/install-deps.sh
[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$(nproc)" --target pagemint_screenshots
program=$(realpath "$build/tests/ui/pagemint_screenshots")

status=0
for screen in 1024x700 1920x1080; do
  for font in 100 150; do
    folder="$out/$screen-$font"
    mkdir -p "$folder"
    echo "== $folder"
    # One X server per combination; the window manager, when there is one, lives as long as
    # the program and is ended by its own process id.
    LANG=C.UTF-8 xvfb-run -a -s "-screen 0 ${screen}x24" bash -c '
      wm=""
      if command -v openbox > /dev/null; then openbox > /dev/null 2>&1 & wm=$!; sleep 1; fi
      rc=0
      "$0" "$1" "$2" || rc=$?
      [ -n "$wm" ] && kill "$wm" 2> /dev/null
      exit $rc' "$program" "$folder" "$font" || status=1
  done
done
ls -1 "$out"/*/*.png
exit $status
