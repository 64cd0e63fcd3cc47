#!/usr/bin/env bash
# Starts Pagemint on a fresh Debian 12 machine: installs the missing Debian packages, builds the
# release program in build-release/, installs it into its program folder
# ~/.local/share/pagemint/, adds it to the desktop's application menu (a .desktop entry and its
# icon in ~/.local/share) and starts it from there. The program keeps its tasks, settings and
# downloads beside the executable, so they live in that folder and survive clean rebuilds.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
program_folder="$HOME/.local/share/pagemint"
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DPAGEMINT_BUILD_BENCH=OFF
cmake --build build-release -j"$(nproc)" --target pagemint pagemint-batch
cmake --install build-release --component pagemint --prefix "$program_folder"
scripts/install-desktop-entry.sh "$program_folder"
exec "$program_folder/pagemint" "$@"
