#!/usr/bin/env bash
# Checks the folder layering of src/: every #include "folder/..." of a source file must be an
# edge of the table below, and the core folders never include Qt Widgets or Qt WebEngine.
# Usage: check-layers.sh [SOURCE_ROOT]   (default: the repository this script lives in)
# Exit status 0 when the layering holds, 1 with the offending lines otherwise.
set -euo pipefail
root=${1:-"$(dirname "$0")/.."}
cd "$root"

# Folder -> the folders its files may include (a folder may always include itself).
# Lower layers first; nothing points back up, so the folders form no cycle.
declare -A allowed=(
  [task]=""
  [host]=""
  [results]="task"
  [extract]="task results"
  [crawl]="task host results extract"
  [crawl/webengine]="task extract crawl download"
  [download]="task host results"
  [engine]="task host results extract crawl download"
  [batch]="task host results extract crawl download engine"
  [ui]="task host results extract crawl crawl/webengine download engine"
  [app]="task host results extract crawl crawl/webengine download engine batch ui"
)
# Folders compiled into the core library, which links neither Qt Widgets nor Qt WebEngine.
core=(task host results extract crawl download engine)

status=0
# A folder missing from the table is a layering decision not yet made.
while IFS= read -r -d '' dir; do
  folder=${dir#src/}
  if [ -z "${allowed[$folder]+set}" ] && [ -n "$(find "$dir" -maxdepth 1 -type f \( -name '*.h' -o -name '*.cpp' \))" ]; then
    echo "$dir: folder missing from the layer table of scripts/check-layers.sh"
    status=1
  fi
done < <(find src -mindepth 1 -type d -print0)

for folder in "${!allowed[@]}"; do
  [ -d "src/$folder" ] || continue
  while IFS= read -r -d '' file; do
    while IFS= read -r hit; do
      line=${hit%%:*}
      target=${hit#*:}
      target=${target#*\"}
      target=${target%/*}
      [ "$target" = "$folder" ] && continue
      ok=0
      for edge in ${allowed[$folder]}; do
        [ "$edge" = "$target" ] && ok=1
      done
      if [ "$ok" = 0 ]; then
        echo "$file:$line: $folder may not include $target/"
        status=1
      fi
    done < <(grep -n -o -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[A-Za-z0-9_]+(/[A-Za-z0-9_]+)*/' "$file" || true)
  done < <(find "src/$folder" -maxdepth 1 -type f \( -name '*.h' -o -name '*.cpp' \) -print0)
done

for folder in "${core[@]}"; do
  [ -d "src/$folder" ] || continue
  while IFS= read -r -d '' file; do
    if grep -n -E '#include\s*[<"](QtWidgets|QtWebEngine|QWidget|QWebEngine|QApplication|QMessageBox|QPixmap|QIcon)' "$file"; then
      echo "$file: the core may not include Qt Widgets or Qt WebEngine"
      status=1
    fi
  done < <(find "src/$folder" -maxdepth 1 -type f \( -name '*.h' -o -name '*.cpp' \) -print0)
done

[ "$status" = 0 ] || echo "Layering violation"
exit "$status"
