#!/usr/bin/env bash
# Makes the installed program appear in the desktop's application menu (freedesktop
# conventions, for the current user only): writes pagemint.desktop into
# $XDG_DATA_HOME/applications (default ~/.local/share/applications), with Exec pointing at the
# program in the given folder, and puts the program icon into the hicolor icon theme under
# $XDG_DATA_HOME/icons (PNGs of each size and the scalable SVG from data/icons/).
#   scripts/install-desktop-entry.sh PROGRAM_FOLDER
set -euo pipefail
cd "$(dirname "$0")/.."
[ $# -eq 1 ] || { echo "usage: $0 PROGRAM_FOLDER" >&2; exit 2; }
program_folder=${1%/}
data_home=${XDG_DATA_HOME:-$HOME/.local/share}

# Exec quoting: a path with characters other than letters, digits and "/._+-" goes in double
# quotes, with ", `, $ and \ escaped by a backslash, and each backslash then doubled, as a
# value of the key file wants it.
exec_path="$program_folder/pagemint"
if [[ ! "$exec_path" =~ ^[A-Za-z0-9/._+-]+$ ]]; then
  escaped=$(printf '%s' "$exec_path" | sed -e 's/[\\"`$]/\\&/g' -e 's/\\/\\\\/g')
  exec_path="\"$escaped\""
fi

for size in 16 24 32 48 64 128 256; do
  install -D -m 644 "data/icons/pagemint-$size.png" "$data_home/icons/hicolor/${size}x${size}/apps/pagemint.png"
done
install -D -m 644 data/icons/pagemint.svg "$data_home/icons/hicolor/scalable/apps/pagemint.svg"

entry="$data_home/applications/pagemint.desktop"
mkdir -p "$(dirname "$entry")"
cat > "$entry.tmp" <<DESKTOP
[Desktop Entry]
Type=Application
Version=1.0
Name=Pagemint
GenericName=Web Content Harvester
Comment=Collect text, images and files from web sites
Exec=$exec_path
Icon=pagemint
Terminal=false
Categories=Network;FileTransfer;Qt;
Keywords=crawler;harvest;download;images;links;
StartupWMClass=pagemint
DESKTOP
mv "$entry.tmp" "$entry"

if command -v desktop-file-validate > /dev/null; then
  desktop-file-validate "$entry"
fi
# Refresh the caches where the tools exist; menus also pick the files up without them.
command -v update-desktop-database > /dev/null && update-desktop-database -q "$data_home/applications" || true
command -v gtk-update-icon-cache > /dev/null && gtk-update-icon-cache -q -t "$data_home/icons/hicolor" || true
echo "Desktop entry: $entry"
